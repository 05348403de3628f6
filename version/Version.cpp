#include "version/Version.h"

#include <fmt/format.h>

#include "platform/StrToLong.h"

namespace stovan {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// One number of the triple at `pos` with dos.library's StrToLong. A negative
// number would wrap to a huge unsigned value and make any text with a minus
// sign "newer" than every real version, so it counts as unreadable.
bool ReadPart(std::string_view text, std::size_t& pos, std::uint32_t& out) {
    std::int32_t value = 0;
    const int used = amiga::StrToLong(text.substr(pos), value);
    if (used < 0 || value < 0) {
        return false;
    }
    out = static_cast<std::uint32_t>(value);
    pos += static_cast<std::size_t>(used);
    return true;
}

// After a point the next number must start right there: StrToLong would skip
// blanks and accept a sign, but '1. 5' and '1.+5' are not version numbers.
bool ReadPartAfterPoint(std::string_view text, std::size_t& pos, std::uint32_t& out) {
    if (pos >= text.size() || text[pos] != '.') {
        return false;
    }
    if (pos + 1 >= text.size() || !IsDigit(text[pos + 1])) {
        return false;
    }
    ++pos;
    return ReadPart(text, pos, out);
}

}  // namespace

VersionTriple ParseVersionTriple(std::string_view text) {
    // A C string ends at its first NUL byte; so does the text here.
    text = text.substr(0, text.find('\0'));
    VersionTriple triple;
    std::size_t pos = 0;
    if (text.empty() || !ReadPart(text, pos, triple.version)) {
        return triple;
    }
    if (!ReadPartAfterPoint(text, pos, triple.revision)) {
        return triple;
    }
    ReadPartAfterPoint(text, pos, triple.build);
    return triple;
}

std::string FormatVersionTriple(const VersionTriple& triple) {
    return fmt::format("{}.{}.{}", triple.version, triple.revision, triple.build);
}

bool isNewer(const VersionInfo& base, const VersionInfo& candidate) {
    if (candidate.triple != base.triple) {
        return candidate.triple > base.triple;
    }
    // CompareDates is positive when its second argument is the later date.
    return candidate.date.days != 0 && amiga::CompareDates(base.date, candidate.date) > 0;
}

}  // namespace stovan
