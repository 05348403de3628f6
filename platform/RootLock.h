#pragma once
// A lock shared by every process that works on one system root: flock() on
// a lock file in the root folder ("<root>/<name>.lock"). Each read, change
// and save of a file the root keeps for Stovan (the preferences, Config.db)
// runs while holding the lock of that file, so two runs at the same time
// never lose one another's change. The wait is bounded: a run that cannot
// get the lock gives up with a message naming the file, instead of hanging
// behind a process that never ends. The kernel drops the lock when its
// holder dies, so a killed run never leaves the root locked.

#include <chrono>
#include <string>

#include "platform/Expected.h"

namespace amiga {

// Exclusive: one holder. Shared: any number of holders at once, none while
// an exclusive one holds the lock.
enum class RootLockMode { Exclusive, Shared };

class RootLock {
  public:
    RootLock() = default;
    ~RootLock();
    RootLock(RootLock&& other) noexcept;
    RootLock& operator=(RootLock&& other) noexcept;
    RootLock(const RootLock&) = delete;
    RootLock& operator=(const RootLock&) = delete;

    bool held() const { return descriptor_ >= 0; }
    // Gives the lock up (the destructor does too).
    void Release();

  private:
    // Opens and takes a lock file: the one way a held RootLock is made.
    friend Expected<RootLock, std::string> Acquire(const std::string&, int,
                                                   std::chrono::milliseconds, bool&);
    explicit RootLock(int descriptor) : descriptor_(descriptor) {}
    int descriptor_ = -1;
};

// How long a run waits for another one before it gives up.
inline constexpr std::chrono::milliseconds kRootLockWait{30000};

// Takes the exclusive lock "<rootFolder>/<name>.lock", creating the file
// when missing, waiting at most `wait`. The error is a message for the
// user: the lock file cannot be made, or another run held it for the whole
// wait.
Expected<RootLock, std::string> LockRoot(const std::string& rootFolder, const std::string& name,
                                         std::chrono::milliseconds wait = kRootLockWait);

// The same lock, exclusive or shared, for a lock held as long as a program
// runs or a look at one: waiting at most `wait` (by default not at all).
// heldElsewhere is set when another process still holds it (the error then
// says so), cleared for any other failure.
Expected<RootLock, std::string> TryLockRoot(const std::string& rootFolder, const std::string& name,
                                            bool& heldElsewhere,
                                            RootLockMode mode = RootLockMode::Exclusive,
                                            std::chrono::milliseconds wait = {});

}  // namespace amiga
