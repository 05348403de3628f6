#include "net/ResponseHeader.h"

#include <charconv>

#include "platform/Latin1.h"
#include "version/Date.h"

namespace stovan {
namespace {

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           amiga::EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// Finds `needle` in `text` without regard to case.
std::size_t FindNoCase(std::string_view text, std::string_view needle, std::size_t from = 0) {
    for (std::size_t position = from; position + needle.size() <= text.size(); ++position) {
        if (amiga::EqualsNoCase(text.substr(position, needle.size()), needle)) {
            return position;
        }
    }
    return std::string_view::npos;
}

// The file name of a Content-Disposition value: the attachment's
// filename= parameter, quoted or a bare token (RFC 6266).
std::string AttachmentName(std::string_view value) {
    const std::size_t attachment = FindNoCase(value, "attachment");
    if (attachment == std::string_view::npos) {
        return {};
    }
    const std::size_t parameter = FindNoCase(value, "filename=", attachment);
    if (parameter == std::string_view::npos) {
        return {};
    }
    std::string_view name = value.substr(parameter + 9);
    if (!name.empty() && name.front() == '"') {
        // A quoted string: a backslash takes the next character as it is.
        std::string unquoted;
        for (std::size_t index = 1; index < name.size() && name[index] != '"'; ++index) {
            if (name[index] == '\\' && index + 1 < name.size()) {
                ++index;
            }
            unquoted += name[index];
        }
        return unquoted;
    }
    return std::string(TrimBlanks(name.substr(0, name.find(';'))));
}

}  // namespace

std::optional<amiga::DateStamp> ParseHttpDate(std::string_view value) {
    value = TrimBlanks(value);
    const std::size_t blank = value.find(' ');
    if (blank == std::string_view::npos) {
        return std::nullopt;
    }
    value.remove_prefix(blank + 1);
    amiga::DateStamp date;
    if (!ParseDate(value.substr(0, 20), kDateFormatHttp, &date)) {
        return std::nullopt;
    }
    return date;
}

void ResponseHeader::AddLine(std::string_view line) {
    if (StartsWithNoCase(line, "HTTP")) {
        *this = ResponseHeader{};
        const std::size_t blank = line.find(' ');
        if (blank != std::string_view::npos) {
            const std::string_view code = TrimBlanks(line.substr(blank + 1));
            int value = 0;
            const std::errc error =
                std::from_chars(code.data(), code.data() + code.size(), value).ec;
            status = error == std::errc() ? value : 0;
        }
        return;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        return;
    }
    const std::string_view name = TrimBlanks(line.substr(0, colon));
    const std::string_view value = TrimBlanks(line.substr(colon + 1));
    if (amiga::EqualsNoCase(name, "Content-Length")) {
        std::int64_t length = 0;
        const std::errc error =
            std::from_chars(value.data(), value.data() + value.size(), length).ec;
        if (error == std::errc() && length >= 0) {
            contentLength = length;
        }
    } else if (amiga::EqualsNoCase(name, "Transfer-Encoding")) {
        chunked = FindNoCase(value, "chunked") != std::string_view::npos;
    } else if (amiga::EqualsNoCase(name, "Date")) {
        date = ParseHttpDate(value);
    } else if (amiga::EqualsNoCase(name, "Last-Modified")) {
        lastModified = ParseHttpDate(value);
    } else if (amiga::EqualsNoCase(name, "Location")) {
        location = value;
    } else if (amiga::EqualsNoCase(name, "Content-Disposition")) {
        attachmentName = AttachmentName(value);
    }
}

std::optional<amiga::DateStamp> ResponseHeader::FileDate(const amiga::DateStamp& now) const {
    if (!lastModified) {
        return std::nullopt;
    }
    if (!date) {
        return lastModified;
    }
    const std::int64_t offset = amiga::DateStampToSeconds(now) - amiga::DateStampToSeconds(*date);
    std::int64_t seconds = amiga::DateStampToSeconds(*lastModified) + offset;
    if (seconds < 0) {
        seconds = 0;
    }
    return amiga::DateStampFromSeconds(seconds);
}

}  // namespace stovan
