// stovan process killed with SIGKILL (with its scripts) at random points of
// a run over several outdated applications with local archives: whatever the
// moment, Config.db and the preferences file still read whole, no item is
// saved in a one-shot mode, and the next run on the same root completes.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <thread>

#include "core/Log.h"
#include "database/Engine.h"
#include "database/Parser.h"
#include "platform/Locks.h"
#include "platform/SystemRoot.h"
#include "prefs/SystemPreferences.h"
#include "tests/support/CliRoot.h"

namespace stovan::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A script that a killed run started lives on in a process group of its own
// and may still change the copy for a moment: the removal is tried again
// until it goes through.
void RemoveCopy(const std::string& root) {
    for (int tries = 0; tries < 200; ++tries) {
        std::error_code error;
        fs::remove_all(root, error);
        if (!error) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ADD_FAILURE() << "cannot remove " << root;
}

ProgramRun Process(const std::string& root, std::chrono::milliseconds timeout) {
    RunOptions options;
    options.environment = {"LC_ALL=C", "LANG=C", "LANGUAGE=", "TZ=UTC"};
    options.timeout = timeout;
    return RunProgram(BuiltProgram("stovan"), {"--root", root, "process", "--yes"}, options);
}

// A copy of a prepared root. The companion programs (megabytes each, and
// never written in place) are hard links; everything else is copied.
void CopyRoot(const std::string& from, const std::string& to) {
    const fs::path commands = fs::path(from) / "Work/Stovan/Database/Commands";
    fs::create_directories(to);
    for (auto it = fs::recursive_directory_iterator(from); it != fs::recursive_directory_iterator();
         ++it) {
        const fs::path target = fs::path(to) / fs::relative(it->path(), from);
        if (it->is_directory() && !it->is_symlink()) {
            fs::create_directories(target);
        } else if (it->path().string().starts_with(commands.string())) {
            fs::create_hard_link(it->path(), target);
        } else {
            fs::copy(it->path(), target, fs::copy_options::copy_symlinks);
        }
    }
}

// Config.db and the preferences of the root read without an error.
void ExpectFilesRead(const std::string& root) {
    auto dos = amiga::OpenProcessRoot(root);
    ASSERT_TRUE(dos.ok()) << dos.error();
    Preferences preferences;
    EXPECT_TRUE(loadPreferences(preferences, *dos, kPreferencesPath, dos->profile().kind).ok());
    Log log;
    Engine engine(*dos, preferences, log);
    auto drawer = amiga::Lock(*dos, "PROGDIR:Prefs");
    ASSERT_TRUE(drawer.ok());
    const ParseTotals totals = ParseDatabaseFile(engine, kConfigurationFileName, &*drawer);
    EXPECT_EQ(totals.errors, 0);
    const std::string config = ReadHostFile(root + "/Work/Stovan/Prefs/Config.db");
    // Every item is in an automatic mode other than IGNORE here; a one-shot
    // mode would have been written as IGNORE.
    EXPECT_EQ(config.find("IGNORE"), std::string::npos) << config;
    EXPECT_NE(config.find("## ITEM \"A\""), std::string::npos) << config;
}

TEST(KillProcessTest, KilledAtRandomPointsLeavesReadableFilesAndNoOneShotModes) {
    CliRoot made;
    // A needs B (not installed: queued in a one-shot mode); A and C are outdated.
    made.Database(ToolEntry("A", "\"B\"") + ToolEntry("B") + ToolEntry("C"));
    made.Program("Apps", "A", "1.0");
    made.Program("Apps", "C", "1.0");
    for (const char* name : {"A", "B", "C"}) {
        made.Archive(std::string(name) + "_2.0.lha", name, "2.0");
        ASSERT_EQ(made.Stovan({"mode", name, "update"}).exitCode, 0);
    }
    ASSERT_EQ(made.Stovan({"prefs", "set", "KEEP_ARCHIVES", "on"}).exitCode, 0);
    ASSERT_EQ(made.Stovan({"check"}).exitCode, 0);
    made.Offer("A", "OUTDATED", "2.0.0");
    made.Offer("C", "OUTDATED", "2.0.0");
    made.Offer("B", "NOTINSTALLED", "2.0.0");

    // Each kill works on its own copy of the prepared root.
    int copies = 0;
    auto copy = [&] {
        const std::string root = made.folder() + "/kill" + std::to_string(copies++);
        CopyRoot(made.root(), root);
        return root;
    };
    // The kills fall within the shortest whole run seen so far (the machine
    // may be busy with other work, and grow quieter), so most of them land
    // inside a run.
    auto length = std::chrono::milliseconds::max();
    auto timed = [&](const std::string& root, std::chrono::milliseconds timeout) {
        const auto start = Clock::now();
        const ProgramRun run = Process(root, timeout);
        if (!run.timedOut) {
            length = std::min(length, std::chrono::duration_cast<std::chrono::milliseconds>(
                                          Clock::now() - start));
        }
        return run;
    };
    for (int whole = 0; whole < 2; ++whole) {
        const std::string root = copy();
        const ProgramRun full = timed(root, std::chrono::seconds(60));
        ASSERT_EQ(full.exitCode, 0) << full.out << full.err;
        ExpectFilesRead(root);
        RemoveCopy(root);
    }

    std::mt19937 random(20261207);
    std::string last;
    int killed = 0;
    for (int round = 0; round < 30; ++round) {
        last = copy();
        const long delay = static_cast<long>(random() % (length.count() * 9 / 10 + 1));
        SCOPED_TRACE("killed after " + std::to_string(delay) + " ms");
        const ProgramRun run = timed(last, std::chrono::milliseconds(delay));
        killed += run.timedOut ? 1 : 0;
        ExpectFilesRead(last);
        if (round != 29) {
            RemoveCopy(last);  // the last one stays for the run after it
        }
    }
    EXPECT_GE(killed, 10);
    // The run after a kill finds its way: stale temporary files and a dead
    // port do not stop it.
    const ProgramRun again = Process(last, std::chrono::seconds(60));
    EXPECT_TRUE(again.exitCode == 0 || again.exitCode == 5) << again.out << again.err;
    ExpectFilesRead(last);
}

}  // namespace
}  // namespace stovan::test
