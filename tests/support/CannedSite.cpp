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
    const auto found = responses_.find(path);
    connection.Send(found != responses_.end() ? found->second
                                              : HttpResponse("404 Not Found", "not here"));
}

}  // namespace stovan::test
