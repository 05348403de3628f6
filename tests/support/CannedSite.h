#pragma once
// Seams for the version check against a local site: an event loop that runs
// no command (a read-me's own text gives its version), a front end that
// answers every requester with 0, and a site of canned responses by path.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/EventLoop.h"
#include "core/Frontend.h"
#include "tests/support/HttpTestServer.h"

namespace stovan::test {

// Every command "was not run", after a pause when one is given (a Version
// command that keeps the check busy).
class NoCommandLoop final : public EventLoop {
  public:
    explicit NoCommandLoop(std::chrono::milliseconds pause = {}) : pause_(pause) {}
    Status RunCommand(const ShellCommand& command, std::int32_t& rc) override;
    Status AddPublicPort() override { return Status::Ok(); }
    void RemovePublicPort() override {}

  private:
    std::chrono::milliseconds pause_;
};

// Answers every requester with 0 and leaves all else to Frontend's defaults.
class QuietFrontend final : public Frontend {
  public:
    int Request(std::string_view, std::string_view, std::string_view) override { return 0; }
};

inline constexpr std::string_view kLastModified =
    "Last-Modified: Thu, 05 Nov 2015 10:00:00 GMT\r\n";

// Answers each request with the response of its path, a 404 for any other
// path, after delay(path) when a delay is given; counts how many requests
// are open at once. Proxies are switched off for the process.
class CannedSite {
  public:
    using Delay = std::function<std::chrono::milliseconds(const std::string& path)>;
    explicit CannedSite(std::map<std::string, std::string> responses, Delay delay = {});

    std::string Url(std::string_view path) const { return server_.Url(path); }
    // Answers path with response from now on.
    void Serve(const std::string& path, std::string response);
    // The paths requested so far, in the order they came.
    std::vector<std::string> RequestedPaths() const;
    // The most requests that were open at the same time.
    int widest() const { return widest_.load(); }

  private:
    void Answer(HttpConnection& connection);

    mutable std::mutex mutex_;
    std::map<std::string, std::string> responses_;
    Delay delay_;
    std::atomic<int> open_{0};
    std::atomic<int> widest_{0};
    HttpTestServer server_;
};

}  // namespace stovan::test
