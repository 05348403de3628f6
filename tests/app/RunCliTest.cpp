// stovan run and stovan find end to end: start-up and its failures, the
// launch step's warning, STOVANPATH, finder and launch action, the refusal
// of a second run, and the relaunch after Stovan installed itself.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/Icon.h"
#include "platform/RootLock.h"
#include "tests/support/CliRoot.h"

namespace stovan::test {
namespace {

namespace fs = std::filesystem;

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Stovan's own entry: installs Work:Mirror/Stovan_V.R.lha into PROGDIR:.
const char* const kStovanEntry = R"DB(
#ITEM "Stovan"
#APPTYPE STOVAN
#STOVANAUTHOR "Tester"
#URLARCHIVE "Work:Mirror/Stovan_{VERSION}.{REVISION}.lha"
#INSTALLCHECK "{INSTALLDIR}{NAME}/{NAME}"
#DESCRIPTION "Stovan itself"
#INSTALL
{STANDARDEXTRACT}
{STANDARDCOPY}
#INSTALL END
#ITEM END
)DB";

class RunCliTest : public ::testing::Test {
  protected:
    RunCliTest() {
        root.Database(ToolEntry("Foo"));
        EXPECT_EQ(
            root.Stovan({"prefs", "set", "launchAction", "0", "finderPaths", "Work:"}).exitCode, 0);
    }
    CliRoot root;
};

TEST_F(RunCliTest, WarningOnceStovanPathAndStartUpArguments) {
    ASSERT_EQ(root.Stovan({"prefs", "set", "STORE_PATH", "on"}).exitCode, 0);
    ProgramRun run = root.Stovan({"run", "CX_PRI=abc"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    // A bad command line is reported and start-up goes on.
    EXPECT_TRUE(Has(run.err, "Stovan: ")) << run.err;
    EXPECT_TRUE(Has(run.out + run.err, "WARNING")) << run.out << run.err;
    EXPECT_TRUE(Has(run.out, "0 outdated; the window opens")) << run.out;
    EXPECT_EQ(ReadHostFile(root.Host("RAM/ENV/STOVANPATH")), "Work:Stovan");
    EXPECT_EQ(ReadHostFile(root.Host("SYS/Prefs/Env-Archive/STOVANPATH")), "Work:Stovan");

    // The icon's CX_POPUP=NO keeps the window closed; the warning is not shown again.
    ASSERT_EQ(root.Stovan({"prefs", "set", "QUIT_AFTER_CHECK", "on"}).exitCode, 0);
    auto icon = amiga::GetDefDiskObject(amiga::WBTOOL);
    ASSERT_TRUE(icon.ok());
    icon->toolTypes = {"CX_POPUP=NO"};
    ASSERT_TRUE(amiga::WriteDiskObjectFile(root.Host("Work/Stovan/Stovan.info"), *icon).ok());
    run = root.Stovan({"run"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_FALSE(Has(run.out + run.err, "WARNING")) << run.out << run.err;
    EXPECT_TRUE(Has(run.out, "0 outdated; Stovan quits")) << run.out;
    run = root.Stovan({"run", "--popup"});
    EXPECT_TRUE(Has(run.out, "0 outdated; the window opens")) << run.out;
}

TEST_F(RunCliTest, StartUpFailuresAndASecondRun) {
    {
        SCOPED_TRACE("another run holds the root");
        bool held = false;
        auto lock = amiga::TryLockRoot(root.root(), "Running", held);
        ASSERT_TRUE(lock.ok());
        const ProgramRun run = root.Stovan({"run"});
        EXPECT_EQ(run.exitCode, 20);
        EXPECT_TRUE(Has(run.err, "Stovan is already running on the system root")) << run.err;
        // The running one keeps Config.db: a command fails at once instead
        // of waiting for it, whether it reads or writes.
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"list"}, std::vector<std::string>{"install", "Foo"}}) {
            SCOPED_TRACE(command[0]);
            const ProgramRun refused = root.Stovan(command, std::chrono::seconds(10));
            EXPECT_FALSE(refused.timedOut);
            EXPECT_EQ(refused.exitCode, 20);
            EXPECT_TRUE(Has(refused.err, "only one may run on a root at a time")) << refused.err;
        }
    }
    {
        SCOPED_TRACE("a companion command copied into C: by hand");
        WriteHostFile(root.Host("SYS/C/SLog"), "copy");
        const ProgramRun run = root.Stovan({"run"});
        EXPECT_EQ(run.exitCode, 20);
        EXPECT_TRUE(Has(run.err, "You must not move or modify any")) << run.err;
        fs::remove(root.Host("SYS/C/SLog"));
    }
}

TEST_F(RunCliTest, FinderAndLaunchActionUpdate) {
    root.Archive("Foo_1.10.lha", "Foo", "1.10");
    root.Program("Tools", "Foo", "1.8");  // moved there by hand
    ProgramRun found = root.Stovan({"find"});
    ASSERT_EQ(found.exitCode, 0) << found.out << found.err;
    EXPECT_EQ(found.out, "Foo\tWork:Tools\n");
    EXPECT_TRUE(
        Has(ReadHostFile(root.Host("Work/Stovan/Prefs/Config.db")), "INSTALLDIR \"Work:Tools\""));

    // Moved again: the launch step's finder adopts the new place, and the
    // launch action "Update" installs the offered version there.
    fs::rename(root.Host("Work/Tools"), root.Host("Work/Utilities"));
    ASSERT_EQ(root.Stovan({"mode", "Foo", "update"}).exitCode, 0);
    ASSERT_EQ(root.Stovan({"check"}).exitCode, 0);
    root.Offer("Foo", "OUTDATED", "1.10.0");
    ASSERT_EQ(root.Stovan({"prefs", "set", "launchAction", "2"}).exitCode, 0);
    const ProgramRun run = root.Stovan({"run", "--yes"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_TRUE(Has(run.out, "found\tFoo\tWork:Utilities")) << run.out;
    EXPECT_TRUE(Has(ReadHostFile(root.Host("Work/Utilities/Foo/Foo")), "Foo 1.10 "));
}

TEST_F(RunCliTest, RelaunchAfterSelfUpdateAndNoLoop) {
    root.Database(std::string(kStovanEntry) + ToolEntry("Foo"));
    root.Program("", "Stovan", "1.0");  // PROGDIR:Stovan
    root.Archive("Stovan_2.0.lha", "Stovan", "2.0");
    ASSERT_EQ(root.Stovan({"check"}).exitCode, 0);
    root.Offer("Stovan", "OUTDATED", "2.0.0");

    ProgramRun run = root.Stovan({"run", "--yes"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_TRUE(Has(ReadHostFile(root.Host("Work/Stovan/Stovan")), "Stovan 2.0 "));
    // One start installed, the second (after the relaunch) found it current
    // and showed the database warning again.
    EXPECT_TRUE(Has(run.out, "Stovan was updated: starting again")) << run.out;
    EXPECT_TRUE(Has(run.out, "0 outdated; the window opens")) << run.out;
    const std::string installed = "Finished installation of 'Stovan'";
    EXPECT_EQ(run.out.find(installed), run.out.rfind(installed)) << run.out;
    EXPECT_NE(run.err.find("WARNING"), run.err.rfind("WARNING")) << run.err;

    // An archive that does not hold the offered version: the new start would
    // install again; it refuses to restart a second time.
    root.Archive("Stovan_3.0.lha", "Stovan", "2.5");
    root.Offer("Stovan", "OUTDATED", "3.0.0");
    run = root.Stovan({"run", "--yes"});
    EXPECT_EQ(run.exitCode, 10) << run.out << run.err;
    EXPECT_TRUE(Has(run.err, "not restarting once more")) << run.err;
}

}  // namespace
}  // namespace stovan::test
