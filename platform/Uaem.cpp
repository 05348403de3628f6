#include "platform/Uaem.h"

#include <cstdio>
#include <ctime>

namespace amiga {
namespace {

constexpr char kLetters[] = "hsparwed";
// Seconds from 1970-01-01 to 1978-01-01: the sidecar prints the Amiga's
// local wall-clock time through gmtime, as if it were UTC.
constexpr std::int64_t kEpochOffset = kAmigaEpochDays * 86400;

// Seconds from 1978-01-01 to 9999-12-31 23:59:59, the last time the line's
// four-digit year can hold.
std::int64_t LastSeconds() {
    static const std::int64_t last = [] {
        std::tm fields{};
        fields.tm_year = 9999 - 1900;
        fields.tm_mon = 11;
        fields.tm_mday = 31;
        fields.tm_hour = 23;
        fields.tm_min = 59;
        fields.tm_sec = 59;
        return static_cast<std::int64_t>(timegm(&fields)) - kEpochOffset;
    }();
    return last;
}

bool NeedsEscape(unsigned char c) {
    if (c < 0x20 || c > 0x7F) {
        return true;
    }
    switch (c) {
        case '%':
        case '\\':
        case '*':
        case '?':
        case '"':
        case '/':
        case '|':
        case '<':
        case '>':
            return true;
        default:
            return false;
    }
}

void AppendEscaped(std::string& out, unsigned char c) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
}

bool IsReservedWindowsName(std::string_view text) {
    // FS-UAE's escaper was written for Windows host names and escapes the
    // third letter of AUX, CON, PRN, NUL, COMn and LPTn when the text is
    // exactly that or followed by a dot; comments go through it too.
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    if (text.size() < 3) {
        return false;
    }
    const std::string head{upper(text[0]), upper(text[1]), upper(text[2])};
    std::size_t length = 3;
    if (head == "COM" || head == "LPT") {
        if (text.size() < 4 || text[3] < '0' || text[3] > '9') {
            return false;
        }
        length = 4;
    } else if (head != "AUX" && head != "CON" && head != "PRN" && head != "NUL") {
        return false;
    }
    return text.size() == length || text[length] == '.';
}

std::string EscapeComment(std::string_view comment) {
    std::string out;
    out.reserve(comment.size() + 8);
    const bool reserved = IsReservedWindowsName(comment);
    for (std::size_t i = 0; i < comment.size(); ++i) {
        const auto c = static_cast<unsigned char>(comment[i]);
        const bool last = i + 1 == comment.size();
        if (NeedsEscape(c) || (last && (c == '.' || c == ' ')) || (reserved && i == 2)) {
            AppendEscaped(out, c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string UnescapeComment(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = HexDigit(text[i + 1]);
            const int low = HexDigit(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

int ReadNumber(std::string_view text, std::size_t offset, std::size_t length) {
    int value = 0;
    for (std::size_t i = offset; i < offset + length && i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            break;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

bool IsUaemName(std::string_view hostName) {
    return hostName.size() > kUaemSuffix.size() && hostName.ends_with(kUaemSuffix);
}

std::string ProtectionString(std::uint32_t protection) {
    // Letters in the file are "granted" for rwed, so flip the active-low bits.
    const std::uint32_t mask = (protection ^ 0x0F) & 0xFF;
    std::string out(8, '-');
    for (int i = 0; i < 8; ++i) {
        if (mask & (0x80u >> i)) {
            out[static_cast<std::size_t>(i)] = kLetters[i];
        }
    }
    return out;
}

std::string FormatUaem(const UaemInfo& info) {
    // The line has fixed columns: a date outside the four-digit years (a
    // DateStamp can say year 5 million) would push the comment out of its
    // column, so it is written as the nearest date the line can hold.
    DateStamp stamp = info.date;
    const std::int64_t amigaSeconds = DateStampToSeconds(stamp);
    if (amigaSeconds < 0) {
        stamp = DateStamp{};
    } else if (amigaSeconds > LastSeconds()) {
        stamp = DateStampFromSeconds(LastSeconds());
        stamp.tick += kTicksPerSecond - 1;
    }
    const std::time_t seconds = static_cast<std::time_t>(DateStampToSeconds(stamp) + kEpochOffset);
    std::tm fields{};
    gmtime_r(&seconds, &fields);
    char date[40];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d %02d:%02d:%02d.%02d", fields.tm_year + 1900,
                  fields.tm_mon + 1, fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec,
                  (stamp.tick % kTicksPerSecond) * 2);
    std::string out = ProtectionString(info.protection);
    out += ' ';
    out += date;
    out += ' ';
    out += EscapeComment(info.comment);
    out += '\n';
    return out;
}

UaemInfo ParseUaem(std::string_view text, const UaemInfo& fallback) {
    UaemInfo info = fallback;
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    const std::size_t lineEnd = text.find_first_of("\r\n");
    if (lineEnd != std::string_view::npos) {
        text = text.substr(0, lineEnd);
    }
    if (text.size() < 8) {
        return info;
    }
    std::uint32_t mask = 0;
    for (int i = 0; i < 8; ++i) {
        if (text[static_cast<std::size_t>(i)] == kLetters[i]) {
            mask |= 0x80u >> i;
        }
    }
    info.protection = (mask ^ 0x0F) & 0xFF;
    if (text.size() >= 9 + 22) {
        std::tm fields{};
        fields.tm_year = ReadNumber(text, 9, 4) - 1900;
        fields.tm_mon = ReadNumber(text, 14, 2) - 1;
        fields.tm_mday = ReadNumber(text, 17, 2);
        fields.tm_hour = ReadNumber(text, 20, 2);
        fields.tm_min = ReadNumber(text, 23, 2);
        fields.tm_sec = ReadNumber(text, 26, 2);
        const int hundredths = ReadNumber(text, 29, 2);
        // Only a real date is taken: timegm would turn "2013-99-99" into some
        // day years later (which the line could then not even hold).
        const std::tm wanted = fields;
        const std::int64_t seconds = static_cast<std::int64_t>(timegm(&fields)) - kEpochOffset;
        const bool real = wanted.tm_year + 1900 <= 9999 && fields.tm_year == wanted.tm_year &&
                          fields.tm_mon == wanted.tm_mon && fields.tm_mday == wanted.tm_mday &&
                          fields.tm_hour == wanted.tm_hour && fields.tm_min == wanted.tm_min &&
                          fields.tm_sec == wanted.tm_sec;
        if (real && seconds >= 0) {
            info.date = DateStampFromSeconds(seconds);
            info.date.tick += hundredths / 2;
        }
    }
    info.comment = text.size() > 32 ? UnescapeComment(text.substr(32)) : std::string();
    return info;
}

}  // namespace amiga
