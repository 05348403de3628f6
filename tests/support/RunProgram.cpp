#include "tests/support/RunProgram.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <tuple>

extern char** environ;

namespace stovan::test {

namespace {

// Closes a descriptor once; -1 marks it closed.
void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

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
    // A later setting of a name replaces the earlier one.
    for (const std::string& setting : options.environment) {
        const std::string name = setting.substr(0, setting.find('=') + 1);
        std::erase_if(result, [&name](const std::string& existing) {
            return existing.compare(0, name.size(), name) == 0;
        });
        result.push_back(setting);
    }
    return result;
}

std::vector<char*> PointerList(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

std::string BuiltProgram(const std::string& name) {
    return std::string(STOVAN_BINARY_DIR) + "/" + name;
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const RunOptions& options) {
    // Writing to a child that has gone must not kill the test; the child
    // itself gets the default action back below.
    static std::once_flag ignorePipe;
    std::call_once(ignorePipe, [] { ::signal(SIGPIPE, SIG_IGN); });

    ProgramRun run;
    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
        (!options.mergeError && ::pipe2(err, O_CLOEXEC) != 0)) {
        for (int* fd : {&in[0], &in[1], &out[0], &out[1], &err[0], &err[1]}) {
            CloseFd(*fd);
        }
        return run;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    if (options.outputFile.empty()) {
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, options.outputFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    posix_spawn_file_actions_adddup2(&actions, options.mergeError ? out[1] : err[1], 2);
    if (!options.workingDirectory.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, options.workingDirectory.c_str());
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigset_t noMask;
    sigemptyset(&noMask);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &noMask);
    // Its own process group, so that a time-out also ends what it started.
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(
        &attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);

    std::vector<std::string> argumentTexts{program};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environmentTexts = ChildEnvironment(options);
    std::vector<char*> argv = PointerList(argumentTexts);
    std::vector<char*> envp = PointerList(environmentTexts);

    pid_t child = -1;
    const int spawned =
        ::posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    CloseFd(in[0]);
    CloseFd(out[1]);
    CloseFd(err[1]);
    if (spawned != 0) {
        for (int* fd : {&in[1], &out[0], &err[0]}) {
            CloseFd(*fd);
        }
        return run;
    }
    run.started = true;

    for (int fd : {in[1], out[0], err[0]}) {
        if (fd >= 0) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        }
    }
    std::size_t written = 0;
    if (options.input.empty()) {
        CloseFd(in[1]);
    }
    const auto deadline = std::chrono::steady_clock::now() + options.timeout;
    char buffer[65536];
    while (in[1] >= 0 || out[0] >= 0 || err[0] >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            run.timedOut = true;
            ::kill(-child, SIGKILL);
            break;
        }
        pollfd fds[3] = {{in[1], POLLOUT, 0}, {out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
        const int ready = ::poll(fds, 3, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (in[1] >= 0 && fds[0].revents != 0) {
            const ssize_t count =
                ::write(in[1], options.input.data() + written, options.input.size() - written);
            if (count > 0) {
                written += static_cast<std::size_t>(count);
            }
            if ((count < 0 && errno != EAGAIN && errno != EINTR) ||
                written == options.input.size()) {
                CloseFd(in[1]);
            }
        }
        for (auto [index, fd, text] :
             {std::tuple{1, &out[0], &run.out}, std::tuple{2, &err[0], &run.err}}) {
            if (*fd < 0 || fds[index].revents == 0) {
                continue;
            }
            const ssize_t count = ::read(*fd, buffer, sizeof buffer);
            if (count > 0) {
                text->append(buffer, static_cast<std::size_t>(count));
            } else if (count == 0 || (errno != EAGAIN && errno != EINTR)) {
                CloseFd(*fd);
            }
        }
    }
    for (int* fd : {&in[1], &out[0], &err[0]}) {
        CloseFd(*fd);
    }
    // The child may have closed its output and still be running.
    int status = 0;
    for (;;) {
        const pid_t ended = ::waitpid(child, &status, run.timedOut ? 0 : WNOHANG);
        if (ended == child || (ended < 0 && errno != EINTR)) {
            break;
        }
        if (ended == 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                run.timedOut = true;
                ::kill(-child, SIGKILL);
            } else {
                ::usleep(2000);
            }
        }
    }
    if (WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        run.signal = WTERMSIG(status);
    }
    return run;
}

}  // namespace stovan::test
