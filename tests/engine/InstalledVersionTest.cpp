#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/MessageIds.h"
#include "engine/InstalledVersion.h"
#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "platform/Locks.h"
#include "tests/support/PlaceholderWorld.h"

namespace stovan::test {
namespace {

// A worker stand-in: records each command and plays the Version command by
// writing the output the test gives into the command's output file.
class ScriptedLoop final : public EventLoop {
  public:
    explicit ScriptedLoop(amiga::DosList& dos) : dos_(dos) {}

    Status RunCommand(const ShellCommand& command, std::int32_t& rc) override {
        commands.push_back(command);
        rc = kCommandNotRun;
        if (result.ok() && !(command.output == "NIL:")) {
            EXPECT_TRUE(amiga::WriteFile(dos_, command.output, output).ok());
            rc = returnCode;
        }
        return result;
    }
    Status AddPublicPort() override { return Status::Ok(); }
    void RemovePublicPort() override {}

    std::string output;
    std::int32_t returnCode = 0;
    Status result;
    std::vector<ShellCommand> commands;

  private:
    amiga::DosList& dos_;
};

class InstalledVersionTest : public ::testing::Test {
  protected:
    InstalledVersionTest() : item(world.AddItem("Foo")), loop(world.root.dos()) {
        item.mode = ItemMode::NOTIFY;
        // The command is played by the loop here, never answered in-process.
        world.engine->versionInProcess = false;
    }
    void File(const std::string& path, const std::string& text) {
        ASSERT_TRUE(amiga::CreateDrawerPath(world.root.dos(), amiga::PathPart(path)).ok());
        ASSERT_TRUE(amiga::WriteFile(world.root.dos(), path, text).ok());
    }
    amiga::DateStamp DateOf(const std::string& path) {
        auto info = amiga::Examine(world.root.dos(), path);
        EXPECT_TRUE(info.ok()) << path;
        return info.ok() ? info->date : amiga::DateStamp{};
    }
    Status Determine() { return DetermineInstalledVersion(*world.engine, loop, item); }

