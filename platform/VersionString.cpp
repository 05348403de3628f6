#include "platform/VersionString.h"

namespace amiga {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Reads digits at pos; the number saturates instead of overflowing.
std::int32_t ReadNumber(std::string_view text, std::size_t& pos) {
    std::int64_t value = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        if (value < 0x7FFFFFFF) {
            value = value * 10 + (text[pos] - '0');
        }
        ++pos;
    }
    return static_cast<std::int32_t>(value > 0x7FFFFFFF ? 0x7FFFFFFF : value);
}

}  // namespace

std::optional<VersionString> FindVersionString(std::string_view data) {
    std::size_t found = data.find("$VER:");
    if (found == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view text = data.substr(found + 5);
    std::size_t end = text.find_first_of(std::string_view("\0\n\r", 3));
    text = text.substr(0, std::min<std::size_t>(end, 255));
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    VersionString result;
    result.full = std::string(text);
    result.shortForm = result.full;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (!IsBlank(text[i]) || !IsDigit(text[i + 1])) {
            continue;
        }
        std::string_view name = text.substr(0, i);
        while (!name.empty() && IsBlank(name.back())) {
            name.remove_suffix(1);
        }
        result.name = std::string(name);
        std::size_t pos = i + 1;
        std::size_t numberStart = pos;
        result.version = ReadNumber(text, pos);
        if (pos + 1 < text.size() && text[pos] == '.' && IsDigit(text[pos + 1])) {
            ++pos;
            result.revision = ReadNumber(text, pos);
        }
        result.shortForm =
            result.name + " " + std::string(text.substr(numberStart, pos - numberStart));
        break;
    }
    return result;
}

}  // namespace amiga
