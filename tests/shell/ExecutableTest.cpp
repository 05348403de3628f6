// The stovan-shell program itself on throw-away system roots: scripts with
// their output, files and exit codes; the install and uninstall prologues.
// The templates themselves run in the scripts suite.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempRoot.h"

namespace amiga {
namespace {

using stovan::test::ProgramRun;
using stovan::test::ReadHostFile;
using stovan::test::RunOptions;
using stovan::test::RunProgram;
using stovan::test::TempRoot;
using stovan::test::WriteHostFile;

const std::string kShell = stovan::test::BuiltProgram("stovan-shell");

class ShellProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(kShell))
            << kShell << " is missing: build the stovan-shell target before test_shell";
        // Companion commands the templates call: host programs that note
        // their arguments, one line per call.
        for (const char* name : {"SGauge", "SLog", "STooltype"}) {
            std::string path = root.Host("SYS", std::string("C/") + name);
            WriteHostFile(path,
                          "#!/bin/sh\necho \"$0 $*\" >>\"" + root.folder() + "/companions\"\n");
            ::chmod(path.c_str(), 0755);
        }
    }

    void Write(const std::string& amigaPath, const std::string& text) {
        stovan::test::WriteAmigaFile(root.dos(), amigaPath, text);
    }
    std::string Read(const std::string& amigaPath) {
        return stovan::test::ReadAmigaFile(root.dos(), amigaPath);
    }

    // Writes the script to S: and runs it the way Stovan does.
    ProgramRun Script(const std::string& text) {
        Write("S:test-script", text);
        return RunProgram(kShell, {"--root", root.root(), "S:test-script"});
    }
    ProgramRun Line(const std::string& line) {
        return RunProgram(kShell, {"--root", root.root(), "-c", line});
    }
    std::string Companions() { return ReadHostFile(root.folder() + "/companions"); }

    TempRoot root;
};

TEST_F(ShellProgram, ScriptsGiveOutputAndReturnCodes) {
    struct Row {
        const char* name;
        std::string script;
        std::string out;
        int exitCode;
    };
    const Row rows[] = {
        {"Quit code is the exit code", "Echo x\nQuit 7\nEcho y\n", "x\n", 7},
        {"return codes above 255 are not taken for success", "Quit 300\n", "", 255},
        {"companion commands run as host programs",
         "SGauge \"INSTALLING\" \"My App\" 1 1\nEcho $RC\n", "0\n", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ProgramRun run = Script(row.script);
        EXPECT_EQ(run.out, row.out);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
    }
    EXPECT_NE(Companions().find("SGauge INSTALLING My App 1 1"), std::string::npos);
}

TEST_F(ShellProgram, StreamsVariablesAndChildren) {
    // Output to a file, errors to NIL:, an absolute host script with arguments.
    WriteHostFile(root.folder() + "/host-script",
                  ".key WHO/A,TIMES/N\nEcho \"hi <WHO> <TIMES>\"\nCopy RAM:none RAM:x\n");
    ProgramRun hosted =
        RunProgram(kShell, {"--root", root.root(), "--output", "RAM:log", "--error",
                            "NIL:", root.folder() + "/host-script", "two words", "3"});
    EXPECT_EQ(hosted.exitCode, 20);
    EXPECT_EQ(hosted.out, "");
    EXPECT_EQ(hosted.err, "");
    EXPECT_EQ(Read("RAM:log"), "hi two words 3\n");

    // Global variables are ENV: files, SAVE writes ENVARC: too; locals are not.
    ProgramRun vars = Line("SetEnv SAVE stovan/test \"two words\"");
    EXPECT_EQ(vars.exitCode, 0) << vars.err;
    EXPECT_EQ(Read("ENV:stovan/test"), "two words");
    EXPECT_EQ(Read("ENVARC:stovan/test"), "two words");
    EXPECT_EQ(Line("Echo $stovan/test").out, "$stovan/test\n");
    EXPECT_EQ(Line("Echo ${stovan/test}").out, "two words\n");

    // An assign made at run time reaches a child shell through the environment.
    Write("Work:data/f", "from child");
    std::string sub = root.Host("SYS", "C/SubShell");
    WriteHostFile(sub, "#!/bin/sh\nexec \"" + kShell + "\" \"$@\"\n");
    ::chmod(sub.c_str(), 0755);
    ProgramRun child = Script("Assign X: Work:data\nSubShell -c \"Type X:f\"\nEcho \" rc=$RC\"\n");
    EXPECT_EQ(child.out, "from child rc=0\n") << child.err;
    // C: as a multi-directory assign: the command is found in its second drawer.
    Write("Work:Tools/Hello", "Echo hello from Tools\n");
    ASSERT_TRUE(SetProtection(root.dos(), "Work:Tools/Hello", FIBF_SCRIPT).ok());
    ProgramRun search =
        Script("Assign C: Work:Tools ADD\nHello\nAssign C: Work:Tools REMOVE\nHello\n");
    EXPECT_EQ(search.out, "hello from Tools\n");
    EXPECT_EQ(search.exitCode, 20);
    EXPECT_NE(search.err.find("Hello: Unknown command"), std::string::npos);

    // Redirection to a missing drawer and a bad root are clear failures.
    ProgramRun missing = Line("Echo x >Work:none/file");
    EXPECT_EQ(missing.exitCode, 20);
    EXPECT_NE(missing.err.find("object not found"), std::string::npos) << missing.err;
    ProgramRun usage = RunProgram(kShell, {"--root"});
    EXPECT_EQ(usage.exitCode, 20);
    EXPECT_NE(usage.err.find("usage:"), std::string::npos);
    WriteHostFile(root.folder() + "/not-a-root", "x");
    ProgramRun badRoot = RunProgram(kShell, {"--root", root.folder(), "-c", "Echo x"});
    EXPECT_EQ(badRoot.exitCode, 20);
    EXPECT_EQ(badRoot.out, "");
}

// Ctrl-C while a host program runs reaches the program too: it ends at
// once, and the script ends with a break instead of going on.
TEST_F(ShellProgram, ABreakReachesTheRunningProgram) {
    const std::string marker = root.folder() + "/sleeping";
    const std::string sleeper = root.Host("SYS", "C/Sleeper");
    WriteHostFile(sleeper, "#!/bin/sh\n: >\"" + marker + "\"\nexec sleep 30\n");
    ::chmod(sleeper.c_str(), 0755);
    Write("S:test-script", "Sleeper\nEcho after\n");
    // The break comes once the program runs; without it reaching the
    // program, the run would last the program's 30 s and be cut at 20.
    std::promise<int> pid;
    RunOptions options;
    options.timeout = std::chrono::seconds(20);
    options.started = [&pid](int id) { pid.set_value(id); };
    std::jthread breaker([&] {
        auto started = pid.get_future();
        if (started.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
            return;
        }
        for (int tries = 0; tries < 1000 && !std::filesystem::exists(marker); ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::kill(started.get(), SIGINT);
    });
    const ProgramRun run = RunProgram(kShell, {"--root", root.root(), "S:test-script"}, options);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 20);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("***Break"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace amiga
