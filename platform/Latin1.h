#pragma once
// Texts are bytes in ISO-8859-1, as on AmigaOS. This is the one place that
// knows their case rules (utility.library's ToUpper/Stricmp) and converts them
// to and from UTF-8 at a front end's edge.

#include <cstddef>
#include <string>
#include <string_view>

namespace amiga {

// Case conversion of one ISO-8859-1 byte: A-Z, and the accented letters
// 0xC0-0xDE / 0xE0-0xFE except the multiplication (0xD7) and division (0xF7)
// signs. 0xDF (sharp s) and 0xFF (y diaeresis) have no single-byte partner.
char ToUpper(char c);
char ToLower(char c);

std::string ToUpper(std::string_view text);
std::string ToLower(std::string_view text);

// Stricmp / Strnicmp: <0, 0 or >0 comparing the upper-case forms byte by byte
// as unsigned values.
int CompareNoCase(std::string_view a, std::string_view b);
int CompareNoCase(std::string_view a, std::string_view b, std::size_t length);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);
// Position of the first case-insensitive occurrence of needle, or npos.
std::size_t FindNoCase(std::string_view haystack, std::string_view needle, std::size_t from = 0);

// Hash and equality for unordered containers keyed without regard to case.
struct NoCaseHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const;
};
struct NoCaseEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return EqualsNoCase(a, b); }
};
struct NoCaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const {
        return CompareNoCase(a, b) < 0;
    }
};

// True when text is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);
// ISO-8859-1 to UTF-8 for display. A text that already is valid UTF-8 and
// holds a multi-byte sequence is returned as it is.
std::string Latin1ToUtf8(std::string_view text);
// UTF-8 from a front end (command line, window) to ISO-8859-1. Characters
// outside ISO-8859-1 become '?'. Input that is not valid UTF-8 is taken as
// ISO-8859-1 already and returned unchanged.
std::string Utf8ToLatin1(std::string_view text);

}  // namespace amiga
