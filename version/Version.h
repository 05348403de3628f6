#pragma once
// Version triples and version information.
//
// Every application item carries two pieces of version information: what is
// installed on the machine and what the application's web site offers. Each
// piece is a version triple plus a date.

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/DateStamp.h"

namespace stovan {

// version.revision.build; 0.0.0 means that no version is known. '2.18' and
// '2.18.0' are the same triple. Triples order by version, then revision, then
// build, each as an unsigned number (1.10.0 > 1.9.5).
struct VersionTriple {
    std::uint32_t version = 0;
    std::uint32_t revision = 0;
    std::uint32_t build = 0;

    friend constexpr auto operator<=>(const VersionTriple&, const VersionTriple&) = default;

    constexpr bool known() const { return version != 0 || revision != 0 || build != 0; }
};

// Reads "V[.R[.B]]" from the start of text. Never fails: what cannot be read
// stays 0. Leading blanks and tabs before the version are skipped; blanks
// around the points are not allowed ('1 .5' is 1.0.0, '1. 5' is 1.0.0).
// '1.5 beta' is 1.5.0, 'v1.5' is 0.0.0 (callers position the text on the
// first digit). A negative number is unreadable (it stays 0 and ends the
// reading); numbers beyond 2147483647 are read as 2147483647.
VersionTriple ParseVersionTriple(std::string_view text);

// "V.R.B", always three numbers.
std::string FormatVersionTriple(const VersionTriple& triple);

// A version triple plus the date that belongs to it.
struct VersionInfo {
    VersionTriple triple;
    amiga::DateStamp date;

    // Present when any of version, revision, build or the day count is not zero.
    constexpr bool present() const { return triple.known() || date.days != 0; }
};

// True when `candidate` is newer than `base`: a greater triple, or an equal
// triple and a later date on the candidate's side. Equal dates, or a missing
// candidate date (day count 0), make it not newer.
bool isNewer(const VersionInfo& base, const VersionInfo& candidate);

}  // namespace stovan
