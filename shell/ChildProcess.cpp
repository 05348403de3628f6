#include "shell/ChildProcess.h"

#include <chrono>
#include <csignal>

#include "platform/ChildProcess.h"
#include "shell/Break.h"

namespace amiga {

namespace {

// How often a break is looked for while a program runs; the program's end
// itself wakes the wait at once.
constexpr std::chrono::milliseconds kBreakCheck(50);

}  // namespace

int RunChild(const ChildRequest& request, DosError& result2) {
    SpawnRequest spawn;
    spawn.program = request.hostPath;
    spawn.argv = request.argv;
    spawn.environment = request.environment;
    spawn.workingDirectory = request.workingDirectory;
    spawn.in = request.io.in;
    spawn.out = request.io.out;
    spawn.err = request.io.err;
    auto child = Child::Spawn(spawn);
    if (!child) {
        result2 = child.error();
        return RETURN_FAIL;
    }
    bool forwarded = false;
    std::optional<ExitStatus> status;
    while (!(status = child->WaitFor(kBreakCheck))) {
        if (BreakRequested() && !forwarded) {
            child->Signal(SIGINT);
            forwarded = true;
        }
    }
    if (status->code >= 0) {
        return status->code;
    }
    if (status->signal == SIGINT) {
        SignalBreak();
        result2 = ERROR_BREAK;
    }
    return RETURN_FAIL;
}

}  // namespace amiga
