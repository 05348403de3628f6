#include "tests/support/RunProgram.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <tuple>

#include "platform/ChildProcess.h"
#include "tests/support/BuildPaths.h"

extern char** environ;

namespace stovan::test {

namespace {

using amiga::FileDescriptor;

// This process's environment without the dropped names, then the run's own
// settings (the launcher lets a later setting win).
std::vector<std::string> ChildEnvironment(const RunOptions& options) {
    std::vector<std::string> result;
    if (!options.cleanEnvironment) {
        for (char** entry = environ; *entry != nullptr; ++entry) {
            bool drop = false;
            for (const std::string& prefix : options.dropPrefixes) {
                drop = drop || std::strncmp(*entry, prefix.c_str(), prefix.size()) == 0;
            }
            if (!drop) {
                result.emplace_back(*entry);
            }
        }
    }
    result.insert(result.end(), options.environment.begin(), options.environment.end());
    return result;
}

void SetNonBlocking(const FileDescriptor& fd) {
    if (fd.valid()) {
        ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) | O_NONBLOCK);
    }
}

}  // namespace

std::string BuiltProgram(const std::string& name) {
    return std::string(STOVAN_BINARY_DIR) + "/" + name;
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const RunOptions& options) {
    // Writing to a child that has gone must not kill the test; the launcher
    // gives the child the default action back.
    static std::once_flag ignorePipe;
    std::call_once(ignorePipe, [] { ::signal(SIGPIPE, SIG_IGN); });

    ProgramRun run;
    auto in = amiga::CreatePipe();
    auto out = amiga::CreatePipe();
    auto err = amiga::CreatePipe();
    if (!in || !out || !err) {
        return run;
    }
    FileDescriptor outputFile;
    if (!options.outputFile.empty()) {
        outputFile.Reset(
            ::open(options.outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (!outputFile.valid()) {
            return run;
        }
    }

    amiga::SpawnRequest request;
    request.program = program;
    request.argv.push_back(program);
    request.argv.insert(request.argv.end(), arguments.begin(), arguments.end());
    request.environment = ChildEnvironment(options);
    request.cleanEnvironment = true;
    request.workingDirectory = options.workingDirectory;
    request.in = options.inputFd >= 0 ? options.inputFd : in->read.get();
    request.out = outputFile.valid() ? outputFile.get() : out->write.get();
    request.err = options.mergeError ? out->write.get() : err->write.get();
    // Its own process group, so that a time-out also ends what it started.
    request.ownProcessGroup = true;
    auto child = amiga::Child::Spawn(request);
    in->read.Reset();
    out->write.Reset();
    err->write.Reset();
    outputFile.Reset();
    if (!child) {
        return run;
    }
    run.started = true;
    if (options.started) {
        options.started(static_cast<int>(child->pid()));
    }

    FileDescriptor& input = in->write;
    FileDescriptor& output = out->read;
    FileDescriptor& error = err->read;
    if (options.mergeError) {
        error.Reset();
    }
    for (const FileDescriptor* fd : {&input, &output, &error}) {
        SetNonBlocking(*fd);
    }
    std::size_t written = 0;
    if (options.input.empty() || options.inputFd >= 0) {
        input.Reset();
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + options.timeout;
    auto left = [&deadline] {
        return std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    };
    char buffer[65536];
    while (input.valid() || output.valid() || error.valid()) {
        if (left().count() <= 0) {
            run.timedOut = true;
            break;
        }
        pollfd fds[3] = {
            {input.get(), POLLOUT, 0}, {output.get(), POLLIN, 0}, {error.get(), POLLIN, 0}};
        const int ready = ::poll(fds, 3, static_cast<int>(left().count()));
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (input.valid() && fds[0].revents != 0) {
            const ssize_t count = ::write(input.get(), options.input.data() + written,
                                          options.input.size() - written);
            if (count > 0) {
                written += static_cast<std::size_t>(count);
            }
            if ((count < 0 && errno != EAGAIN && errno != EINTR) ||
                written == options.input.size()) {
                input.Reset();
            }
        }
        for (auto [index, fd, text] :
             {std::tuple{1, &output, &run.out}, std::tuple{2, &error, &run.err}}) {
            if (!fd->valid() || fds[index].revents == 0) {
                continue;
            }
            const ssize_t count = ::read(fd->get(), buffer, sizeof buffer);
            if (count > 0) {
                text->append(buffer, static_cast<std::size_t>(count));
            } else if (count == 0 || (errno != EAGAIN && errno != EINTR)) {
                fd->Reset();
            }
        }
    }
    input.Reset();
    output.Reset();
    error.Reset();
    // The child may have closed its output and still be running.
    std::optional<amiga::ExitStatus> status;
    if (!run.timedOut) {
        status = child->WaitFor(std::max(left(), std::chrono::milliseconds(0)));
    }
    if (!status) {
        run.timedOut = true;
        child->Signal(SIGKILL);
        status = child->Wait();
    }
    run.exitCode = status->code;
    run.signal = status->signal;
    return run;
}

}  // namespace stovan::test
