#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "platform/ChildProcess.h"
#include "tests/support/TempRoot.h"

namespace amiga {
namespace {

using namespace std::chrono_literals;
using stovan::test::TempRoot;
using stovan::test::WriteHostFile;

SpawnRequest Shell(const std::string& script) {
    SpawnRequest request;
    request.program = "/bin/sh";
    request.argv = {"sh", "-c", script};
    return request;
}

// Runs request with standard output (and with mergeError, standard error)
// into a pipe; the output and the status.
std::pair<std::string, ExitStatus> Capture(SpawnRequest request, bool mergeError = false) {
    auto pipe = CreatePipe();
    if (!pipe) {
        ADD_FAILURE() << "pipe";
        return {};
    }
    request.out = pipe->write.get();
    if (mergeError) {
        request.err = request.out;
    }
    auto child = Child::Spawn(request);
    pipe->write.Reset();
    if (!child) {
        ADD_FAILURE() << "spawn failed: " << child.error();
        return {};
    }
    std::string output = ReadAll(pipe->read.get(), 1 << 20).value_or("<read error>");
    return {output, child->Wait()};
}

// True when the read end sees end of file within limit: every holder of
// the write end (the child and whatever it started) has gone.
bool ClosesWithin(int fd, std::chrono::milliseconds limit) {
    pollfd watch{fd, POLLIN, 0};
    if (::poll(&watch, 1, static_cast<int>(limit.count())) <= 0) {
        return false;
    }
    char byte = 0;
    return ::read(fd, &byte, 1) == 0;
}

TEST(ChildProcess, PassesEnvironmentDescriptorsAndDrawer) {
    TempRoot temp;
    struct Row {
        const char* name;
        SpawnRequest request;
        std::string output;
        bool mergeError = false;
    } rows[] = {
        {"added variable", Shell("echo \"$STOVAN_CHILD_TEST\""), "set\n"},
        {"later setting wins", Shell("echo \"$STOVAN_CHILD_TEST\""), "second\n"},
        {"clean environment", SpawnRequest{}, "ONLY=1\n"},
        {"working directory", Shell("pwd"), temp.folder() + "\n"},
        {"error stream onto output", Shell("echo oops >&2"), "oops\n", true},
    };
    rows[0].request.environment = {"STOVAN_CHILD_TEST=set"};
    rows[1].request.environment = {"STOVAN_CHILD_TEST=first", "STOVAN_CHILD_TEST=second"};
    rows[2].request.program = "/usr/bin/env";
    rows[2].request.argv = {"env"};
    rows[2].request.cleanEnvironment = true;
    rows[2].request.environment = {"ONLY=1"};
    rows[3].request.workingDirectory = temp.folder();
    rows[4].request.in = -1;  // /dev/null
    for (Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto [output, status] = Capture(row.request, row.mergeError);
        EXPECT_EQ(output, row.output);
        EXPECT_EQ(status.code, 0);
    }
}

TEST(ChildProcess, SwappedDescriptorsReachTheRightTargets) {
    // The child's input is our pipe's read end placed on descriptor 1 and its
    // output the write end placed on 0: a naive dup2 sequence would lose one.
    auto input = CreatePipe();
    auto output = CreatePipe();
    ASSERT_TRUE(input && output);
    const int savedIn = ::dup(0);
    const int savedOut = ::dup(1);
    ASSERT_EQ(::dup2(output->write.get(), 0), 0);
    ASSERT_EQ(::dup2(input->read.get(), 1), 1);
    SpawnRequest request = Shell("read line; echo \"got $line\"");
    request.in = 1;
    request.out = 0;
    auto child = Child::Spawn(request);
    ::dup2(savedIn, 0);
    ::dup2(savedOut, 1);
    ::close(savedIn);
    ::close(savedOut);
    ASSERT_TRUE(child);
    input->read.Reset();
    output->write.Reset();
    ASSERT_TRUE(WriteAll(input->write.get(), "hello\n"));
    input->write.Reset();
    EXPECT_EQ(ReadAll(output->read.get(), 4096).value_or(""), "got hello\n");
    EXPECT_EQ(child->Wait().code, 0);
}

TEST(ChildProcess, ProgramsThatCannotStart) {
    TempRoot temp;
    const std::string plain = temp.folder() + "/plain";
    WriteHostFile(plain, "#!/bin/sh\nexit 0\n");
    ::chmod(plain.c_str(), 0644);
    struct Row {
        const char* name;
        SpawnRequest request;
        DosError error;
    } rows[] = {
        {"missing program", {}, ERROR_OBJECT_NOT_FOUND},
        {"not executable", {}, ERROR_NOT_EXECUTABLE},
        {"missing working directory", Shell("exit 0"), ERROR_OBJECT_NOT_FOUND},
        {"no argv", {}, ERROR_REQUIRED_ARG_MISSING},
    };
    rows[0].request.program = temp.folder() + "/missing";
    rows[0].request.argv = {"missing"};
    rows[1].request.program = plain;
    rows[1].request.argv = {"plain"};
    rows[2].request.workingDirectory = temp.folder() + "/no/such/drawer";
    rows[3].request.program = "/bin/true";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto child = Child::Spawn(row.request);
        ASSERT_FALSE(child);
        EXPECT_EQ(child.error(), row.error);
    }
}

TEST(ChildProcess, WaitForKeepsItsDeadline) {
    auto child = Child::Spawn(Shell("exec sleep 30"));
    ASSERT_TRUE(child);
    EXPECT_FALSE(child->WaitFor(0ms));
    EXPECT_FALSE(child->WaitFor(50ms));
    pollfd watch{child->readyFd(), POLLIN, 0};
    EXPECT_EQ(::poll(&watch, 1, 0), 0);
    child->Signal(SIGKILL);
    EXPECT_EQ(::poll(&watch, 1, 10000), 1);
    auto status = child->WaitFor(10s);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->signal, SIGKILL);

