// The main window's ways into its dialogs and the desktop: the "other
// version" menus of Install and Repair, opening an install drawer, the
// preferences from the Settings menu, and the list's columns kept in the
// preferences' listFormat.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <algorithm>
#include <memory>

#include "core/MessageIds.h"
#include "platform/DosFiles.h"
#include "prefs/Validation.h"
#include "tests/ui/WindowSession.h"
#include "ui/ColumnFormat.h"
#include "ui/DrawerField.h"
#include "ui/PreferencesWindow.h"

namespace stovan::ui {
namespace {

using test::WindowSession;

TEST(ColumnFormat, ReadsOrderAndWidthsAndRefusesWhatDoesNotFit) {
    using Places = std::vector<ColumnPlace>;
    EXPECT_EQ(ParseColumnFormat("BAR W=10,BAR,BAR", 3), (Places{{0, 10}, {1, 0}, {2, 0}}));
    EXPECT_EQ(ParseColumnFormat("BAR COL=2 W=10,BAR COL=0,BAR COL=1 W=5", 3),
              (Places{{2, 10}, {0, 0}, {1, 5}}));
    // A column twice or out of range, too few entries, a huge width, a broken number.
    for (const char* format :
         {"BAR COL=1 W=10,BAR COL=1,BAR COL=0", "BAR COL=3 W=10,BAR,BAR",
          "BAR COL=0 W=10,BAR COL=1", "BAR W=99999999999,BAR W=10,BAR", "BAR COL=x,BAR W=10,BAR"}) {
        SCOPED_TRACE(format);
        EXPECT_FALSE(ParseColumnFormat(format, 3).has_value());
    }
    // Without "BAR" and "10" the text is no format of ours: the default.
    const auto fallback = ParseColumnFormat("SYS:", 11);
    ASSERT_TRUE(fallback.has_value());
    EXPECT_EQ((*fallback)[10], (ColumnPlace{10, 0}));
    const Places places{{10, 40}, {0, 30}, {1, 0}, {2, 0}, {3, 0}, {4, 0},
                        {5, 0},   {6, 0},  {7, 0}, {8, 0}, {9, 0}};
    EXPECT_EQ(ParseColumnFormat(FormatColumns(places), 11), places);
}

using WindowDialogsTest = WindowSession;

TEST_F(WindowDialogsTest, ColumnsComeFromListFormatAndGoBackToIt) {
    session_->preferences.listFormat =
        "BAR COL=10 W=90,BAR COL=0,BAR COL=1,BAR COL=2,BAR COL=3,"
        "BAR COL=4,BAR COL=5,BAR COL=6,BAR COL=7,BAR COL=8,BAR COL=9";
    MainWindow& window = Window();
    QHeaderView* header = window.listView()->horizontalHeader();
    EXPECT_EQ(header->logicalIndex(0), 10);
    EXPECT_EQ(header->sectionSize(10), 90);

    header->moveSection(header->visualIndex(2), 1);
    session_->preferences.listFormat.clear();
    window.RunCommand(CommandPreferences);
    const auto places = ParseColumnFormat(session_->preferences.listFormat, 11);
    ASSERT_TRUE(places.has_value()) << session_->preferences.listFormat;
    EXPECT_EQ((*places)[0].column, 10);
    EXPECT_EQ((*places)[1].column, 2);
    auto* preferences = window.findChild<PreferencesWindow*>();
    ASSERT_NE(preferences, nullptr);
    EXPECT_TRUE(preferences->isVisible());
    preferences->reject();

    // Not while a run is active.
    frontend_.SetBusy(true);
    EXPECT_FALSE(window.menuAction(CommandPreferences)->isEnabled());
    frontend_.SetBusy(false);
    EXPECT_TRUE(window.menuAction(CommandPreferences)->isEnabled());
}

TEST_F(WindowDialogsTest, ASavedPreferenceReachesTheWindowAtOnce) {
    Add({.name = "OwnDatabase", .type = AppType::STOVAN});
    session_->preferences.flags &= ~ASK_INSTALL;
    session_->preferences.flags2 &= ~HIDE_STOVAN_DATABASES;
    MainWindow& window = Window();
    window.show();
    const int rows = window.list().rowCount();
    window.RunCommand(CommandPreferences);
    auto* preferences = window.findChild<PreferencesWindow*>();
    ASSERT_NE(preferences, nullptr);
    auto check = [&](const char* flag) {
        return qobject_cast<QCheckBox*>(preferences->control(flag));
    };
    check("HIDE_STOVAN_DATABASES")->setChecked(true);
    check("SHOW_BUTTONS")->setChecked(false);
    check("ASK_INSTALL")->setChecked(true);
    ASSERT_TRUE(preferences->SaveFromControls().ok());

    EXPECT_LT(window.list().rowCount(), rows) << "the list hides the database packages";
    EXPECT_FALSE(window.commandButton(ItemInstall)->isVisible()) << "the buttons follow";
    EXPECT_EQ(window.commandButton(ItemInstall)->text(), QStringLiteral("&Install..."));
    EXPECT_FALSE(std::ranges::any_of(session_->log.entries(), [](const LogEntry& entry) {
        return entry.text.starts_with("Checking installed version");
    })) << "no version check without a changed type drawer";
    window.close();
}

TEST_F(WindowDialogsTest, OtherVersionMenusOfferTheKeptArchives) {
    ApplicationItem& item = Add({.name = "Hammer", .state = ItemState::INSTALLED});
    item.serverVersion = {3, 0, 0};
    const std::string drawer = session_->preferences.downloadDir;
    for (const char* file : {"Hammer_v1.2.lha", "Hammer_v1.10.lha", "Other_v9.9.lha"}) {
        ASSERT_TRUE(amiga::WriteFile(session_->dos, JoinPath(drawer, file), "not an archive").ok());
    }
    MainWindow& window = Window();
    window.SetActiveItem(&item);

    // Installed: Repair offers them; Install, disabled, offers nothing.
    EXPECT_EQ(window.BuildOtherVersionMenu(ItemInstall), nullptr);
    std::unique_ptr<QMenu> menu(window.BuildOtherVersionMenu(ItemRepair));
    ASSERT_NE(menu, nullptr);
    QStringList labels;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            labels << action->text();
        }
    }
    EXPECT_EQ(labels, (QStringList{QStringLiteral("Repair 'Hammer'"), QStringLiteral("V1.10"),
                                   QStringLiteral("V1.2")}));

