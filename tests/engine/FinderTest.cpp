// The application finder on a throw-away root where applications were
// moved by hand: which drawers it searches, what it adopts, what it skips.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/Finder.h"
#include "tests/support/PlaceholderWorld.h"
#include "tests/support/RecordingFrontend.h"

namespace stovan::test {
namespace {

class FinderTest : public ::testing::Test {
  protected:
    // The application `name` as Work:<drawer>/<name>/<name>.
    void Place(const std::string& drawer, const std::string& name) {
        const std::string folder = world.root.Host("Work", drawer + "/" + name);
        std::filesystem::create_directories(folder);
        WriteHostFile(folder + "/" + name, "program");
    }

    ApplicationItem& Item(const std::string& name) {
        ApplicationItem& item = world.AddItem(name);
        world.Set(item, ItemField::installDir, "Work:Apps/");
        return item;
    }

    std::vector<FoundApplication> Find(const std::string& paths) {
        world.preferences.finderPaths = paths;
        return FindApplications(*world.engine, frontend);
    }

    PlaceholderWorld world;
    RecordingFrontend frontend;
};

TEST_F(FinderTest, AdoptsTheFirstDrawerOneOrTwoLevelsDownAndNothingElse) {
    Item("Tool");      // Work:Tools/Tool/Tool: found by "#?"
    Item("Net");       // Work:Internet/Clients/Net/Net: found by "#?/#?"
    Item("Flat");      // Work:Flat/Flat directly below the entry: not found
    Item("Hidden");    // inside Download: never found
    Item("Deep");      // below Temp, two levels: never found
    Item("Home");      // where its install drawer says: not searched
    Item("Twice");     // in two places: the first in list order wins
    Item("Dir");       // a drawer of the same name, no file: not present
    Item("../Tools");  // not a single name: never looked for
    Place("Tools", "Tool");
    Place("Internet/Clients", "Net");
    Place("", "Flat");
    Place("Download", "Hidden");
    Place("Temp/Sub", "Deep");
    Place("Apps", "Home");
    Place("A", "Twice");
    Place("B", "Twice");
    std::filesystem::create_directories(world.root.Host("Work", "Tools/Dir/Dir"));

    const std::vector<FoundApplication> found = Find("Work:");
    std::vector<std::string> lines;
    for (const FoundApplication& application : found) {
        lines.push_back(application.name + "=" + application.installDir);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"Twice=Work:A", "Tool=Work:Tools",
                                               "Net=Work:Internet/Clients"}));
    EXPECT_EQ(world.engine->items().FindItem("Home", false)->installDir(), "Work:Apps/");
    EXPECT_EQ(world.engine->items().FindItem("Flat", false)->installDir(), "Work:Apps/");
    EXPECT_EQ(world.engine->items().FindItem("Tool", false)->installDir(), "Work:Tools");
}

TEST_F(FinderTest, SearchListSkipsEmptyAndExcludedEntriesAndCountsProgress) {
    struct Row {
        const char* name;
        const char* paths;
        std::vector<std::string> list;
    };
    const Row rows[] = {
        {"empty entries", ",SYS:,,Work:,", {"SYS:", "Work:"}},
        {"only commas", ",,", {}},
        {"blanks stay", " Work:", {" Work:"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FinderSearchList(row.paths), row.list);
    }

    Item("Tool");
    Place("Tools", "Tool");
    // Empty entries never stand for the current drawer; RAM: is never searched.
    EXPECT_TRUE(Find(",RAM:,").empty());
    frontend.progress.clear();
    ASSERT_EQ(Find("SYS:,,Work:").size(), 1u);
    ASSERT_EQ(frontend.progress.size(), 2u);
    EXPECT_NE(frontend.progress[0].find("'SYS:'"), std::string::npos);
    EXPECT_NE(frontend.progress[0].find("0/2"), std::string::npos);
    EXPECT_NE(frontend.progress[1].find("1/2"), std::string::npos);
}

}  // namespace
}  // namespace stovan::test