    auto quick = Child::Spawn(Shell("exit 7"));
    ASSERT_TRUE(quick);
    auto ended = quick->WaitFor(10s);
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->code, 7);
}

TEST(ChildProcess, GroupSignalReachesGrandchildren) {
    for (bool destructor : {false, true}) {
        SCOPED_TRACE(destructor ? "destructor" : "Signal");
        auto pipe = CreatePipe();
        ASSERT_TRUE(pipe);
        SpawnRequest request = Shell("sleep 30 & wait");
        request.out = pipe->write.get();
        request.ownProcessGroup = true;
        pid_t pid = -1;
        {
            auto child = Child::Spawn(request);
            ASSERT_TRUE(child);
            pid = child->pid();
            EXPECT_EQ(::getpgid(pid), pid);
            pipe->write.Reset();
            EXPECT_FALSE(child->WaitFor(20ms));
            if (!destructor) {
                child->Signal(SIGTERM);
                auto status = child->WaitFor(10s);
                ASSERT_TRUE(status);
                EXPECT_EQ(status->signal, SIGTERM);
            }
        }
        // The sleeping grandchild held the pipe too.
        EXPECT_TRUE(ClosesWithin(pipe->read.get(), 10s));
        // Reaped: no zombie of ours is left.
        int status = 0;
        EXPECT_EQ(::waitpid(pid, &status, WNOHANG), -1);
        EXPECT_EQ(errno, ECHILD);
    }
}

TEST(ChildProcess, MovedChildIsOwnedOnce) {
    auto spawned = Child::Spawn(Shell("exec sleep 30"));
    ASSERT_TRUE(spawned);
    Child first = std::move(*spawned);
    const pid_t pid = first.pid();
    Child second = std::move(first);
    EXPECT_EQ(second.pid(), pid);
    first = std::move(second);  // second's child goes to first; nothing is killed
    EXPECT_FALSE(first.TryReap());
    EXPECT_EQ(::kill(pid, 0), 0);
}

}  // namespace
}  // namespace amiga
