#include "net/Url.h"

#include <algorithm>

#include "platform/AmigaPath.h"
#include "platform/Latin1.h"
#include "platform/StrToLong.h"

namespace stovan {

UrlParts SplitUrl(std::string_view url) {
    UrlParts parts;
    std::string_view rest = url;
    if (const std::size_t separator = url.find("://"); separator != std::string_view::npos) {
        parts.scheme = url.substr(0, separator);
        rest = url.substr(separator + 3);
    } else {
        parts.scheme = "http";
    }
    parts.secure = amiga::EqualsNoCase(parts.scheme, "https");
    parts.port = parts.secure ? 443 : 80;
    const std::size_t slash = rest.find('/');
    std::string_view host = rest.substr(0, slash);
    parts.path =
        slash == std::string_view::npos ? std::string("/") : std::string(rest.substr(slash));
    // A user name ("user:password@host") is no part of the Host line.
    if (const std::size_t at = host.rfind('@'); at != std::string_view::npos) {
        host = host.substr(at + 1);
    }
    parts.host = host;
    // "[::1]:8080" carries its port after the bracket.
    const std::size_t bracket = host.rfind(']');
    const std::size_t colon = host.find(':', bracket == std::string_view::npos ? 0 : bracket);
    if (colon != std::string_view::npos) {
        std::int32_t port = 0;
        if (amiga::StrToLong(host.substr(colon + 1), port) > 0 && port > 0 && port < 65536) {
            parts.port = static_cast<std::uint32_t>(port);
        }
    }
    return parts;
}

std::string TransferUrl(const UrlParts& parts) {
    std::string url = parts.secure ? "https://" : "http://";
    url += parts.host;
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char c : parts.path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F) {
            url += '%';
            url += kHex[byte >> 4];
            url += kHex[byte & 0x0F];
        } else {
            url += c;
        }
    }
    return url;
}

std::string_view UrlFilePart(std::string_view url) {
    std::size_t start = url.find("://");
    start = start == std::string_view::npos ? 0 : start + 3;
    const std::size_t slash = url.find('/', start);
    if (slash == std::string_view::npos) {
        return {};  // "host" alone: the path is "/"
    }
    return url.substr(url.rfind('/') + 1);
}

std::string SafeFileName(std::string_view serverName) {
    const std::size_t separator = serverName.find_last_of("/:\\");
    if (separator != std::string_view::npos) {
        serverName.remove_prefix(separator + 1);
    }
    std::string name;
    for (const char c : serverName) {
        const auto byte = static_cast<unsigned char>(c);
        const bool control = byte < 0x20 || (byte >= 0x7F && byte < 0xA0);
        if (control || c == '"' || c == '\'' || c == '`' || c == '*') {
            continue;
        }
        if (name.empty() && (c == '.' || c == ' ')) {
            continue;
        }
        name += c;
    }
    if (name.size() > kMaxServerFileName) {
        name.resize(kMaxServerFileName);
    }
    while (!name.empty() && name.back() == ' ') {
        name.pop_back();
    }
    if (name.empty() || !amiga::IsValidName(name)) {
        return std::string(kFallbackFileName);
    }
    return name;
}

}  // namespace stovan
