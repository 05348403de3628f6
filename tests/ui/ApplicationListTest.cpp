// The application list: cell formats, titles, filters, search, sort keys,
// counters, and that a change of one item touches that item's row only,
// with 10,000 items.

#include <gtest/gtest.h>

#include <QSignalBlocker>
#include <algorithm>
#include <string>
#include <vector>

#include "prefs/Preferences.h"
#include "tests/ui/ListItems.h"
#include "ui/ApplicationListModel.h"
#include "ui/ListColumns.h"

namespace stovan::ui {
namespace {

using test::ItemSpec;
using test::TestEngine;

const std::vector<std::string> kEnglish{"english"};

std::vector<std::string> Names(const ApplicationListModel& model) {
    std::vector<std::string> names;
    for (int row = 0; row < model.rowCount(); ++row) {
        names.push_back(model.itemAt(row)->name());
    }
    return names;
}

TEST(ListColumns, SizesVersionsAndStates) {
    EXPECT_EQ(SizeText(1048576), "1024 KB");
    EXPECT_EQ(SizeText(1048577), "1 MB");
    EXPECT_EQ(SizeText(1024), "1024 B");
    EXPECT_EQ(SizeText(1025), "1 KB");
    EXPECT_EQ(SizeText(0), "-");
    EXPECT_EQ(SizeText(4294967295u), "4095 MB");
    EXPECT_EQ(VersionCell({1, 2, 3}), "\033c1.2.3\033n");
    EXPECT_EQ(VersionCell({0, 5, 0}), "\033c0.5\033n");
    EXPECT_EQ(VersionCell({0, 0, 0}), "\033c-\033n");
    EXPECT_EQ(DateCell({}), "\033c-\033n");

    TestEngine fixture;
    ApplicationItem& waiting = fixture.Add({.name = "Waiting", .mode = ItemMode::INSTALL});
    ApplicationItem& installed =
        fixture.Add({.name = "Here", .state = ItemState::INSTALLED, .mode = ItemMode::INSTALL});
    ApplicationItem& outdated = fixture.Add({.name = "Old", .state = ItemState::OUTDATED});
    ApplicationItem& notify = fixture.Add({.name = "Plain"});
    auto state = [&fixture](const ApplicationItem& item, std::uint32_t filter = 0) {
        return ItemCell(fixture.engine, item, ColumnState, filter, kEnglish);
    };
    // Highlighted: not installed in mode Update, and outdated.
    EXPECT_EQ(state(waiting), "\033P[7]Not Installed\033P[1]");
    EXPECT_EQ(state(installed), "Installed");
    EXPECT_EQ(state(outdated), "\033P[7]Outdated\033P[1]");
    EXPECT_EQ(state(notify), "Not Installed");
    EXPECT_EQ(state(outdated, 3), "Yes") << "a state filter shows Yes";
    EXPECT_EQ(ColumnTitle(ColumnState, 3, 0, 1), "Installed");
    EXPECT_EQ(ColumnTitle(ColumnState, 0, 0, 1), "State");
    EXPECT_EQ(ColumnTitle(ColumnName, 0, ColumnName, 1), "Name \033I[6:38]\033n");
    EXPECT_EQ(ColumnTitle(ColumnName, 0, ColumnName, -1), "Name \033I[6:39]\033n");
    EXPECT_EQ(ColumnTitle(ColumnMode, 0, kSortByAge, 1), "Mode");
}

TEST(ListColumns, DescriptionCellIsTheFirstLineCut) {
    TestEngine fixture;
    ApplicationItem& item =
        fixture.Add({.name = "Long", .description = std::string(70, 'x') + "\nsecond line"});
    EXPECT_EQ(DescriptionCell(item, kEnglish), std::string(62, 'x'));
    ApplicationItem& none = fixture.Add({.name = "None"});
    EXPECT_EQ(DescriptionCell(none, kEnglish), "<no description>");
}

TEST(ListColumns, VisibilityFollowsFiltersAndSearch) {
    TestEngine fixture;
    ApplicationItem& outdated =
        fixture.Add({.name = "Old", .state = ItemState::OUTDATED, .author = "Jane Coder"});
    ApplicationItem& database = fixture.Add({.name = "Database-Extra", .type = AppType::STOVAN});
    ApplicationItem& own = fixture.Add({.name = "stovan", .type = AppType::STOVAN});
    ApplicationItem& text =
        fixture.Add({.name = "Editor", .type = AppType::TEXT, .description = "Writes LETTERS"});
    const auto textType = static_cast<std::uint32_t>(AppType::TEXT) + 1;
    auto visible = [](const ApplicationItem& item, const ListFilters& filters) {
        return ItemVisible(item, filters, kEnglish);
    };
    // The installed filter shows outdated items too.
    EXPECT_TRUE(visible(outdated, {.stateFilter = 3}));
    EXPECT_TRUE(visible(outdated, {.stateFilter = 4}));
    EXPECT_FALSE(visible(outdated, {.stateFilter = 2}));
    // The search looks at the author and the description, in any case.
    EXPECT_TRUE(visible(outdated, {.search = "jane"}));
    EXPECT_FALSE(visible(outdated, {.search = "nobody"}));
    EXPECT_TRUE(visible(text, {.search = "letters"}));
    // Hidden database packages, but never Stovan's own entry, and not
    // under the Stovan type filter.
    EXPECT_FALSE(visible(database, {.hideDatabases = true}));
    EXPECT_TRUE(visible(own, {.hideDatabases = true}));
    EXPECT_TRUE(visible(database, {.typeFilter = 20, .hideDatabases = true}));
    EXPECT_TRUE(visible(text, {.typeFilter = textType}));
    EXPECT_FALSE(visible(outdated, {.typeFilter = textType}));
    EXPECT_TRUE(visible(text, {.modeFilter = 2}));
    EXPECT_FALSE(visible(text, {.modeFilter = 4}));
}

TEST(ApplicationList, SortKeysAndTitleClicks) {
    TestEngine fixture;
    fixture.Add({.name = "beta", .type = AppType::GAME, .archiveSize = 30});
    fixture.Add({.name = "Alpha", .type = AppType::AUDIO, .archiveSize = 10});
    fixture.Add({.name = "gamma", .type = AppType::TOOL, .archiveSize = 20});
    ApplicationListModel model(fixture.engine, kEnglish);
    model.Rebuild();
    // Type names in their own order: Audio, Game, Tool.
    EXPECT_EQ(Names(model), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
    model.TitleClicked(ColumnSize);
    EXPECT_EQ(model.sortDirection(), 1);
    EXPECT_EQ(Names(model), (std::vector<std::string>{"Alpha", "gamma", "beta"}));
    model.TitleClicked(ColumnSize);
    EXPECT_EQ(model.sortDirection(), -1);
    EXPECT_EQ(Names(model), (std::vector<std::string>{"beta", "gamma", "Alpha"}));
    model.TitleClicked(ColumnName);
    EXPECT_EQ(model.sortDirection(), 1);
    EXPECT_EQ(Names(model), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
    EXPECT_EQ(model.headerData(ColumnName, Qt::Horizontal).toString(),
              QStringLiteral("Name \u25B2"));
    model.SortBy(ColumnName);
    EXPECT_EQ(model.sortDirection(), -1);
    EXPECT_EQ(Names(model), (std::vector<std::string>{"gamma", "beta", "Alpha"}));
}

TEST(ApplicationList, TenThousandItemsChangeOneRowAtATime) {
    TestEngine fixture;
    fixture.AddMany(10000);
    ApplicationListModel model(fixture.engine, kEnglish);
    model.Rebuild();
    ASSERT_EQ(model.rowCount(), 10000);
    // States spread evenly: a quarter outdated, half installed or outdated.
    EXPECT_EQ(model.CounterText(), "2500 outdated, 5000 installed and 0 filtered!");

    // What the views are told, in order.
    std::vector<std::string> told;
    auto tell = [&told](const char* what) { return [&told, what] { told.push_back(what); }; };
    QObject::connect(&model, &QAbstractItemModel::modelReset, tell("reset"));
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, tell("inserted"));
    QObject::connect(&model, &QAbstractItemModel::rowsRemoved, tell("removed"));
    QObject::connect(
        &model, &QAbstractItemModel::dataChanged,
        [&](const QModelIndex& first, const QModelIndex& last) {
            told.push_back(std::to_string(first.row()) + "-" + std::to_string(last.row()));
        });

    // One item becomes outdated: its row only, the counters follow.
    int row = 4321;
    while (model.itemAt(row)->state == ItemState::OUTDATED) {
        ++row;
    }
    ApplicationItem* item = model.itemAt(row);
    const bool wasInstalled = item->state == ItemState::INSTALLED;
    item->state = ItemState::OUTDATED;
    model.Refresh();
    EXPECT_EQ(told, std::vector<std::string>{std::to_string(row) + "-" + std::to_string(row)});
    EXPECT_EQ(model.outdatedCount(), 2501u);
    EXPECT_EQ(model.installedCount(), wasInstalled ? 5000u : 5001u);
    EXPECT_EQ(model.data(model.index(row, ColumnState)).toString(), QStringLiteral("Outdated"));

    // Under the Outdated filter an item that gets updated leaves the list
    // by itself; one that becomes outdated joins it at the end.
    model.SetStateFilter(4);
    ASSERT_EQ(model.rowCount(), 2501);
    EXPECT_EQ(model.filteredCount(), 7499u);
    item->state = ItemState::INSTALLED;
    auto& items = fixture.engine.items();
    const auto other =
        std::find_if(items.begin(), items.end(), [](const ApplicationItem& candidate) {
            return candidate.state == ItemState::NOTINSTALLED;
        });
    ASSERT_NE(other, items.end());
    other->state = ItemState::OUTDATED;
    told.clear();
    model.Refresh();
    std::sort(told.begin(), told.end());  // in either order
    EXPECT_EQ(told, (std::vector<std::string>{"inserted", "removed"}));
    EXPECT_EQ(model.rowOf(item), -1);
    EXPECT_EQ(model.rowOf(&*other), model.rowCount() - 1);
    EXPECT_EQ(model.rowCount(), 2501);
    EXPECT_EQ(model.outdatedCount(), 2501u);
    // Rows after the removed one are found where they now are.
    for (int r = 0; r < model.rowCount(); r += 97) {
        ASSERT_EQ(model.rowOf(model.itemAt(r)), r);
    }
}

TEST(ApplicationList, ARefreshAfterItemsWereReplacedRebuilds) {
    TestEngine fixture;
    fixture.AddMany(20);
    ApplicationListModel model(fixture.engine, kEnglish);
    model.Rebuild();
    fixture.engine.items().ClearItems();
    fixture.Add({.name = "Fresh"});
    int resets = 0;
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++resets; });
    model.Refresh();
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(Names(model), (std::vector<std::string>{"Fresh"}));
}

TEST(ApplicationList, SetUpTakesThePresetsAndHidesDatabases) {
    TestEngine fixture;
    fixture.Add({.name = "Here", .state = ItemState::INSTALLED});
    fixture.Add({.name = "Old", .state = ItemState::OUTDATED});
    fixture.Add({.name = "Missing"});
    fixture.Add({.name = "Db", .type = AppType::STOVAN, .state = ItemState::INSTALLED});
    fixture.preferences.stateFilterPreset = 3;
    fixture.preferences.flags2 |= HIDE_STOVAN_DATABASES;
    ApplicationListModel model(fixture.engine, kEnglish);
    model.SetUp();
    EXPECT_EQ(Names(model), (std::vector<std::string>{"Here", "Old"}));
    EXPECT_EQ(model.headerData(ColumnState, Qt::Horizontal).toString(),
              QStringLiteral("Installed"));
    EXPECT_EQ(model.data(model.index(0, ColumnState)).toString(), QStringLiteral("Yes"));
    EXPECT_EQ(model.filteredCount(), 2u);
    model.SetTypeFilter(20);
    EXPECT_EQ(Names(model), (std::vector<std::string>{"Db"}));
}

}  // namespace
}  // namespace stovan::ui
