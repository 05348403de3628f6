#pragma once
// URLs as the transfer reads them, and the file names a server may choose.

#include <cstdint>
#include <string>
#include <string_view>

namespace stovan {

// A URL split the way the transfer splits it: the text before "://" is the
// scheme ("http" when there is none), the host runs to the first "/" after
// it (the path, "/" when there is none) and keeps a ":port" as written.
struct UrlParts {
    std::string scheme;  // as written; only "https" (any case) changes anything
    std::string host;    // with ":port" when one is given, without user name
    std::string path;    // from the first "/", never empty
    std::uint32_t port = 80;
    bool secure = false;  // https://
};

UrlParts SplitUrl(std::string_view url);

// The URL handed to libcurl: "https://" for https, "http://" for every
// other scheme (an "ftp://" URL is fetched over HTTP all the same), the
// host, and the path with blanks and control characters percent-encoded.
std::string TransferUrl(const UrlParts& parts);

// The last part of a URL's path as the server wrote it ("file.lha" of
// "http://host/dir/file.lha"); empty for "http://host/dir/".
std::string_view UrlFilePart(std::string_view url);

// The longest file name a server may give.
inline constexpr std::size_t kMaxServerFileName = 107;
// The name used when a server's name leaves nothing.
inline constexpr std::string_view kFallbackFileName = "download";

// A name chosen by the server (an attachment name, the last part of a URL)
// made a plain file name in the drawer being fetched into: only the part
// after the last "/", ":" or "\\"; no quotes, backticks, "*" or control
// characters; no leading "."; at most 107 characters; "download" when
// nothing is left. The result names no file outside the drawer and can
// stand in a script as {ARCHIVE}.
std::string SafeFileName(std::string_view serverName);

}  // namespace stovan