    PlaceholderWorld world;
    ApplicationItem& item;
    ScriptedLoop loop;
};

TEST_F(InstalledVersionTest, EntriesForTheRunningSystem) {
    struct Row {
        const char* name;
        std::vector<std::string_view> list;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {"sections",
         {"AmigaOS4", "SYS:Tools/Foo", "MorphOS", "SYS:Applications/Foo", "ANY",
          "PROGDIR:Foo.info"},
         {"SYS:Tools/Foo", "PROGDIR:Foo.info"}},
        {"before the first marker: every system", {"A", "MorphOS", "B"}, {"A"}},
        {"entry after a marker is no marker",
         {"MorphOS", "ANY", "X", "amigaos4", "AmigaOS4"},
         {"AmigaOS4"}},
        {"equal entries each once", {"X", "X", "X"}, {"X", "X", "X"}},
        {"only markers", {"AmigaOS4", "ANY"}, {"ANY"}},
        {"empty", {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(item.SetListField(ItemField::installCheck, row.list).ok());
        std::vector<std::string> got;
        for (const std::string* entry =
                 NextEntryForSystem(item, ItemField::installCheck, nullptr, "AmigaOS4");
             entry != nullptr;
             entry = NextEntryForSystem(item, ItemField::installCheck, entry, "AmigaOS4")) {
            got.push_back(*entry);
        }
        EXPECT_EQ(got, row.expected);
    }
}

TEST_F(InstalledVersionTest, InstalledTestTakesTheFirstExistingEntry) {
    ASSERT_TRUE(amiga::CreateDrawerPath(world.root.dos(), "Work:Apps/Foo").ok());
    world.Set(item, ItemField::installCheck, "Work:Missing");
    ASSERT_TRUE(item.AppendListEntry(ItemField::installCheck, "Work:Apps/Foo").ok());
    item.mode = ItemMode::IGNORE;  // the installed test alone
    EXPECT_TRUE(Determine().ok());
    EXPECT_EQ(item.state, ItemState::INSTALLED);
    EXPECT_EQ(amiga::CompareDates(item.installedDate, DateOf("Work:Apps/Foo")), 0);
    EXPECT_TRUE(loop.commands.empty());
    EXPECT_NE(world.log.entries().back().text.find("Checking installed version of 'Foo'"),
              std::string::npos);

    world.Set(item, ItemField::installCheck, "Work:Missing");
    EXPECT_TRUE(Determine().ok());
    EXPECT_EQ(item.state, ItemState::NOTINSTALLED);
    EXPECT_EQ(item.installedDate.days, 0);
}

TEST_F(InstalledVersionTest, VersionStep) {
    File("Work:Apps/Foo/Foo", "program\n$Id: Foo.c,v 4.5 joe $\n");
    File("Work:Apps/Foo/Second", "no version");
    world.Set(item, ItemField::installCheck, "Work:Apps/Foo/Foo");
    struct Row {
        const char* name;
        std::vector<std::string_view> versionCheck;
        std::string output;
        std::int32_t rc;
        VersionTriple expected;
    };
    const Row rows[] = {
        {"literal $VER: without the disk", {"$VER: Foo 1.5 (01.02.2015)"}, "", 0, {1, 5, 0}},
        {"command output", {}, "Foo 2.18 (08.10.2015)\n", 0, {2, 18, 0}},
        {"unusable output: the text scan", {}, "Foo\n", 0, {4, 5, 0}},
        {"failed command: the text scan", {}, "Foo 9.9\n", 10, {4, 5, 0}},
        {"the last existing entry decides",
         {"Work:Apps/Foo/Foo", "Work:Nothing", "Work:Apps/Foo/Second"},
         "",
         5,
         {0, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(item.SetListField(ItemField::versionCheck, row.versionCheck).ok());
        loop.output = row.output;
        loop.returnCode = row.rc;
        loop.commands.clear();
        EXPECT_TRUE(Determine().ok());
        EXPECT_EQ(item.state, ItemState::INSTALLED);
        EXPECT_EQ(item.installedVersion, row.expected);
        const std::string dated =
            row.versionCheck.size() == 3 ? "Work:Apps/Foo/Second" : "Work:Apps/Foo/Foo";
        EXPECT_EQ(amiga::CompareDates(item.installedDate, DateOf(dated)), 0);
        for (const ShellCommand& command : loop.commands) {
            EXPECT_EQ(command.commandLine.rfind("version FULL NAME \"Work:", 0), 0u);
            EXPECT_NE(command.commandLine.find("\" FILE *>NIL:"), std::string::npos);
            EXPECT_EQ(command.currentDrawer, "SYS:");
            EXPECT_FALSE(amiga::Lock(world.root.dos(), command.output).ok())
                << "left behind: " << command.output;
        }
    }
}

TEST_F(InstalledVersionTest, CommandFailures) {
    File("Work:Foo", "Version: 1.0");
    VersionTriple triple{9, 9, 9};
    EXPECT_EQ(
        GetVersionFromCommand(*world.engine, loop, "Work:Foo", "Work:NoDrawer", false, true, triple)
            .message(),
        msg::CannotEnterDrawer);
    EXPECT_FALSE(triple.known());
    EXPECT_TRUE(loop.commands.empty());

    loop.result = Status(msg::ProcessingAborted);
    world.Set(item, ItemField::installCheck, "Work:Foo");
    EXPECT_EQ(Determine().message(), msg::ProcessingAborted);
    ASSERT_EQ(loop.commands.size(), 1u);
    EXPECT_FALSE(amiga::Lock(world.root.dos(), loop.commands[0].output).ok());
    // Nothing half-learned is kept: no date without its version, so that
    // the cache does not hold an installed 0.0 and the next check asks again.
    EXPECT_EQ(item.state, ItemState::UNKNOWN);
    EXPECT_FALSE(item.installedInfo().present());
}

TEST_F(InstalledVersionTest, PathsAreQuotedForTheShell) {
    File("Work:A \"B\"/Foo", "x");
    VersionTriple triple;
    EXPECT_TRUE(
        GetVersionFromCommand(*world.engine, loop, "Work:A \"B\"/Foo", "", true, false, triple)
            .ok());
    ASSERT_EQ(loop.commands.size(), 1u);
    EXPECT_EQ(loop.commands[0].commandLine, "version FULL NAME \"Work:A *\"B*\"/Foo\" RES *>NIL:");
}

}  // namespace
}  // namespace stovan::test
