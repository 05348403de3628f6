// The session the front ends share, on a throw-away root: what a new root
// gets and what a failed reload leaves.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/Messages.h"
#include "database/Item.h"
#include "engine/CompanionCommands.h"
#include "engine/ProgramFolders.h"
#include "engine/Session.h"
#include "platform/Locks.h"
#include "scripts/Placeholders.h"
#include "tests/support/TempRoot.h"

namespace stovan {
namespace {

namespace fs = std::filesystem;

class SessionTest : public ::testing::Test {
  protected:
    test::TempFolder temp_{"stovan-session"};
    std::string folder_ = temp_.path();
};

TEST_F(SessionTest, ANewRootGetsTheSampleDatabaseAndTheCommands) {
    // The tests run from the build folder: the source tree's sample.
    ASSERT_TRUE(RunningFromBuildFolder());
    auto sample = SampleDatabaseFolder();
    ASSERT_TRUE(sample) << sample.error();
    EXPECT_TRUE(fs::is_regular_file(*sample + "/StovanMain.db"));

    auto session = OpenSession(folder_ + "/root");
    ASSERT_TRUE(session) << session.error();
    Session& open = **session;
    EXPECT_TRUE(open.problems.empty());
    for (const std::string& name : CompanionCommandNames()) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(amiga::Lock(open.dos, CompanionCommandDrawer(open.dos) + "/" + name));
    }
    ASSERT_TRUE(ReloadSession(open).ok());
    EXPECT_GE(open.engine->items().size(), 3u);

    // The sample database's own entry names the program's drawer.
    Engine& engine = *open.engine;
    const ApplicationItem* stovan = engine.items().FindItem("Stovan", false);
    ASSERT_NE(stovan, nullptr);
    EXPECT_FALSE(stovan->HasFlags(INSTALLDIR_DISABLED));
    auto progdir = amiga::Lock(engine.dos(), "PROGDIR:");
    ASSERT_TRUE(progdir);
    const std::string drawer = amiga::NameFromLock(engine.dos(), *progdir);
    auto home = ExpandText(engine, stovan, "{INSTALLDIR}{NAME}");
    ASSERT_TRUE(home);
    EXPECT_EQ(*home, drawer);
    ASSERT_FALSE(stovan->installCheck().empty());
    auto check = ExpandText(engine, stovan, stovan->installCheck().front());
    ASSERT_TRUE(check);
    EXPECT_EQ(*check, drawer + "/Stovan");
    auto found = ApplicationDirectory(engine, *stovan);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, drawer);

    // A root that cannot be opened is refused with a message.
    test::WriteHostFile(folder_ + "/file", "not a folder");
    auto refused = OpenSession(folder_ + "/file");
    ASSERT_FALSE(refused);
    EXPECT_FALSE(refused.error().empty());
}

TEST_F(SessionTest, AFailedReloadIsLoggedAsFatal) {
    auto session = OpenSession(folder_ + "/root");
    ASSERT_TRUE(session) << session.error();
    Session& open = **session;
    ASSERT_TRUE(ReloadSession(open).ok());
    // A drawer where the version cache goes: the save fails, the reload
    // stops, the log says why.
    auto temporary = amiga::Lock(open.dos, "T:");
    ASSERT_TRUE(temporary);
    fs::create_directories(temporary->hostPath + "/StovanVersion.db");
    const Status status = ReloadSession(open);
    ASSERT_FALSE(status.ok());
    ASSERT_FALSE(open.log.entries().empty());
    EXPECT_EQ(open.log.entries().back().severity, kSeverityFatal);
    EXPECT_EQ(open.log.entries().back().text, GetString(status.message()));
}

}  // namespace
}  // namespace stovan
