#pragma once
// The one event loop: the program's main loop and the wait of every long
// operation (a worker running a shell command, a download). Each turn it
// serves the front end's input, the companion port (STOVAN.INTERFACE),
// the workers' output and their ends, and the break request: Ctrl-C, the
// front end's abort, a pending relaunch. A wait inside a wait nests: the
// inner loop serves everything the outer one did.
//
// This is the poll() face, used by the command line. A Qt face drives the
// same dispatch (ServeOnce) from a nested QEventLoop with socket notifiers
// on the descriptors of CollectWatches.

#include <poll.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/EventLoop.h"
#include "core/Frontend.h"
#include "core/Log.h"
#include "desktop/PortCommands.h"
#include "desktop/PortServer.h"
#include "desktop/Watch.h"
#include "platform/Volumes.h"

namespace stovan {

class Worker;

// How one turn waits: like poll(2) on the descriptors for at most the
// timeout, filling in revents; the number of ready descriptors, or -1.
using Poller = std::function<int(std::vector<pollfd>& fds, std::chrono::milliseconds timeout)>;

class EventServer final : public EventLoop {
  public:
    // shellProgram: the stovan-shell executable that runs workers' commands.
    EventServer(amiga::DosList& dos, Frontend& frontend, Log& log, std::string shellProgram);
    ~EventServer() override;
    EventServer(const EventServer&) = delete;
    EventServer& operator=(const EventServer&) = delete;

    // ServeEvents with a condition: serves until done() holds (Ok) or a
    // break arrives (msg::ProcessingAborted). Without a condition it is the
    // main loop, which ends (Ok) after Quit(); a Quit() inside a nested wait
    // ends that wait with msg::ProcessingAborted and stays posted for the
    // outer loop.
    Status ServeEvents(const std::function<bool()>& done = {});
    void Quit() { quitRequested_ = true; }
    bool quitRequested() const { return quitRequested_; }

    // The relaunch counter of the application: while it is not 0 every wait
    // ends at once with msg::ProcessingAborted.
    void setRelaunchRequested(const std::uint32_t* counter) { relaunchRequested_ = counter; }
    void setDownloadHandler(DownloadHandler handler) { download_ = std::move(handler); }
    // The wait of every turn: poll() unless a front end waits its own way
    // (the window waits in its toolkit's loop so that it stays drawn).
    void setPoller(Poller poller) { poller_ = std::move(poller); }

    int depth() const { return depth_; }
    PortServer& port() { return port_; }
    std::size_t workerCount() const { return workers_.size(); }

    // --- EventLoop -----------------------------------------------------------
    Status RunCommand(const ShellCommand& command, std::int32_t& rc) override;
    Status AddPublicPort() override { return port_.Open(); }
    void RemovePublicPort() override { port_.Close(); }

    // One turn of the loop: waits at most `timeout` for any source and
    // serves what is ready. Returns msg::ProcessingAborted when a break
    // arrived (breaks count only when `breakable`).
    Status ServeOnce(std::chrono::milliseconds timeout, bool breakable);
    // Every descriptor the loop watches this turn (for the Qt face).
    void CollectWatches(Watches& watches, bool breakable);

  private:
    enum class WaitMode { Normal, WindDown };
    Status Serve(const std::function<bool()>& done, WaitMode mode,
                 std::optional<LoopClock::time_point> deadline);
    bool relaunchPending() const { return relaunchRequested_ && *relaunchRequested_ != 0; }

    amiga::DosList& dos_;
    Frontend& frontend_;
    Log& log_;
    std::string shellProgram_;
    DownloadHandler download_;
    Poller poller_;
    PortServer port_;
    std::map<std::uint64_t, std::unique_ptr<Worker>> workers_;
    std::uint64_t nextWorker_ = 1;
    const std::uint32_t* relaunchRequested_ = nullptr;
    bool quitRequested_ = false;
    bool breakSeen_ = false;
    int depth_ = 0;
};

}  // namespace stovan
