// The texts a front end shows for an item beside its fields.

#include <gtest/gtest.h>

#include <string>

#include "database/Item.h"
#include "database/ItemList.h"
#include "engine/ItemTexts.h"

namespace stovan {
namespace {

TEST(ItemTexts, VersionsWithTheirDates) {
    struct Row {
        const char* name;
        VersionTriple triple;
        amiga::DateStamp date;
        const char* text;
    };
    const Row rows[] = {
        {"nothing known", {0, 0, 0}, {0, 0, 0}, "-"},
        {"a version only", {1, 2, 3}, {0, 0, 0}, "1.2.3"},
        {"version and day", {2, 5, 0}, {16861, 0, 0}, "2.5.0 (2024-03-01)"},
        {"a date only", {0, 0, 0}, {1, 0, 0}, "0.0.0 (1978-01-02)"},
        // Minutes and ticks alone are no date to show.
        {"only minutes", {0, 0, 0}, {0, 600, 10}, "-"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(VersionText(row.triple, row.date), row.text);
    }
    EXPECT_EQ(DateText({0, 0, 0}), "-");
    EXPECT_EQ(DateText({0, 1, 0}), "1978-01-01");
}

TEST(ItemTexts, DrawerAndJsonOfAnItem) {
    ItemList list;
    auto added = list.AppendNewItem();
    ASSERT_TRUE(added);
    ApplicationItem& item = **added;
    ASSERT_TRUE(item.SetTextField(ItemField::name, "Caf\xe9").ok());
    ASSERT_TRUE(item.SetTextField(ItemField::installDir, "Work:Apps").ok());
    EXPECT_EQ(DrawerText(item), "Work:Apps");
    ASSERT_TRUE(item.SetTextField(ItemField::appDirectory, "SYS:Own").ok());
    ASSERT_TRUE(item.AddItemFlags(INSTALLDIR_DISABLED | HAS_APPDIRECTORY).ok());
    EXPECT_EQ(DrawerText(item), "SYS:Own");
    ASSERT_TRUE(item.SetItemFlags(INSTALLDIR_DISABLED | INSTALLDIR_FOLLOWS).ok());
    ASSERT_TRUE(item.SetTextField(ItemField::installDir, "Leader").ok());
    EXPECT_EQ(DrawerText(item), "(as Leader)");

    item.installedVersion = {1, 2, 3};
    const nlohmann::json object = ItemJson(item);
    EXPECT_EQ(object.at("name"), "Caf\xc3\xa9");  // UTF-8
    EXPECT_EQ(object.at("installDir"), "Leader");
    EXPECT_EQ(object.at("installedVersion").at("build"), 3);
    EXPECT_TRUE(object.at("savedMode").is_null());
    EXPECT_TRUE(object.at("urlServer").is_array());
    EXPECT_EQ(object.at("itemFlags"), INSTALLDIR_DISABLED | INSTALLDIR_FOLLOWS);
}

}  // namespace
}  // namespace stovan
