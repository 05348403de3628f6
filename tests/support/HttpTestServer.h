#pragma once
// A small HTTP server for tests and benchmarks: a thread listening on
// 127.0.0.1 (never another address) on a port the system picks, one thread
// per connection running a scripted handler that can answer whole, in
// random pieces, stall, send a short body or close at any point. The
// request header is read up to 64 KiB, connections are shut down when the
// server goes away, and a stall ends then too, so no test can hang on it.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace stovan::test {

class HttpTestServer;

// One accepted connection, handed to the handler after its request header
// was read.
class HttpConnection {
  public:
    HttpConnection(int descriptor, std::string request, const std::atomic<bool>& stopping);

    // The request header as received, and the path of its request line.
    const std::string& request() const { return request_; }
    std::string path() const;

    // Sends all of data; false when the client went away.
    bool Send(std::string_view data);
    // Sends data in pieces of 1 to maxPiece bytes with a short pause after
    // some of them, so the client receives it in many partial reads.
    bool SendSplit(std::string_view data, std::mt19937& random, std::size_t maxPiece = 64);
    // Sends nothing for a while, or until the server stops.
    void Stall(std::chrono::milliseconds duration);

  private:
    int descriptor_;
    std::string request_;
    const std::atomic<bool>& stopping_;
};

using HttpHandler = std::function<void(HttpConnection& connection)>;

class HttpTestServer {
  public:
    explicit HttpTestServer(HttpHandler handler);
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    std::uint16_t port() const { return port_; }
    // "http://127.0.0.1:PORT" followed by path.
    std::string Url(std::string_view path) const;
    // The request headers received so far, in the order they came.
    std::vector<std::string> Requests() const;

  private:
    void AcceptLoop();
    void Serve(int descriptor);
    void ReapFinished(bool all);

    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    HttpHandler handler_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<int> open_;
    std::vector<Worker> workers_;
    std::thread acceptor_;
};

// A complete response: status line, the given header lines, Content-Length
// and the body.
std::string HttpResponse(std::string_view status, std::string_view body,
                         std::string_view headerLines = {});

// Removes the proxy variables from the environment, so that libcurl talks
// to 127.0.0.1 directly.
void DisableProxies();

}  // namespace stovan::test
