#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/RootLock.h"
#include "tests/support/TempRoot.h"

namespace amiga {
namespace {

using namespace std::chrono_literals;
using stovan::test::TempRoot;

TEST(RootLock, OneHolderAtATimeWithABoundedWait) {
    TempRoot root;
    auto first = LockRoot(root.root(), "Configuration", 1000ms);
    ASSERT_TRUE(first) << first.error();
    EXPECT_TRUE(first->held());

    // A second taker gives up after its wait, naming the file.
    const auto start = std::chrono::steady_clock::now();
    auto second = LockRoot(root.root(), "Configuration", 200ms);
    ASSERT_FALSE(second);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
    EXPECT_NE(second.error().find(root.root() + "/Configuration.lock"), std::string::npos)
        << second.error();
    EXPECT_NE(second.error().find("locked"), std::string::npos) << second.error();

    // Another name is another lock.
    EXPECT_TRUE(LockRoot(root.root(), "Preferences", 0ms));

    // A waiter gets the lock as soon as the holder gives it up.
    std::thread releaser([&first] {
        std::this_thread::sleep_for(50ms);
        first->Release();
    });
    auto waited = LockRoot(root.root(), "Configuration", 5000ms);
    releaser.join();
    EXPECT_TRUE(waited) << (waited ? "" : waited.error());

    // A root folder that is not there: a message, no wait.
    auto nowhere = LockRoot(root.folder() + "/missing", "Configuration", 0ms);
    ASSERT_FALSE(nowhere);
    EXPECT_NE(nowhere.error().find("cannot open the lock file"), std::string::npos);
}

// Commands look at the running lock shared, all at once; only a running
// program's exclusive hold refuses them, and a look in progress refuses it.
TEST(RootLock, SharedLooksCoexistAndExcludeTheExclusiveHolder) {
    TempRoot root;
    bool held = false;
    auto look = TryLockRoot(root.root(), "Running", held, RootLockMode::Shared);
    ASSERT_TRUE(look) << look.error();
    auto second = TryLockRoot(root.root(), "Running", held, RootLockMode::Shared);
    EXPECT_TRUE(second) << second.error();
    EXPECT_FALSE(TryLockRoot(root.root(), "Running", held));
    EXPECT_TRUE(held);
    look->Release();
    second->Release();
    auto running = TryLockRoot(root.root(), "Running", held);
    ASSERT_TRUE(running) << running.error();
    EXPECT_FALSE(TryLockRoot(root.root(), "Running", held, RootLockMode::Shared));
    EXPECT_TRUE(held);
}

TEST(RootLock, AKilledHolderLeavesNoLockBehind) {
    TempRoot root;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto held = LockRoot(root.root(), "Configuration", 1000ms);
        const char byte = held ? 'y' : 'n';
        (void)!::write(ready[1], &byte, 1);
        ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(byte, 'y');
    EXPECT_FALSE(LockRoot(root.root(), "Configuration", 0ms));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(LockRoot(root.root(), "Configuration", 0ms));
}

}  // namespace
}  // namespace amiga
