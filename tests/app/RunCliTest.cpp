// stovan run and stovan find end to end: start-up and its failures, the
// launch step's warning, STOVANPATH, finder and launch action, the refusal
// of a second run, and the relaunch after Stovan installed itself.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/Icon.h"
#include "platform/RootLock.h"
#include "tests/support/CliRoot.h"

namespace stovan::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

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
        root.Stovan(0, {"prefs", "set", "launchAction", "0", "finderPaths", "Work:"});
    }
    CliRoot root;
};

TEST_F(RunCliTest, WarningOnceStovanPathAndStartUpArguments) {
    root.Stovan(0, {"prefs", "set", "STORE_PATH", "on"});
    ProgramRun run = root.Stovan(0, {"run", "CX_PRI=abc"});
    // A bad command line is reported and start-up goes on.
    EXPECT_THAT(run.err, HasSubstr("Stovan: "));
    EXPECT_THAT(run.out + run.err, HasSubstr("WARNING"));
    EXPECT_THAT(run.out, HasSubstr("0 outdated; the window opens"));
    EXPECT_EQ(ReadHostFile(root.Host("RAM/ENV/STOVANPATH")), "Work:Stovan");
    EXPECT_EQ(ReadHostFile(root.Host("SYS/Prefs/Env-Archive/STOVANPATH")), "Work:Stovan");

    // The icon's CX_POPUP=NO keeps the window closed; the warning is not shown again.
    root.Stovan(0, {"prefs", "set", "QUIT_AFTER_CHECK", "on"});
    auto icon = amiga::GetDefDiskObject(amiga::WBTOOL);
    ASSERT_TRUE(icon.ok());
    icon->toolTypes = {"CX_POPUP=NO"};
    ASSERT_TRUE(amiga::WriteDiskObjectFile(root.Host("Work/Stovan/Stovan.info"), *icon).ok());
    run = root.Stovan(0, {"run"});
    EXPECT_THAT(run.out + run.err, Not(HasSubstr("WARNING")));
    EXPECT_THAT(run.out, HasSubstr("0 outdated; Stovan quits"));
    EXPECT_THAT(root.Stovan({"run", "--popup"}).out, HasSubstr("0 outdated; the window opens"));
}

TEST_F(RunCliTest, StartUpFailuresAndASecondRun) {
    {
        SCOPED_TRACE("another run holds the root");
        bool held = false;
        auto lock = amiga::TryLockRoot(root.root(), "Running", held);
        ASSERT_TRUE(lock.ok());
        EXPECT_THAT(root.Stovan(20, {"run"}).err,
                    HasSubstr("Stovan is already running on the system root"));
        // The running one keeps Config.db: a command fails at once instead
        // of waiting for it, whether it reads or writes.
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"list"}, std::vector<std::string>{"install", "Foo"}}) {
            SCOPED_TRACE(command[0]);
            const ProgramRun refused = root.Stovan(command, std::chrono::seconds(10));
            EXPECT_FALSE(refused.timedOut);
            EXPECT_EQ(refused.exitCode, 20);
            EXPECT_THAT(refused.err, HasSubstr("only one may run on a root at a time"));
        }
    }
    {
        SCOPED_TRACE("a companion command copied into C: by hand");
        WriteHostFile(root.Host("SYS/C/SLog"), "copy");
        EXPECT_THAT(root.Stovan(20, {"run"}).err, HasSubstr("You must not move or modify any"));
        fs::remove(root.Host("SYS/C/SLog"));
    }
}

TEST_F(RunCliTest, FinderAndLaunchActionUpdate) {
    root.Archive("Foo_1.10.lha", "Foo", "1.10");
    root.Program("Tools", "Foo", "1.8");  // moved there by hand
    EXPECT_EQ(root.Stovan(0, {"find"}).out, "Foo\tWork:Tools\n");
    EXPECT_THAT(ReadHostFile(root.Host("Work/Stovan/Prefs/Config.db")),
                HasSubstr("INSTALLDIR \"Work:Tools\""));

    // Moved again: the launch step's finder adopts the new place, and the
    // launch action "Update" installs the offered version there.
    fs::rename(root.Host("Work/Tools"), root.Host("Work/Utilities"));
    root.Stovan(0, {"mode", "Foo", "update"});
    root.Stovan(0, {"check"});
    root.Offer("Foo", "OUTDATED", "1.10.0");
    root.Stovan(0, {"prefs", "set", "launchAction", "2"});
    EXPECT_THAT(root.Stovan(0, {"run", "--yes"}).out, HasSubstr("found\tFoo\tWork:Utilities"));
    EXPECT_THAT(ReadHostFile(root.Host("Work/Utilities/Foo/Foo")), HasSubstr("Foo 1.10 "));
}

TEST_F(RunCliTest, RelaunchAfterSelfUpdateAndNoLoop) {
    root.Database(std::string(kStovanEntry) + ToolEntry("Foo"));
    root.Program("", "Stovan", "1.0");  // PROGDIR:Stovan
    root.Archive("Stovan_2.0.lha", "Stovan", "2.0");
    root.Stovan(0, {"check"});
    root.Offer("Stovan", "OUTDATED", "2.0.0");

    const ProgramRun run = root.Stovan(0, {"run", "--yes"});
    EXPECT_THAT(ReadHostFile(root.Host("Work/Stovan/Stovan")), HasSubstr("Stovan 2.0 "));
    // One start installed, the second (after the relaunch) found it current
    // and showed the database warning again.
    EXPECT_THAT(run.out, HasSubstr("Stovan was updated: starting again"));
    EXPECT_THAT(run.out, HasSubstr("0 outdated; the window opens"));
    const std::string installed = "Finished installation of 'Stovan'";
    EXPECT_EQ(run.out.find(installed), run.out.rfind(installed)) << run.out;
    EXPECT_NE(run.err.find("WARNING"), run.err.rfind("WARNING")) << run.err;

    // An archive that does not hold the offered version: the new start would
    // install again; it refuses to restart a second time.
    root.Archive("Stovan_3.0.lha", "Stovan", "2.5");
    root.Offer("Stovan", "OUTDATED", "3.0.0");
    EXPECT_THAT(root.Stovan(10, {"run", "--yes"}).err, HasSubstr("not restarting once more"));
}

}  // namespace
}  // namespace stovan::test
