#pragma once
// A worker: one shell command run as a child "stovan-shell -c LINE" with
// the system root's mount table and run-time assigns (the companion
// command drawer on C:), input NIL:, its current drawer, and its output
// (standard output and error together) read by the event loop and passed
// to a file, to nowhere (NIL:) or to the front end's output view. The
// child has a process group of its own: Ctrl-C on the terminal reaches
// only Stovan, which passes the break on.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/EventLoop.h"
#include "core/Frontend.h"
#include "desktop/Watch.h"
#include "platform/ChildProcess.h"
#include "platform/DosFiles.h"
#include "platform/FileDescriptor.h"
#include "platform/Volumes.h"

namespace stovan {

class Worker {
  public:
    // Starts the command. Not started: msg::NotEnoughMemory when the
    // child cannot be made; a drawer or output that cannot be opened
    // gives a worker that has already ended with return code 20.
    static Result<std::unique_ptr<Worker>> Start(const amiga::DosList& dos,
                                                 const std::string& shellProgram,
                                                 const ShellCommand& command, Frontend& frontend);
    ~Worker();

    bool ended() const { return ended_; }
    // The command's return code once ended (20 when killed by a signal or
    // never run).
    std::int32_t returnCode() const { return rc_; }

    void CollectWatches(Watches& watches);
    // Passes the break on to the command's process group.
    void Interrupt();
    // Kills the process group and reaps the child at once.
    void Kill();

  private:
    Worker(Frontend& frontend) : frontend_(frontend) {}
    void Reap();
    void Drain(bool toEnd);

    Frontend& frontend_;
    std::optional<amiga::Child> child_;
    amiga::FileDescriptor output_;           // the read end of the output pipe
    std::optional<amiga::FileHandle> sink_;  // none: the output view
    bool ended_ = false;
    std::int32_t rc_ = kCommandNotRun;
};

}  // namespace stovan
