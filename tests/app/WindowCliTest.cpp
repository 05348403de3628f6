// The window's program end to end, drawn offscreen: while one Stovan has
// its window open on a root, a second start on that root shows that window
// and ends with 0, and a command on the root fails at once; SIGTERM closes
// the window as Quit does.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "tests/support/CliRoot.h"

namespace stovan::test {
namespace {

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(WindowCli, ASecondStartShowsTheRunningWindow) {
    CliRoot root;
    root.Database(ToolEntry("Foo"));
    ASSERT_EQ(root.Stovan({"prefs", "set", "launchAction", "0"}).exitCode, 0);
    RunOptions offscreen;
    offscreen.environment = {"QT_QPA_PLATFORM=offscreen", "DISPLAY=", "WAYLAND_DISPLAY="};
    const std::string program = BuiltProgram("stovan");
    const std::vector<std::string> gui = {"--root", root.root(), "gui"};

    // The first window runs until the test has seen what it needs; then
    // it is told to end as a desktop session's end tells it.
    RunOptions first = offscreen;
    first.timeout = std::chrono::seconds(60);
    std::promise<int> pid;
    first.started = [&pid](int id) { pid.set_value(id); };
    auto running = std::async(std::launch::async, [&] { return RunProgram(program, gui, first); });
    // It is up once a command on the root is refused.
    ProgramRun refused;
    for (int tries = 0; tries < 150; ++tries) {
        refused = root.Stovan({"list"}, std::chrono::seconds(10));
        if (refused.exitCode == 20) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(refused.exitCode, 20);
    EXPECT_TRUE(Has(refused.err, "only one may run on a root at a time")) << refused.err;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // listening by now

    const ProgramRun second = RunProgram(program, gui, offscreen);
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_TRUE(Has(second.out, "its window is shown")) << second.out;

    const ProgramRun run = root.Stovan({"run"}, std::chrono::seconds(10));
    EXPECT_EQ(run.exitCode, 20);
    EXPECT_TRUE(Has(run.err, "Stovan is already running on the system root")) << run.err;

    ASSERT_EQ(::kill(pid.get_future().get(), SIGTERM), 0);
    const ProgramRun ended = running.get();
    EXPECT_FALSE(ended.timedOut);
    EXPECT_EQ(ended.exitCode, 0) << ended.err;     // closed as by Quit, the modes saved
    EXPECT_EQ(root.Stovan({"list"}).exitCode, 0);  // the root is free again
}

// A start that fails says why and ends; offscreen, with nobody to answer a
// requester, it does not wait for one.
TEST(WindowCli, AFailedStartEndsWithItsReason) {
    CliRoot root;
    root.Database(ToolEntry("Foo"));
    WriteHostFile(root.Host("SYS/C/SLog"), "copy");  // a companion command changed by hand
    RunOptions offscreen;
    offscreen.environment = {"QT_QPA_PLATFORM=offscreen", "DISPLAY=", "WAYLAND_DISPLAY="};
    offscreen.timeout = std::chrono::seconds(20);
    const ProgramRun run =
        RunProgram(BuiltProgram("stovan"), {"--root", root.root(), "gui"}, offscreen);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 20);
    EXPECT_TRUE(Has(run.err, "You must not move or modify any")) << run.err;
}

}  // namespace
}  // namespace stovan::test
