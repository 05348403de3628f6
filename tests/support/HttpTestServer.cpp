#include "tests/support/HttpTestServer.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "demo/RequestHeader.h"

namespace stovan::test {
namespace {

constexpr std::size_t kMaxRequestHeader = 64 * 1024;
constexpr int kRequestWaitMilliseconds = 5000;

}  // namespace

HttpConnection::HttpConnection(int descriptor, std::string request,
                               const std::atomic<bool>& stopping)
    : descriptor_(descriptor), request_(std::move(request)), stopping_(stopping) {}

std::string HttpConnection::path() const {
    const std::size_t start = request_.find(' ');
    if (start == std::string::npos) {
        return {};
    }
    const std::size_t end = request_.find(' ', start + 1);
    return request_.substr(start + 1, end == std::string::npos ? end : end - start - 1);
}

bool HttpConnection::Send(std::string_view data) {
    while (!data.empty()) {
        const ssize_t sent = ::send(descriptor_, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

bool HttpConnection::SendSplit(std::string_view data, std::mt19937& random, std::size_t maxPiece) {
    std::uniform_int_distribution<std::size_t> piece(1, std::max<std::size_t>(maxPiece, 1));
    std::uniform_int_distribution<int> pause(0, 3);
    while (!data.empty()) {
        const std::size_t size = std::min(piece(random), data.size());
        if (!Send(data.substr(0, size))) {
            return false;
        }
        data.remove_prefix(size);
        if (pause(random) == 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    }
    return true;
}

void HttpConnection::Stall(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (!stopping_.load() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

HttpTestServer::HttpTestServer(HttpHandler handler) : handler_(std::move(handler)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) {
        throw std::runtime_error("test server: no socket");
    }
    const int one = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 256) != 0) {
        ::close(listener_);
        throw std::runtime_error("test server: cannot listen on 127.0.0.1");
    }
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

HttpTestServer::~HttpTestServer() {
    stopping_.store(true);
    acceptor_.join();
    {
        std::lock_guard lock(mutex_);
        for (const int descriptor : open_) {
            ::shutdown(descriptor, SHUT_RDWR);
        }
    }
    ReapFinished(true);
    ::close(listener_);
}

std::string HttpTestServer::Url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<std::string> HttpTestServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void HttpTestServer::AcceptLoop() {
    while (!stopping_.load()) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0) {
            ReapFinished(false);
            continue;
        }
        const int descriptor = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (descriptor < 0) {
            continue;
        }
        const int one = 1;
        ::setsockopt(descriptor, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        auto done = std::make_shared<std::atomic<bool>>(false);
        std::lock_guard lock(mutex_);
        open_.push_back(descriptor);
        workers_.push_back({std::thread([this, descriptor, done] {
                                Serve(descriptor);
                                done->store(true);
                            }),
                            done});
    }
}

void HttpTestServer::ReapFinished(bool all) {
    std::vector<Worker> finished;
    {
        std::lock_guard lock(mutex_);
        auto split = std::partition(workers_.begin(), workers_.end(), [all](const Worker& worker) {
            return !all && !worker.done->load();
        });
        std::move(split, workers_.end(), std::back_inserter(finished));
        workers_.erase(split, workers_.end());
    }
    for (Worker& worker : finished) {
        worker.thread.join();
    }
}

void HttpTestServer::Serve(int descriptor) {
    std::string request;
    if (demo::ReadRequestHeader(descriptor, kMaxRequestHeader,
                                std::chrono::milliseconds(kRequestWaitMilliseconds),
                                request) == demo::HeaderRead::Complete) {
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        HttpConnection connection(descriptor, request, stopping_);
        handler_(connection);
    }
    std::lock_guard lock(mutex_);
    open_.erase(std::remove(open_.begin(), open_.end(), descriptor), open_.end());
    ::shutdown(descriptor, SHUT_WR);
    ::close(descriptor);
}

std::string HttpResponse(std::string_view status, std::string_view body,
                         std::string_view headerLines) {
    std::string response = "HTTP/1.1 " + std::string(status) + "\r\n";
    response += headerLines;
    response += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    response += body;
    return response;
}

void DisableProxies() {
    for (const char* name :
         {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
        ::unsetenv(name);
    }
}

}  // namespace stovan::test