    // The run takes the chosen version; the offered one comes back after.
    frontend_.setAnswerer([](auto, auto, auto) { return 1; });
    window.RunOtherVersion(ItemRepairOtherVersion, {1, 2, 0});
    EXPECT_EQ(item.serverVersion, (VersionTriple{3, 0, 0}));
    EXPECT_TRUE(std::ranges::any_of(session_->log.entries(), [](const LogEntry& entry) {
        return entry.text == "Version 1.2 of 'Hammer' is available.";
    })) << "the run took the chosen version";
}

TEST_F(WindowDialogsTest, OpenInstallDirIsOfferedWhereTheDrawerIs) {
    ApplicationItem& present = Add({.name = "Present", .state = ItemState::INSTALLED});
    ApplicationItem& absent = Add({.name = "Absent", .state = ItemState::INSTALLED});
    for (ApplicationItem* item : {&present, &absent}) {
        ASSERT_TRUE(item->SetTextField(ItemField::installDir, "SYS:Tools/").ok());
    }
    ASSERT_TRUE(amiga::CreateDrawerPath(session_->dos, "SYS:Tools/Present").ok());
    MainWindow& window = Window();
    auto offers = [&](ApplicationItem& item) {
        window.SetActiveItem(&item);
        std::unique_ptr<QMenu> menu(window.BuildContextMenu());
        return std::ranges::any_of(menu->actions(), [](const QAction* action) {
            return action->data().toInt() == kOpenInstallDir;
        });
    };
    EXPECT_TRUE(offers(present));
    EXPECT_FALSE(offers(absent));

    const auto link = HostFolderLink(session_->dos, "SYS:Tools/Present");
    ASSERT_TRUE(link.has_value());
    EXPECT_TRUE(link->isLocalFile());
    EXPECT_TRUE(link->toLocalFile().endsWith(QStringLiteral("/Tools/Present")))
        << link->toLocalFile().toStdString();
    EXPECT_FALSE(HostFolderLink(session_->dos, "SYS:Tools/Absent").has_value());
}

}  // namespace
}  // namespace stovan::ui
