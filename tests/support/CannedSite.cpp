#include "tests/support/CannedSite.h"

#include <thread>

namespace stovan::test {

Status NoCommandLoop::RunCommand(const ShellCommand&, std::int32_t& rc) {
    if (pause_.count() > 0) {
        std::this_thread::sleep_for(pause_);
    }
    rc = kCommandNotRun;
    return Status::Ok();
}

CannedSite::CannedSite(std::map<std::string, std::string> responses, Delay delay)
    : responses_(std::move(responses)),
      delay_(std::move(delay)),
      server_([this](HttpConnection& connection) { Answer(connection); }) {
    DisableProxies();
}

void CannedSite::Answer(HttpConnection& connection) {
    const int open = ++open_;
    int seen = widest_.load();
    while (open > seen && !widest_.compare_exchange_weak(seen, open)) {
    }
    const std::string path = connection.path();
    if (delay_) {
        connection.Stall(delay_(path));
    }
    // Counted as open until the answer goes out: the client cannot start
    // another fetch in its place before that.
    --open_;
    std::string response = HttpResponse("404 Not Found", "not here");
    {
        std::lock_guard lock(mutex_);
        const auto found = responses_.find(path);
        if (found != responses_.end()) {
            response = found->second;
        }
    }
    connection.Send(response);
}

void CannedSite::Serve(const std::string& path, std::string response) {
    std::lock_guard lock(mutex_);
    responses_[path] = std::move(response);
}

std::vector<std::string> CannedSite::RequestedPaths() const {
    std::vector<std::string> paths;
    for (const std::string& request : server_.Requests()) {
        // "GET /path HTTP/1.1"
        const std::size_t start = request.find(' ') + 1;
        paths.push_back(request.substr(start, request.find(' ', start) - start));
    }
    return paths;
}

}  // namespace stovan::test
