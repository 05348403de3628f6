#include "version/VersionText.h"

#include <cstdint>

#include "platform/Latin1.h"
#include "platform/StrToLong.h"

namespace stovan {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The first occurrence of needle in text without regard to case, or npos.
std::size_t FindNoCase(std::string_view text, std::string_view needle) {
    if (needle.size() > text.size()) {
        return std::string_view::npos;
    }
    for (std::size_t i = 0; i + needle.size() <= text.size(); ++i) {
        if (amiga::EqualsNoCase(text.substr(i, needle.size()), needle)) {
            return i;
        }
    }
    return std::string_view::npos;
}

// StrToLong at a digit: the number and how far it reached.
std::uint32_t ReadNumber(std::string_view text, std::size_t& position) {
    std::int32_t value = 0;
    const int used = amiga::StrToLong(text.substr(position), value);
    if (used <= 0) {
        return 0;
    }
    position += static_cast<std::size_t>(used);
    return value < 0 ? 0 : static_cast<std::uint32_t>(value);
}

}  // namespace

VersionTriple ScanVersionOutput(std::string_view output) {
    output = output.substr(0, output.find('\n'));
    VersionTriple triple;
    for (std::size_t i = 0; i + 1 < output.size(); ++i) {
        const char c = output[i];
        if ((IsBlank(c) || c == 'v' || c == 'V') && IsDigit(output[i + 1])) {
            std::size_t position = i + 1;
            triple.version = ReadNumber(output, position);
            // Each further number needs a point and a digit right after it;
            // StrToLong would otherwise skip blanks or take a sign.
            if (position + 1 < output.size() && output[position] == '.' &&
                IsDigit(output[position + 1])) {
                ++position;
                triple.revision = ReadNumber(output, position);
                if (position + 1 < output.size() && output[position] == '.' &&
                    IsDigit(output[position + 1])) {
                    ++position;
                    triple.build = ReadNumber(output, position);
                }
            }
            break;
        }
    }
    return triple;
}

VersionTriple ScanFileVersionText(std::string_view text) {
    const std::size_t version = FindNoCase(text, "Version:");
    if (version != std::string_view::npos) {
        // The line feed put before the text makes position 0 a line start.
        const bool lineStart =
            version == 0 || text[version - 1] == '\n' || text[version - 1] == '\r';
        if (lineStart) {
            return ParseVersionTriple(text.substr(version + 8));
        }
    }
    const std::size_t id = FindNoCase(text, "$Id:");
    if (id == std::string_view::npos) {
        return {};
    }
    std::size_t position = id + 4;
    while (position < text.size() && IsBlank(text[position])) {
        ++position;
    }
    while (position < text.size() && !IsBlank(text[position]) && text[position] != '\n' &&
           text[position] != '\r') {
        ++position;
    }
    return ParseVersionTriple(text.substr(position));
}

std::optional<VersionTriple> LiteralVersionString(std::string_view entry) {
    if (entry.size() < 6 || entry[0] != '$' || !amiga::EqualsNoCase(entry.substr(1, 5), "VER: ")) {
        return std::nullopt;
    }
    std::string_view rest = entry.substr(6);
    const std::size_t blank = rest.find(' ');
    rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
    // ParseVersionTriple skips the blanks before the number itself.
    return ParseVersionTriple(rest);
}

}  // namespace stovan
