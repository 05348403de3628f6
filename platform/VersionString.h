#pragma once
// The "$VER:" string of a file and how the Version command shows it (the
// shell's Version command, and Stovan's version check, which answers the
// command itself for files it can read).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace amiga {

struct VersionString {
    std::string name;  // text before the version number, trailing blanks removed
    std::int32_t version = 0;
    std::int32_t revision = -1;  // -1 when the string has none
    std::string shortForm;       // "name version.revision" as written
    std::string full;            // the whole string after "$VER: "
};

// The first "$VER:" in data. The string ends at a NUL, line feed or carriage
// return and is at most 255 characters. The name is everything up to the
// first blank that is followed by a digit; without such a number, the short
// form is the whole string.
std::optional<VersionString> FindVersionString(std::string_view data);

}  // namespace amiga
