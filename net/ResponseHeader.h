#pragma once
// What the transfer learns from a response's header lines. Header names are
// matched without regard to case (RFC 9110 5.1).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/DateStamp.h"

namespace stovan {

struct ResponseHeader {
    int status = 0;                                // 0 until the status line came
    std::optional<std::int64_t> contentLength;     // Content-Length
    bool chunked = false;                          // Transfer-Encoding: chunked
    std::optional<amiga::DateStamp> date;          // Date
    std::optional<amiga::DateStamp> lastModified;  // Last-Modified
    std::string location;                          // Location
    std::string attachmentName;                    // Content-Disposition: attachment; filename=

    // Takes one header line (with or without its line end). A status line
    // ("HTTP/1.1 302 Found") starts a new response and forgets the fields of
    // the one before it (a "100 Continue" or an earlier answer).
    void AddLine(std::string_view line);

    // The date the fetched file gets: Last-Modified, moved by the server's
    // clock offset when the server sent its Date (now - Date), so a server
    // clock one hour ahead gives Last-Modified minus one hour. Nothing
    // without Last-Modified.
    std::optional<amiga::DateStamp> FileDate(const amiga::DateStamp& now) const;
};

// Reads an HTTP date value as the transfer does: skips blanks and the
// weekday word, then reads "DD Mon YYYY HH:MM:SS" (the 20 characters that
// follow). Nothing when they do not form a valid date.
std::optional<amiga::DateStamp> ParseHttpDate(std::string_view value);

}  // namespace stovan
