#include "desktop/ServeEvents.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

#include "core/MessageIds.h"
#include "desktop/Interrupt.h"
#include "desktop/Worker.h"
#include "platform/SystemRoot.h"

namespace stovan {

namespace {

// How long a command may take to end after the break was passed on before
// it is killed.
constexpr std::chrono::milliseconds kWindDown{3000};
// The longest single poll: the front end without a descriptor of its own is
// asked for input at least this often.
constexpr std::chrono::milliseconds kLongestTurn{100};

// Decrements the loop depth on every return.
class DepthGuard {
  public:
    explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
    ~DepthGuard() { --depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

  private:
    int& depth_;
};

}  // namespace

EventServer::EventServer(amiga::DosList& dos, Frontend& frontend, Log& log,
                         std::string shellProgram)
    : dos_(dos),
      frontend_(frontend),
      log_(log),
      shellProgram_(std::move(shellProgram)),
      port_(amiga::PortsFolder(dos), [this](const amiga::PortMessage& message) {
          PortCommandTargets targets{frontend_, log_, download_};
          return HandlePortCommand(message, targets);
      }) {
    // A break from before this loop existed belongs to nothing that runs now.
    (void)TakeInterrupts();
}

EventServer::~EventServer() = default;

void EventServer::CollectWatches(Watches& watches, bool breakable) {
    if (breakable && InterruptDescriptor() >= 0) {
        watches.push_back({InterruptDescriptor(), POLLIN, [this](short) {
                               if (TakeInterrupts()) {
                                   breakSeen_ = true;
                               }
                           }});
    }
    if (frontend_.inputDescriptor() >= 0) {
        watches.push_back({frontend_.inputDescriptor(), POLLIN, [this](short) {
                               if (frontend_.ProcessInput() == msg::ProcessingAborted) {
                                   breakSeen_ = true;
                               }
                           }});
    }
    port_.CollectWatches(watches);
    for (auto& [id, worker] : workers_) {
        worker->CollectWatches(watches);
    }
}

Status EventServer::ServeOnce(std::chrono::milliseconds timeout, bool breakable) {
    breakSeen_ = false;
    if (frontend_.inputDescriptor() < 0 && frontend_.ProcessInput() == msg::ProcessingAborted) {
        breakSeen_ = true;
    }
    const LoopClock::time_point now = LoopClock::now();
    if (auto deadline = port_.ExpireConnections(now)) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - now);
        timeout = std::min(timeout, std::max(left, std::chrono::milliseconds(0)));
    }
    if (breakSeen_ && breakable) {
        return Status(msg::ProcessingAborted);
    }
    Watches watches;
    CollectWatches(watches, breakable);
    std::vector<pollfd> fds;
    fds.reserve(watches.size());
    for (const Watch& watch : watches) {
        fds.push_back({watch.fd, watch.events, 0});
    }
    const int ready = poller_ ? poller_(fds, timeout)
                              : ::poll(fds.data(), fds.size(), static_cast<int>(timeout.count()));
    if (ready > 0) {
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].revents != 0) {
                // A nested loop inside a callback (a port handler waiting
                // for a download) serves the other sources itself; what it
                // took is simply not ready any more here.
                watches[i].ready(fds[i].revents);
            }
        }
    } else if (ready < 0 && errno != EINTR) {
        // Nothing sensible to wait on; do not spin.
        ::poll(nullptr, 0, static_cast<int>(timeout.count()));
    }
    if (breakSeen_ && breakable) {
        breakSeen_ = false;
        return Status(msg::ProcessingAborted);
    }
    return Status::Ok();
}

Status EventServer::Serve(const std::function<bool()>& done, WaitMode mode,
                          std::optional<LoopClock::time_point> deadline) {
    DepthGuard guard(depth_);
    const bool mainLoop = !done;
    while (true) {
        if (mode == WaitMode::Normal) {
            if (relaunchPending()) {
                return Status(msg::ProcessingAborted);
            }
            if (quitRequested_) {
                // The quit stays posted for the outer loop.
                return mainLoop && depth_ == 1 ? Status::Ok() : Status(msg::ProcessingAborted);
            }
        }
        if (done && done()) {
            return Status::Ok();
        }
        std::chrono::milliseconds timeout = kLongestTurn;
        if (deadline) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(*deadline - LoopClock::now());
            if (left.count() <= 0) {
                return Status(msg::ProcessingAborted);
            }
            timeout = std::min(timeout, left);
        }
        if (const Status turn = ServeOnce(timeout, true); !turn.ok()) {
            if (mode == WaitMode::Normal) {
                return turn;
            }
            // A second break while a command winds down: no more waiting.
            return turn;
        }
    }
}

Status EventServer::ServeEvents(const std::function<bool()>& done) {
    return Serve(done, WaitMode::Normal, std::nullopt);
}

Status EventServer::RunCommand(const ShellCommand& command, std::int32_t& rc) {
    rc = kCommandNotRun;
    auto started = Worker::Start(dos_, shellProgram_, command, frontend_);
    if (!started) {
        return Status(started.error());
    }
    const std::uint64_t id = nextWorker_++;
    Worker& worker = **started;
    workers_.emplace(id, std::move(*started));
    Status result = Serve([&worker] { return worker.ended(); }, WaitMode::Normal, std::nullopt);
    if (!result.ok()) {
        // Aborted: pass the break on and keep serving (a companion command
        // of the script waits for its reply) until the command has ended;
        // one that does not end in time, or a second break, kills it.
        worker.Interrupt();
        const Status windDown = Serve([&worker] { return worker.ended(); }, WaitMode::WindDown,
                                      LoopClock::now() + kWindDown);
        if (!windDown.ok() || !worker.ended()) {
            worker.Kill();
        }
    }
    rc = worker.returnCode();
    workers_.erase(id);
    return result;
}

}  // namespace stovan
