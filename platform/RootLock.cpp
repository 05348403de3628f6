#include "platform/RootLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

namespace amiga {

RootLock::~RootLock() {
    Release();
}

RootLock::RootLock(RootLock&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}

RootLock& RootLock::operator=(RootLock&& other) noexcept {
    if (this != &other) {
        Release();
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

void RootLock::Release() {
    if (descriptor_ >= 0) {
        // Closing the only descriptor of the open file drops the flock.
        ::close(descriptor_);
        descriptor_ = -1;
    }
}

// Opens the lock file at path (made when missing) and takes it with
// operation (LOCK_EX or LOCK_SH). flock() has no time-out of its own: it is
// tried without blocking, with pauses in between, for at most `wait`; the
// first pause is short so that quick saves of other runs cost almost
// nothing. heldElsewhere is set when another process still held the lock
// at the end.
Expected<RootLock, std::string> Acquire(const std::string& path, int operation,
                                        std::chrono::milliseconds wait, bool& heldElsewhere) {
    heldElsewhere = false;
    const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (descriptor < 0) {
        return Unexpected{"cannot open the lock file " + path + ": " + std::strerror(errno)};
    }
    RootLock lock(descriptor);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        if (::flock(descriptor, operation | LOCK_NB) == 0) {
            return lock;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EWOULDBLOCK) {
            return Unexpected{"cannot lock " + path + ": " + std::strerror(errno)};
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            heldElsewhere = true;
            return Unexpected{"another process holds " + path};
        }
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

namespace {

std::string LockPath(const std::string& rootFolder, const std::string& name) {
    return rootFolder + "/" + name + ".lock";
}

}  // namespace

Expected<RootLock, std::string> LockRoot(const std::string& rootFolder, const std::string& name,
                                         std::chrono::milliseconds wait) {
    const std::string path = LockPath(rootFolder, name);
    bool held = false;
    auto lock = Acquire(path, LOCK_EX, wait, held);
    if (!lock && held) {
        return Unexpected{"another run of Stovan kept " + path + " locked for " +
                          std::to_string(wait.count() / 1000) +
                          " s; try again when it has finished"};
    }
    return lock;
}

Expected<RootLock, std::string> TryLockRoot(const std::string& rootFolder, const std::string& name,
                                            bool& heldElsewhere, RootLockMode mode,
                                            std::chrono::milliseconds wait) {
    return Acquire(LockPath(rootFolder, name), mode == RootLockMode::Shared ? LOCK_SH : LOCK_EX,
                   wait, heldElsewhere);
}

}  // namespace amiga
