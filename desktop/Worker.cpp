#include "desktop/Worker.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "core/MessageIds.h"
#include "platform/Locks.h"

namespace stovan {

namespace {

// What one read of the output pipe takes.
constexpr std::size_t kOutputChunk = 16384;

}  // namespace

Result<std::unique_ptr<Worker>> Worker::Start(const amiga::DosList& dos,
                                              const std::string& shellProgram,
                                              const ShellCommand& command, Frontend& frontend) {
    std::unique_ptr<Worker> worker(new Worker(frontend));
    // The files first: a command whose drawer or output cannot be opened is
    // not run, and its return code stays 20.
    if (!command.currentDrawer.empty()) {
        auto drawer = amiga::Lock(dos, command.currentDrawer);
        if (!drawer || !drawer->drawer) {
            worker->ended_ = true;
            return worker;
        }
    }
    if (command.output != kOutputView) {
        auto sink = amiga::FileHandle::Open(dos, command.output, amiga::OpenMode::NewFile);
        if (!sink) {
            worker->ended_ = true;
            return worker;
        }
        worker->sink_.emplace(std::move(*sink));
    }
    auto pipe = amiga::CreatePipe();
    if (!pipe) {
        return Failure(msg::NotEnoughMemory);
    }
    amiga::FileDescriptor readEnd = std::move(pipe->read);
    amiga::FileDescriptor writeEnd = std::move(pipe->write);

    amiga::SpawnRequest request;
    request.program = shellProgram;
    request.argv = {shellProgram, "--root", dos.rootFolder(), "--input", "NIL:"};
    if (!command.currentDrawer.empty()) {
        request.argv.push_back("--dir");
        request.argv.push_back(command.currentDrawer);
    }
    request.argv.push_back("-c");
    request.argv.push_back(command.commandLine);
    for (const auto& [name, value] : dos.ChildEnvironment()) {
        request.environment.push_back(name + "=" + value);
    }
    request.in = -1;  // NIL:
    request.out = writeEnd.get();
    request.err = writeEnd.get();
    request.ownProcessGroup = true;
    auto child = amiga::Child::Spawn(request);
    if (!child) {
        return Failure(msg::NotEnoughMemory);
    }
    worker->child_.emplace(std::move(*child));
    // Only the child writes now: the pipe ends when it (and its own
    // children) are done with it.
    writeEnd.Reset();
    ::fcntl(readEnd.get(), F_SETFL, O_NONBLOCK);
    worker->output_ = std::move(readEnd);
    return worker;
}

Worker::~Worker() {
    if (child_ && !ended_) {
        Kill();
    }
}

void Worker::CollectWatches(Watches& watches) {
    if (output_.valid()) {
        watches.push_back({output_.get(), POLLIN, [this](short) { Drain(false); }});
    }
    if (child_ && !ended_) {
        watches.push_back({child_->readyFd(), POLLIN, [this](short) { Reap(); }});
    }
}

void Worker::Drain(bool toEnd) {
    char buffer[kOutputChunk];
    // A turn takes what one read gives, so a chatty command cannot starve
    // the port; at the end everything left is taken.
    do {
        if (!output_.valid()) {
            return;
        }
        const ssize_t got = ::read(output_.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
                output_.Reset();
            }
            return;
        }
        const std::string_view bytes(buffer, static_cast<std::size_t>(got));
        if (sink_) {
            // A full disk loses output, not the run: the command goes on.
            (void)sink_->Write(bytes);
        } else {
            frontend_.ShowOutput(bytes);
        }
    } while (toEnd);
}

void Worker::Reap() {
    if (!child_ || ended_) {
        return;
    }
    auto status = child_->TryReap();
    if (!status) {
        return;
    }
    ended_ = true;
    rc_ = status->code >= 0 ? status->code : kCommandNotRun;
    // What a grandchild still holds open is not waited for.
    Drain(true);
    output_.Reset();
    if (sink_) {
        (void)sink_->Close();  // as in Drain: a full disk loses output, not the run
        sink_.reset();
    }
}

void Worker::Interrupt() {
    if (child_ && !ended_) {
        child_->Signal(SIGINT);
    }
}

void Worker::Kill() {
    if (!child_ || ended_) {
        return;
    }
    child_->Signal(SIGKILL);
    (void)child_->Wait();  // killed: its code is kCommandNotRun, whatever the wait says
    ended_ = true;
    rc_ = kCommandNotRun;
    output_.Reset();
    sink_.reset();
}

}  // namespace stovan
