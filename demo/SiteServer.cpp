#include "demo/SiteServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>

#include "demo/RequestHeader.h"

namespace stovan::demo {

namespace {

constexpr std::size_t kMaxRequestHeader = 8192;
constexpr std::size_t kMaxPath = 1024;
constexpr int kWaitMilliseconds = 5000;

bool OrdinaryNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_' || c == '/';
}

// Sends all of data within the time limit; false when the client went away
// or read nothing for too long.
bool SendAll(int descriptor, std::string_view data) {
    while (!data.empty()) {
        pollfd waiting{descriptor, POLLOUT, 0};
        if (::poll(&waiting, 1, kWaitMilliseconds) <= 0) {
            return false;
        }
        const ssize_t sent = ::send(descriptor, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

std::string_view ContentType(std::string_view path) {
    const auto ends = [path](std::string_view suffix) {
        return path.size() >= suffix.size() && path.substr(path.size() - suffix.size()) == suffix;
    };
    if (ends(".html")) {
        return "text/html; charset=iso-8859-1";
    }
    if (ends(".txt") || ends(".readme") || ends(".db")) {
        return "text/plain; charset=iso-8859-1";
    }
    if (ends(".lha")) {
        return "application/x-lha";
    }
    if (ends(".zip")) {
        return "application/zip";
    }
    return "application/octet-stream";
}

std::string Status(std::string_view status, std::string_view text) {
    std::string body = std::string(text) + "\n";
    return "HTTP/1.1 " + std::string(status) +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// An error answer; a client that went away misses it, and the connection
// closes next either way.
void Refuse(int descriptor, std::string_view status, std::string_view text) {
    (void)SendAll(descriptor, Status(status, text));
}

// The body of a response is left out for HEAD.
}  // namespace

std::string SitePathToHost(const std::string& folder, std::string_view requestPath) {
    const std::size_t cut = requestPath.find_first_of("?#");
    if (cut != std::string_view::npos) {
        requestPath = requestPath.substr(0, cut);
    }
    if (requestPath.empty() || requestPath.front() != '/' || requestPath.size() > kMaxPath) {
        return {};
    }
    for (const char c : requestPath) {
        if (!OrdinaryNameCharacter(c)) {
            return {};
        }
    }
    // Every component a plain name: nothing hidden, no way up or around.
    std::size_t start = 1;
    while (start <= requestPath.size()) {
        std::size_t end = requestPath.find('/', start);
        if (end == std::string_view::npos) {
            end = requestPath.size();
        }
        const std::string_view component = requestPath.substr(start, end - start);
        if (component.empty() || component.front() == '.') {
            return {};
        }
        start = end + 1;
    }
    return folder + std::string(requestPath);
}

std::string HttpDate(std::int64_t secondsSinceEpoch) {
    const auto seconds = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm parts{};
    if (::gmtime_r(&seconds, &parts) == nullptr) {
        return {};
    }
    static constexpr std::array<const char*, 7> kDays{"Sun", "Mon", "Tue", "Wed",
                                                      "Thu", "Fri", "Sat"};
    static constexpr std::array<const char*, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT",
                  kDays[static_cast<std::size_t>(parts.tm_wday) % 7], parts.tm_mday,
                  kMonths[static_cast<std::size_t>(parts.tm_mon) % 12], parts.tm_year + 1900,
                  parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

std::unique_ptr<SiteServer> SiteServer::Start(const std::string& hostFolder, std::string& error) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        error = "no socket for the demonstration site";
        return nullptr;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 64) != 0) {
        ::close(listener);
        error = "the demonstration site cannot listen on 127.0.0.1";
        return nullptr;
    }
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    return std::unique_ptr<SiteServer>(
        new SiteServer(hostFolder, listener, ntohs(address.sin_port)));
}

SiteServer::SiteServer(std::string folder, int listener, std::uint16_t port)
    : folder_(std::move(folder)), listener_(listener), port_(port) {
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

SiteServer::~SiteServer() {
    stopping_.store(true);
    acceptor_.join();
    ::close(listener_);
}

void SiteServer::SendFile(int descriptor, const std::string& path, bool head) {
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    struct stat info {};
    if (file < 0 || ::fstat(file, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (file >= 0) {
            ::close(file);
        }
        Refuse(descriptor, "404 Not Found", "not found");
        return;
    }
    std::string header = "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(ContentType(path)) +
                         "\r\nContent-Length: " + std::to_string(info.st_size) +
                         "\r\nLast-Modified: " + HttpDate(info.st_mtim.tv_sec) +
                         "\r\nConnection: close\r\n\r\n";
    bool going = SendAll(descriptor, header);
    std::array<char, 65536> buffer{};
    const std::size_t pace = paceBytes_.load();
    const std::size_t piece = pace == 0 ? buffer.size() : std::min(pace, buffer.size());
    while (going && !head) {
        const ssize_t got = ::read(file, buffer.data(), piece);
        if (got <= 0) {
            break;
        }
        going = SendAll(descriptor, std::string_view(buffer.data(), static_cast<std::size_t>(got)));
        if (pace != 0) {
            // In short naps, so that stopping the server never waits long.
            const auto until = std::chrono::steady_clock::now() +
                               std::chrono::milliseconds(paceMilliseconds_.load());
            while (going && !stopping_.load() && std::chrono::steady_clock::now() < until) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            going = going && !stopping_.load();
        }
    }
    ::close(file);
}

void SiteServer::setPace(std::size_t bytes, std::chrono::milliseconds pause) {
    paceMilliseconds_.store(pause.count());
    paceBytes_.store(bytes);
}

std::string SiteServer::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

void SiteServer::AcceptLoop() {
    while (!stopping_.load()) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0) {
            continue;
        }
        const int descriptor = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (descriptor < 0) {
            continue;
        }
        const int one = 1;
        ::setsockopt(descriptor, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        Serve(descriptor);
        // A graceful end: what the client still sends is read (a little,
        // briefly) so that closing does not reset the connection before
        // the client has read the answer.
        ::shutdown(descriptor, SHUT_WR);
        std::array<char, 4096> rest{};
        for (int round = 0; round < 16; ++round) {
            pollfd waiting{descriptor, POLLIN, 0};
            if (::poll(&waiting, 1, 100) <= 0 ||
                ::recv(descriptor, rest.data(), rest.size(), 0) <= 0) {
                break;
            }
        }
        ::close(descriptor);
    }
}

void SiteServer::Serve(int descriptor) {
    std::string request;
    const HeaderRead read = ReadRequestHeader(
        descriptor, kMaxRequestHeader, std::chrono::milliseconds(kWaitMilliseconds), request);
    if (read == HeaderRead::Ended) {
        return;
    }
    if (read == HeaderRead::TooLarge) {
        Refuse(descriptor, "431 Request Header Fields Too Large", "too large");
        answered_.fetch_add(1);
        return;
    }
    answered_.fetch_add(1);
    // "GET /path HTTP/1.1"
    const std::size_t lineEnd = request.find("\r\n");
    const std::string line = request.substr(0, lineEnd);
    const std::size_t first = line.find(' ');
    const std::size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
    if (second == std::string::npos || line.compare(second + 1, 5, "HTTP/") != 0) {
        Refuse(descriptor, "400 Bad Request", "bad request");
        return;
    }
    const std::string method = line.substr(0, first);
    if (method != "GET" && method != "HEAD") {
        Refuse(descriptor, "405 Method Not Allowed", "GET and HEAD only");
        return;
    }
    const std::string path = SitePathToHost(folder_, line.substr(first + 1, second - first - 1));
    if (path.empty()) {
        Refuse(descriptor, "404 Not Found", "not found");
        return;
    }
    SendFile(descriptor, path, method == "HEAD");
}

}  // namespace stovan::demo
