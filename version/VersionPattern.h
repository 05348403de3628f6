#pragma once
// Version patterns: how a database entry's URLPATTERN finds the offered
// version on the application's web page. A pattern is literal text with
// keywords ("{VERSION}", "{DAY}", "#?", ...) that capture numbers, month
// names or skipped text; the page is searched at every position and the
// newest version (then date) found wins.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "version/Version.h"

namespace stovan {

enum class PatternKind : std::uint8_t {
    Literal = 0,     // the same text, without regard to case
    ShortMonth = 1,  // "{MON}": "JAN" ... "DEC", value 1-12
    Wildcard = 2,    // "#?" or "{...}"/"#...}" not a keyword: 0 to 49 characters
    Version = 3,     // "{VERSION}": a decimal number
    Revision = 4,    // "{REVISION}"
    Build = 5,       // "{BUILD}"
    Day = 6,         // "{DAY}" 1-31
    Month = 7,       // "{MONTH}" 1-12
    Year = 8,        // "{YEAR}" 1-3000
    Hour = 9,        // "{HOUR}" 0-23
    Minute = 10,     // "{MINUTE}" 0-59
    Second = 11,     // "{SECOND}" 0-59
};

struct PatternElement {
    PatternKind kind = PatternKind::Literal;
    std::string text;         // the literal text, or the keyword as written
    std::string captured;     // after a match: the text the element covered
    std::int32_t number = 0;  // after a match: the value read (number kinds, month)
    bool matched = false;     // whether the last successful match set the capture
};

// A wildcard covers at most this many characters (it tries 50 positions).
inline constexpr std::size_t kWildcardPositions = 50;

struct VersionPattern {
    std::vector<PatternElement> elements;
};

// Splits a URLPATTERN text into elements. At each "{" or "#" the keywords
// are tried in the order {VERSION} {REVISION} {BUILD} {DAY} {MON} {MONTH}
// {YEAR} {HOUR} {MINUTE} {SECOND} #? (without regard to case); when none
// fits, the text up to and including the next "}" is a wildcard. Nothing
// when a "{" or "#" that is no keyword has no "}" after it: such a pattern
// cannot find a version.
std::optional<VersionPattern> ParseVersionPattern(std::string_view text);

// Matches the pattern at `position` of `text`; on success every element
// holds its capture and value. A number out of its range (a day of 32)
// fails the match; a wildcard takes the shortest stretch (0 to 49
// characters) after which the rest matches. A pattern without elements
// never matches. Work is polynomial: the matcher remembers which element
// failed at which position, so several wildcards do not multiply.
bool MatchVersionPattern(VersionPattern& pattern, std::string_view text, std::size_t position);

// The newest version information the pattern finds in the page: the triple
// of the first {VERSION}, {REVISION} and {BUILD} of a match, its date from
// the first {DAY}, {MON} (else {MONTH}), {YEAR}, {HOUR}, {MINUTE} and
// {SECOND} (no valid date: zero). A later match replaces the best only when
// it is newer (isNewer); an invalid pattern or no match gives nothing
// present (0.0.0, zero date).
VersionInfo FindBestVersionInPage(std::string_view patternText, std::string_view pageText);

// Gives the pattern text expanded for a candidate server version (the
// item's placeholders with the candidate standing in for the offered
// version); nothing when it cannot be expanded.
using CandidateExpander = std::function<std::optional<std::string>(const VersionTriple&)>;

// The fallback when the page gave nothing: tries the versions from the
// installed one (its revision minus one) on, revisions 0 to 199 each, up
// to the installed version plus 20, and returns the last candidate whose
// expanded pattern occurs in the page exactly (case matters), build 0;
// 0.0.0 when none does. A revision of 200 or more moves on to the next
// version, so an installed revision beyond 199 cannot make it run away.
VersionTriple ProbeVersionsInPage(const VersionTriple& installed, std::string_view pageText,
                                  const CandidateExpander& expand);

}  // namespace stovan
