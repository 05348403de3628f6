#include "platform/Latin1.h"

#include <algorithm>
#include <cstdint>

namespace amiga {
namespace {

unsigned char Byte(char c) {
    return static_cast<unsigned char>(c);
}

bool IsAccentedLower(unsigned char b) {
    return b >= 0xE0 && b <= 0xFE && b != 0xF7;
}
bool IsAccentedUpper(unsigned char b) {
    return b >= 0xC0 && b <= 0xDE && b != 0xD7;
}

}  // namespace

char ToUpper(char c) {
    const unsigned char b = Byte(c);
    if ((b >= 'a' && b <= 'z') || IsAccentedLower(b)) {
        return static_cast<char>(b - 0x20);
    }
    return c;
}

char ToLower(char c) {
    const unsigned char b = Byte(c);
    if ((b >= 'A' && b <= 'Z') || IsAccentedUpper(b)) {
        return static_cast<char>(b + 0x20);
    }
    return c;
}

std::string ToUpper(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), [](char c) { return ToUpper(c); });
    return result;
}

std::string ToLower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), [](char c) { return ToLower(c); });
    return result;
}

int CompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (a[i] == b[i]) {
            continue;  // equal bytes have equal upper-case forms
        }
        const int difference = Byte(ToUpper(a[i])) - Byte(ToUpper(b[i]));
        if (difference != 0) {
            return difference;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

int CompareNoCase(std::string_view a, std::string_view b, std::size_t length) {
    return CompareNoCase(a.substr(0, length), b.substr(0, length));
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

std::size_t FindNoCase(std::string_view haystack, std::string_view needle, std::size_t from) {
    if (needle.size() > haystack.size()) {
        return std::string_view::npos;
    }
    for (std::size_t i = from; i + needle.size() <= haystack.size(); ++i) {
        if (EqualsNoCase(haystack.substr(i, needle.size()), needle)) {
            return i;
        }
    }
    return std::string_view::npos;
}

std::size_t NoCaseHash::operator()(std::string_view text) const {
    // FNV-1a over the upper-case bytes.
    std::size_t hash = 14695981039346656037ULL;
    for (char c : text) {
        hash ^= Byte(ToUpper(c));
        hash *= 1099511628211ULL;
    }
    return hash;
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = Byte(text[i]);
        std::size_t length = 0;
        std::uint32_t minimum = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            minimum = 0x80;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            minimum = 0x800;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            minimum = 0x10000;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char next = Byte(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string Latin1ToUtf8(std::string_view text) {
    const bool hasHighBytes =
        std::any_of(text.begin(), text.end(), [](char c) { return Byte(c) >= 0x80; });
    if (!hasHighBytes || IsValidUtf8(text)) {
        return std::string(text);
    }
    std::string result;
    result.reserve(text.size() + text.size() / 4);
    for (char c : text) {
        const unsigned char b = Byte(c);
        if (b < 0x80) {
            result.push_back(c);
        } else {
            result.push_back(static_cast<char>(0xC0 | (b >> 6)));
            result.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        }
    }
    return result;
}

std::string Utf8ToLatin1(std::string_view text) {
    if (!IsValidUtf8(text)) {
        return std::string(text);
    }
    std::string result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = Byte(text[i]);
        if (lead < 0x80) {
            result.push_back(text[i]);
            ++i;
            continue;
        }
        std::size_t length = (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 4;
        std::uint32_t code = lead & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
        for (std::size_t k = 1; k < length; ++k) {
            code = (code << 6) | (Byte(text[i + k]) & 0x3F);
        }
        result.push_back(code <= 0xFF ? static_cast<char>(code) : '?');
        i += length;
    }
    return result;
}

}  // namespace amiga
