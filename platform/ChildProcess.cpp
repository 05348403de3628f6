#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <string_view>
#include <thread>
#include <unordered_map>

extern char** environ;

namespace amiga {

namespace {

// This process's environment (unless clean) with the request's settings on
// top: a later setting of a name replaces the earlier one in its place.
std::vector<std::string> ChildEnvironment(const SpawnRequest& request) {
    std::vector<std::string> entries;
    std::unordered_map<std::string, std::size_t> position;
    auto add = [&](std::string_view entry) {
        std::string name(entry.substr(0, entry.find('=')));
        auto [it, inserted] = position.try_emplace(std::move(name), entries.size());
        if (inserted) {
            entries.emplace_back(entry);
        } else {
            entries[it->second] = std::string(entry);
        }
    };
    if (!request.cleanEnvironment) {
        for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
            add(*entry);
        }
    }
    for (const std::string& entry : request.environment) {
        add(entry);
    }
    return entries;
}

std::vector<char*> PointerList(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    pointers.reserve(texts.size() + 1);
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

DosError SpawnError(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return ERROR_OBJECT_NOT_FOUND;
        case ENOMEM:
        case EMFILE:
        case ENFILE:
            return ERROR_NO_FREE_STORE;
        case EAGAIN:
            return ERROR_TASK_TABLE_FULL;
        default:
            return ERROR_NOT_EXECUTABLE;
    }
}

ExitStatus StatusFromWait(int status) {
    ExitStatus result;
    if (WIFEXITED(status)) {
        result.code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

// The spawn attributes and file actions, released however Spawn leaves.
struct SpawnSetup {
    posix_spawn_file_actions_t actions{};
    posix_spawnattr_t attributes{};
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

}  // namespace

Expected<Child, DosError> Child::Spawn(const SpawnRequest& request) {
    if (request.argv.empty()) {
        return Unexpected{ERROR_REQUIRED_ARG_MISSING};
    }
    // The three sources are first copied above 2: dup2 one by one onto 0..2
    // would otherwise overwrite a source that is itself 0..2 before it is
    // used (out = 0 with in = 1, say). The copies are close-on-exec; dup2
    // gives the targets without that flag.
    SpawnSetup setup;
    const std::array<int, 3> sources{request.in, request.out, request.err};
    std::array<FileDescriptor, 3> copies;
    for (int target = 0; target < 3; ++target) {
        const int source = sources[static_cast<std::size_t>(target)];
        if (source < 0) {
            posix_spawn_file_actions_addopen(&setup.actions, target, "/dev/null", O_RDWR, 0);
            continue;
        }
        FileDescriptor copy(::fcntl(source, F_DUPFD_CLOEXEC, 3));
        if (!copy.valid()) {
            return Unexpected{errno == EBADF ? ERROR_INVALID_LOCK : SpawnError(errno)};
        }
        posix_spawn_file_actions_adddup2(&setup.actions, copy.get(), target);
        copies[static_cast<std::size_t>(target)] = std::move(copy);
    }
    // Only 0..2 reach the program, even from a descriptor someone opened
    // without close-on-exec.
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3);
    if (!request.workingDirectory.empty()) {
        posix_spawn_file_actions_addchdir_np(&setup.actions, request.workingDirectory.c_str());
    }
    // A handled signal is reset by exec anyway; an ignored one would stay
    // ignored in the child, and a shell ignoring SIGINT while it waits must
    // not make its programs unbreakable.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGPIPE);
    sigset_t noMask;
    sigemptyset(&noMask);
    posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    posix_spawnattr_setsigmask(&setup.attributes, &noMask);
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    if (request.ownProcessGroup) {
        posix_spawnattr_setpgroup(&setup.attributes, 0);
        flags |= POSIX_SPAWN_SETPGROUP;
    }
    posix_spawnattr_setflags(&setup.attributes, flags);

    std::vector<std::string> arguments = request.argv;
    std::vector<std::string> environment = ChildEnvironment(request);
    std::vector<char*> argv = PointerList(arguments);
    std::vector<char*> envp = PointerList(environment);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, request.program.c_str(), &setup.actions,
                                      &setup.attributes, argv.data(), envp.data());
    if (spawned != 0) {
        return Unexpected{SpawnError(spawned)};
    }
    // The pid is ours until it is reaped, so the pidfd is for this child
    // even if it has already ended.
    FileDescriptor pidfd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    if (!pidfd.valid() && errno != ENOSYS) {
        const int error = errno;
        Child unwatched(pid, FileDescriptor(), request.ownProcessGroup);
        unwatched.Discard();
        return Unexpected{SpawnError(error)};
    }
    if (pidfd.valid()) {
        ::fcntl(pidfd.get(), F_SETFD, FD_CLOEXEC);
    }
    return Child(pid, std::move(pidfd), request.ownProcessGroup);
}

Child::Child(Child&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      pidfd_(std::move(other.pidfd_)),
      group_(other.group_),
      status_(std::exchange(other.status_, std::nullopt)) {}

Child& Child::operator=(Child&& other) noexcept {
    if (this != &other) {
        Discard();
        pid_ = std::exchange(other.pid_, -1);
        pidfd_ = std::move(other.pidfd_);
        group_ = other.group_;
        status_ = std::exchange(other.status_, std::nullopt);
    }
    return *this;
}

Child::~Child() {
    Discard();
}

void Child::Discard() {
    if (pid_ > 0 && !TryReap()) {
        Signal(SIGKILL);
        Wait();
    }
    pid_ = -1;
    pidfd_.Reset();
    status_.reset();
}

std::optional<ExitStatus> Child::TryReap() {
    if (status_ || pid_ <= 0) {
        return status_;
    }
    int status = 0;
    pid_t done = -1;
    do {
        done = ::waitpid(pid_, &status, WNOHANG);
    } while (done < 0 && errno == EINTR);
    if (done == pid_) {
        status_ = StatusFromWait(status);
    } else if (done < 0) {
        // ECHILD: someone else reaped it (SIGCHLD ignored, a waitpid(-1)).
        // It has ended; how is lost.
        status_ = ExitStatus{};
    }
    return status_;
}

ExitStatus Child::Wait() {
    if (status_ || pid_ <= 0) {
        return status_.value_or(ExitStatus{});
    }
    int status = 0;
    pid_t done = -1;
    do {
        done = ::waitpid(pid_, &status, 0);
    } while (done < 0 && errno == EINTR);
    status_ = done == pid_ ? StatusFromWait(status) : ExitStatus{};
    return *status_;
}

std::optional<ExitStatus> Child::WaitFor(std::chrono::milliseconds limit) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::max(limit, std::chrono::milliseconds(0));
    // Without a pidfd (kernels before 5.3) the only way is to look again now
    // and then; the pause grows so a long wait costs little.
    std::chrono::milliseconds pause(1);
    for (;;) {
        if (auto status = TryReap()) {
            return status;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return std::nullopt;
        }
        if (!pidfd_.valid()) {
            std::this_thread::sleep_for(std::min(pause, left));
            pause = std::min(pause * 2, std::chrono::milliseconds(50));
            continue;
        }
        pollfd watch{pidfd_.get(), POLLIN, 0};
        const int timeout = static_cast<int>(std::min<long long>(left.count(), 1 << 30));
        const int ready = ::poll(&watch, 1, timeout);
        if (ready < 0 && errno != EINTR) {
            return TryReap();
        }
        // Readable, a signal or the time is up: the loop head decides.
    }
}

void Child::Signal(int signal) {
    if (pid_ <= 0 || status_) {
        return;
    }
    if (group_) {
        ::kill(-pid_, signal);
    } else {
        ::kill(pid_, signal);
    }
}

}  // namespace amiga
