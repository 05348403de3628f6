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

Expected<RootLock, std::string> LockRoot(const std::string& rootFolder, const std::string& name,
                                         std::chrono::milliseconds wait) {
    const std::string path = rootFolder + "/" + name + ".lock";
    const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (descriptor < 0) {
        return Unexpected{"cannot open the lock file " + path + ": " + std::strerror(errno)};
    }
    RootLock lock(descriptor);
    // flock() has no time-out of its own: try without blocking and sleep a
    // little in between, with a short first pause so that quick saves of
    // other runs cost almost nothing.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
            return lock;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return Unexpected{"cannot lock " + path + ": " + std::strerror(errno)};
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return Unexpected{"another run of Stovan kept " + path + " locked for " +
                              std::to_string(wait.count() / 1000) +
                              " s; try again when it has finished"};
        }
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

Expected<RootLock, std::string> TryLockRoot(const std::string& rootFolder, const std::string& name,
                                            bool& heldElsewhere, RootLockMode mode) {
    heldElsewhere = false;
    const std::string path = rootFolder + "/" + name + ".lock";
    const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (descriptor < 0) {
        return Unexpected{"cannot open the lock file " + path + ": " + std::strerror(errno)};
    }
    RootLock lock(descriptor);
    int result = 0;
    do {
        result = ::flock(descriptor, (mode == RootLockMode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        return lock;
    }
    if (errno == EWOULDBLOCK) {
        heldElsewhere = true;
        return Unexpected{"another process holds " + path};
    }
    return Unexpected{"cannot lock " + path + ": " + std::strerror(errno)};
}

}  // namespace amiga
