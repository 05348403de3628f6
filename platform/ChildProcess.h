#pragma once
// Starting a host program and waiting for it: the one launcher every layer
// uses. The child's end can be waited for with a time limit, or watched with
// poll() on readyFd() next to other descriptors; a Child that goes while its
// program still runs kills it and reaps it, so no zombie is ever left.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/DosErrors.h"
#include "platform/Expected.h"
#include "platform/FileDescriptor.h"

namespace amiga {

struct SpawnRequest {
    std::string program;            // host path of the executable
    std::vector<std::string> argv;  // argv[0] included
    std::vector<std::string>
        environment;  // "NAME=value", added to (later wins) this process's environment
    bool cleanEnvironment = false;  // start from an empty environment instead
    std::string workingDirectory;   // "" = inherit
    int in = 0, out = 1, err = 2;   // descriptors that become the child's 0, 1, 2 (-1: /dev/null)
    bool ownProcessGroup =
        false;  // the child leads a new process group; Signal() reaches the whole group
};

// How a child ended: code -1 unless it exited normally, signal 0 unless a
// signal ended it.
struct ExitStatus {
    int code = -1;
    int signal = 0;
};

// A started child process. The child gets exactly the three descriptors of
// the request (every other descriptor is closed in it), an empty signal
// mask, and SIGINT and SIGPIPE at their default actions.
class Child {
  public:
    // ERROR_OBJECT_NOT_FOUND: the program (or the working directory) does not
    // exist; ERROR_NOT_EXECUTABLE: it exists but cannot be run;
    // ERROR_NO_FREE_STORE / ERROR_TASK_TABLE_FULL: the host is out of memory,
    // descriptors or processes.
    static Expected<Child, DosError> Spawn(const SpawnRequest& request);

    Child(Child&& other) noexcept;
    Child& operator=(Child&& other) noexcept;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    // A child still running is killed (SIGKILL, to its group when it leads
    // one) and reaped.
    ~Child();

    pid_t pid() const { return pid_; }
    // A pidfd that polls readable (POLLIN) once the child has ended; -1 on a
    // kernel without pidfds.
    int readyFd() const { return pidfd_.get(); }

    // The exit status if the child has ended (reaping it); never blocks. Once
    // reaped, every call returns the same status.
    std::optional<ExitStatus> TryReap();
    // Blocks until the child ends; a signal to this process does not cut it
    // short.
    ExitStatus Wait();
    // Waits at most limit; none if the child is still running then.
    std::optional<ExitStatus> WaitFor(std::chrono::milliseconds limit);
    // Sends signal to the child, or to its whole group when it leads one.
    // Nothing once the child has been reaped (its pid may belong to another
    // process by then).
    void Signal(int signal);

  private:
    Child(pid_t pid, FileDescriptor pidfd, bool group)
        : pid_(pid), pidfd_(std::move(pidfd)), group_(group) {}
    void Discard();

    pid_t pid_ = -1;
    FileDescriptor pidfd_;
    bool group_ = false;
    std::optional<ExitStatus> status_;
};

}  // namespace amiga
