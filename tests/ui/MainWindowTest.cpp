// The main window over a session on a throw-away root: which controls and
// menu entries a state, a mode and a running operation allow, the button
// labels, double click, the search toggle and the log toggle.

#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <algorithm>
#include <functional>
#include <optional>
#include <string>

#include "core/MessageIds.h"
#include "platform/DosFiles.h"
#include "prefs/Preferences.h"
#include "tests/ui/ListItems.h"
#include "tests/ui/WindowSession.h"
#include "ui/Controls.h"
#include "ui/MainWindow.h"

namespace stovan::ui {
namespace {

using test::ItemSpec;
using test::TestEngine;

TEST(Controls, EnablingFollowsTheActionsAndTheRun) {
    TestEngine fixture;
    ApplicationItem& missing = fixture.Add({.name = "Missing"});
    ApplicationItem& installed = fixture.Add({.name = "Here", .state = ItemState::INSTALLED});
    ApplicationItem& outdated = fixture.Add({.name = "Old", .state = ItemState::OUTDATED});
    ApplicationItem& database =
        fixture.Add({.name = "Db", .type = AppType::STOVAN, .state = ItemState::NOTINSTALLED});
    ApplicationItem& fixed = fixture.Add({.name = "Fixed"});
    ASSERT_TRUE(fixed.AddItemFlags(INSTALLDIR_DISABLED).ok());
    // The controls a state allows, by name.
    auto enabled = [](const ApplicationItem* item, bool processing = false) {
        const ControlStates s = ControlStatesFor(item, processing);
        const bool on[] = {s.install, s.update, s.check, s.repair, s.uninstall, s.mode, s.drawer};
        const char* names[] = {"install",   "update", "check", "repair",
                               "uninstall", "mode",   "drawer"};
        std::string text;
        for (std::size_t i = 0; i < std::size(on); ++i) {
            text += on[i] ? std::string(text.empty() ? "" : " ") + names[i] : "";
        }
        return text;
    };
    EXPECT_EQ(enabled(nullptr), "") << "no item";
    EXPECT_EQ(enabled(&missing), "install check mode drawer");
    EXPECT_EQ(enabled(&installed), "check repair uninstall mode")
        << "no drawer even when it has one";
    EXPECT_EQ(enabled(&outdated), "update check repair uninstall mode");
    EXPECT_EQ(enabled(&database), "install check") << "a database package: fixed mode and drawer";
    EXPECT_EQ(enabled(&fixed), "install check mode");
    EXPECT_EQ(enabled(&outdated, true), "") << "a run blocks everything";
    EXPECT_EQ(ButtonLabel(msg::InstallButton, true, false), "_Install...");
    EXPECT_EQ(ButtonLabel(msg::InstallButton, true, true), "_Install ...");
    EXPECT_EQ(ButtonLabel(msg::InstallButton, false, true), "_Install");
}

// The window's suite asks before installing, not before updating, and
// toggles modes with a double click.
class MainWindowTest : public test::WindowSession {
  protected:
    void SetUp() override {
        WindowSession::SetUp();
        session_->preferences.flags |= ASK_INSTALL;
        session_->preferences.flags &= ~ASK_UPDATE;
        session_->preferences.flags2 |= DOUBLECLICK_INSTALL;
    }
};

TEST_F(MainWindowTest, ButtonsAndMenusFollowTheItemAndTheRun) {
    ApplicationItem& outdated = Add({.name = "OldTool", .state = ItemState::OUTDATED});
    ApplicationItem& missing = Add({.name = "NewTool"});
    MainWindow& window = Window();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Stovan V2.18"));
    EXPECT_EQ(window.commandButton(ItemInstall)->text(), QStringLiteral("&Install..."));
    EXPECT_EQ(window.commandButton(ItemUpdate)->text(), QStringLiteral("U&pdate"));

    window.SetActiveItem(&outdated);
    EXPECT_TRUE(window.commandButton(ItemUpdate)->isEnabled());
    window.SetActiveItem(&missing);
    EXPECT_TRUE(window.commandButton(ItemInstall)->isEnabled());

    // A run: only About, Hide and Quit stay, and no button.
    frontend_.SetBusy(true);
    for (int command : {CommandReload, CommandCheckUpdates, CommandProcessAll, CommandSearch}) {
        EXPECT_FALSE(window.menuAction(command)->isEnabled()) << command;
    }
    for (int command : {CommandAbout, CommandHide, CommandQuit}) {
        EXPECT_TRUE(window.menuAction(command)->isEnabled()) << command;
    }
    for (int command : {ItemInstall, ItemUpdate, ItemCheck, ItemRepair, ItemUninstall}) {
        EXPECT_FALSE(window.commandButton(command)->isEnabled()) << command;
    }
    // Commands that start a run are ignored meanwhile.
    const ItemMode before = missing.mode;
    window.DoubleClicked(missing);
    EXPECT_EQ(missing.mode, before);
    frontend_.SetBusy(false);
    EXPECT_TRUE(window.menuAction(CommandReload)->isEnabled());
    EXPECT_TRUE(window.commandButton(ItemInstall)->isEnabled());
}

TEST_F(MainWindowTest, DoubleClickTogglesUpdateAndTheRowFollows) {
    ApplicationItem& item = Add({.name = "Toggle", .mode = ItemMode::NOTIFY});
    MainWindow& window = Window();
    window.SetActiveItem(&item);
    window.DoubleClicked(item);
    EXPECT_EQ(item.mode, ItemMode::INSTALL);
    const int row = window.list().rowOf(&item);
    ASSERT_GE(row, 0);
    EXPECT_EQ(window.list().data(window.list().index(row, ColumnMode)).toString(),
              QStringLiteral("Update"));
    window.DoubleClicked(item);
    EXPECT_EQ(item.mode, ItemMode::IGNORE);
}

TEST_F(MainWindowTest, SearchCountersAndTheLogToggle) {
    Add({.name = "Unusual-Name-Zq"});
    MainWindow& window = Window();
    const int all = window.list().rowCount();
    window.SetSearchShown(true);
    window.AcknowledgeSearch(QStringLiteral("unusual-name-zq"));
    EXPECT_EQ(window.list().rowCount(), 1);
    EXPECT_TRUE(window.statusText().endsWith(QStringLiteral("%1 filtered!").arg(all - 1)));
    window.SetSearchShown(false);
    EXPECT_EQ(window.list().rowCount(), all);

    EXPECT_FALSE(window.logShown());
    session_->log.AddLogEntry(msg::SeverityFatal);
    EXPECT_TRUE(window.logShown());
}

TEST_F(MainWindowTest, RunsNeverNestAndAReloadWaitsForTheRunsEnd) {
    ApplicationItem& item = Add({.name = "Checked"});
    int reloads = 0;
    runs_->setReloaded([&] { ++reloads; });
    std::optional<bool> putOff;
    std::optional<bool> nestedRan;
    QObject::connect(&frontend_, &QtFrontend::progressChanged, [&] {
        if (!putOff) {
            putOff = runs_->Reload();
            nestedRan = runs_->CheckAll(CheckMode::Quick).has_value();
            EXPECT_EQ(reloads, 0);
        }
    });
    ASSERT_TRUE(runs_->CheckItem(item, CheckMode::Quick).has_value());
    ASSERT_TRUE(putOff.has_value());
    EXPECT_TRUE(*putOff);
    EXPECT_FALSE(*nestedRan);
    EXPECT_EQ(reloads, 1);
    EXPECT_FALSE(runs_->active());
    // Idle, a reload happens at once.
    EXPECT_FALSE(runs_->Reload());
    EXPECT_EQ(reloads, 2);
}

TEST_F(MainWindowTest, AFailureTheEngineOnlyReturnsReachesTheLog) {
    // The download drawer is a file: the run cannot enter it, and the
    // engine returns that without logging it.
    ASSERT_TRUE(amiga::WriteFile(session_->dos, "PROGDIR:NoDrawer", "a file").ok());
    session_->preferences.downloadDir = "PROGDIR:NoDrawer";
    const auto failures = [&] {
        return std::ranges::count_if(session_->log.entries(), [](const LogEntry& entry) {
            return entry.severity == kSeverityFatal &&
                   entry.text == "Failed to enter download drawer!";
        });
    };
    struct Row {
        const char* name;
        std::function<std::optional<ProcessOutcome>(ApplicationItem&)> run;
    };
    const Row rows[] = {
        {"one item",
         [&](ApplicationItem& item) { return runs_->ProcessOne(item, ItemMode::INSTALL); }},
        {"every item", [&](ApplicationItem&) { return runs_->ProcessAll(); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ApplicationItem& item = Add({.name = std::string("Blocked ") + row.name,
                                     .state = ItemState::OUTDATED,
                                     .mode = ItemMode::INSTALL});
        const auto before = failures();
        const std::optional<ProcessOutcome> outcome = row.run(item);
        ASSERT_TRUE(outcome.has_value());
        EXPECT_EQ(outcome->result.message(), msg::CannotEnterDownloadDrawer);
        EXPECT_EQ(failures(), before + 1) << "logged once";
    }
}

TEST_F(MainWindowTest, AColumnFormatThatCannotBeSavedAtCloseIsToldOnStandardError) {
    MainWindow& window = Window();
    session_->preferences.listFormat = "a format the header does not have";
    // A drawer where the file belongs (a full disk would stop the capture too).
    (void)amiga::DeleteFile(session_->dos, kPreferencesPath);  // there may be none yet
    ASSERT_TRUE(amiga::CreateDrawerPath(session_->dos, kPreferencesPath).ok());
    testing::internal::CaptureStderr();
    window.close();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("stovan: Unable to open\n'PROGDIR:Prefs/stovan.prefs'!"), std::string::npos)
        << said;
    EXPECT_TRUE(std::ranges::any_of(session_->log.entries(), [](const LogEntry& entry) {
        return entry.text == "Unable to open\n'PROGDIR:Prefs/stovan.prefs'!";
    }));
}

}  // namespace
}  // namespace stovan::ui
