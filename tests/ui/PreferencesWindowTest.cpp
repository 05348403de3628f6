// The preferences window over a session on a throw-away root: what Save
// writes and reads back, what Cancel leaves alone, the live dependencies
// between controls and what a save tells the main window.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

#include "core/MessageIds.h"
#include "platform/DosFiles.h"
#include "prefs/SystemPreferences.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TempRoot.h"
#include "ui/DrawerField.h"
#include "ui/PreferencesWindow.h"

namespace stovan::ui {
namespace {

class PreferencesWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto opened = OpenSession(folder_ / "root");
        ASSERT_TRUE(opened) << opened.error();
        session_ = std::move(*opened);
        window_ = std::make_unique<PreferencesWindow>(*session_);
    }
    QCheckBox* Check(const char* flag) { return qobject_cast<QCheckBox*>(window_->control(flag)); }
    QSlider* Slider(const char* word) { return qobject_cast<QSlider*>(window_->control(word)); }
    QComboBox* Cycle(const char* word) { return qobject_cast<QComboBox*>(window_->control(word)); }
    QLineEdit* Text(const char* setting) {
        if (auto* field = qobject_cast<DrawerField*>(window_->control(setting))) {
            return field->edit();
        }
        return qobject_cast<QLineEdit*>(window_->control(setting));
    }
    std::string FileBytes() { return test::ReadAmigaFile(session_->dos, kPreferencesPath); }

    test::TempFolder folder_{"stovan-prefs-window"};
    std::unique_ptr<Session> session_;
    std::unique_ptr<PreferencesWindow> window_;
};

TEST_F(PreferencesWindowTest, SaveWritesWhatTheControlsShowAndItReadsBack) {
    session_->preferences.flags |= DATABASE_WARNING_SHOWN | KEEP_ARCHIVES;
    session_->preferences.flags2 &= ~CLOSE_IS_QUIT;
    session_->preferences.listFormat = "BAR COL=10";
    window_->RefreshControls();

    Check("KEEP_ARCHIVES")->setChecked(false);
    Check("CLOSE_IS_QUIT")->setChecked(true);
    Slider("maxArchives")->setValue(7);
    Cycle("launchAction")->setCurrentIndex(2);
    Cycle("stateFilterPreset")->setCurrentIndex(2);  // "Installed"
    Cycle("modeFilterPreset")->setCurrentIndex(4);   // "Update"
    Text("tempDir")->setText(QStringLiteral("Cache/Temp"));
    Text("installDirGame")->setText(QStringLiteral("Work:Games"));
    Text("imageServer")->setText(QStringLiteral("http://mirror.example/images/stovan/"));
    const Status saved = window_->SaveFromControls();
    ASSERT_TRUE(saved.ok()) << saved.message();
    EXPECT_FALSE(window_->isVisible());

    const Preferences& record = session_->preferences;
    EXPECT_EQ(record.flags & KEEP_ARCHIVES, 0u);
    EXPECT_NE(record.flags & DATABASE_WARNING_SHOWN, 0u) << "a bit the window does not show";
    EXPECT_NE(record.flags2 & CLOSE_IS_QUIT, 0u);
    EXPECT_EQ(record.maxArchives, 7u);
    EXPECT_EQ(record.launchAction, LAUNCH_UPDATE);
    EXPECT_EQ(record.stateFilterPreset, 3u);
    EXPECT_EQ(record.modeFilterPreset, 4u);
    EXPECT_EQ(record.installDirGame, "Work:Games");
    EXPECT_EQ(record.imageServer, "http://mirror.example/images/stovan/");
    EXPECT_EQ(record.listFormat, "BAR COL=10");
    // A drawer without a volume is PROGDIR:'s (validation makes only
    // existing drawers absolute).
    EXPECT_EQ(record.tempDir, "PROGDIR:Cache/Temp");

    Preferences read;
    ASSERT_TRUE(
        loadPreferences(read, session_->dos, kPreferencesPath, session_->dos.profile().kind).ok());
    validatePreferences(read, session_->dos);
    EXPECT_EQ(read, record);

    // Opened again, the window shows what was saved.
    window_->show();
    EXPECT_EQ(Cycle("stateFilterPreset")->currentIndex(), 2);
    EXPECT_EQ(Cycle("modeFilterPreset")->currentIndex(), 4);
    EXPECT_FALSE(Check("KEEP_ARCHIVES")->isChecked());
    window_->reject();
}

TEST_F(PreferencesWindowTest, SaveThatCannotWriteTheFileIsLogged) {
    window_->RefreshControls();
    Slider("maxArchives")->setValue(9);
    {
        test::FileSizeLimit full(0);
        ASSERT_TRUE(full.active());
        window_->findChild<QPushButton*>(QStringLiteral("save"))->click();
    }
    EXPECT_EQ(session_->preferences.maxArchives, 9u) << "in force for this run";
    EXPECT_TRUE(std::ranges::any_of(session_->log.entries(), [](const LogEntry& entry) {
        return entry.severity == kSeverityFatal &&
               entry.text == "Unable to open\n'PROGDIR:Prefs/stovan.prefs'!";
    }));
}

TEST_F(PreferencesWindowTest, CancelAndTheCloseButtonChangeNothing) {
    ASSERT_TRUE(SaveLivePreferences(session_->preferences, session_->dos).ok());
    const Preferences before = session_->preferences;
    const std::string bytes = FileBytes();
    for (const bool viaClose : {false, true}) {
        SCOPED_TRACE(viaClose ? "close button" : "Cancel");
        window_->show();
        Check("ASK_INSTALL")->setChecked(!Check("ASK_INSTALL")->isChecked());
        Slider("connectRetries")->setValue(29);
        Text("downloadDir")->setText(QStringLiteral("RAM:Elsewhere"));
        if (viaClose) {
            window_->close();
        } else {
            window_->reject();
        }
        EXPECT_EQ(session_->preferences, before);
        EXPECT_EQ(FileBytes(), bytes);
        // The next opening shows the record again.
        window_->show();
        EXPECT_EQ(Slider("connectRetries")->value(), static_cast<int>(before.connectRetries));
        window_->reject();
    }
}

TEST_F(PreferencesWindowTest, ControlsFollowTheirSwitchesAtOnce) {
    window_->show();
    for (const auto& [switchName, dependent] :
         {std::pair{"KEEP_ARCHIVES", "maxArchives"}, {"FIND_APPLICATIONS", "finderPaths"}}) {
        SCOPED_TRACE(dependent);
        Check(switchName)->setChecked(false);
        EXPECT_FALSE(window_->control(dependent)->isEnabled());
        Check(switchName)->setChecked(true);
        EXPECT_TRUE(window_->control(dependent)->isEnabled());
    }
    // The backup drawer needs either backup switch.
    Check("BACKUP_BEFORE_INSTALL")->setChecked(false);
    Check("BACKUP_BEFORE_UNINSTALL")->setChecked(false);
    EXPECT_FALSE(window_->control("backupDir")->isEnabled());
    Check("BACKUP_BEFORE_UNINSTALL")->setChecked(true);
    EXPECT_TRUE(window_->control("backupDir")->isEnabled());

    // Emptying the finder's paths brings back the default list.
    Text("finderPaths")->clear();
    EXPECT_TRUE(Text("finderPaths")->text().startsWith(QStringLiteral("SYS:")))
        << Text("finderPaths")->text().toStdString();
    window_->reject();
}

TEST_F(PreferencesWindowTest, DrawerPathsMapBetweenVolumesAndHostFolders) {
    const amiga::DosList& dos = session_->dos;
    auto host = HostFolderOf(dos, "SYS:Not/Yet/There/");
    ASSERT_TRUE(host.has_value());
    EXPECT_EQ(AmigaPathOfHostFolder(dos, *host).value_or("<none>").substr(0, 4), "SYS:")
        << "the nearest existing drawer along the path";
    auto prefs = HostFolderOf(dos, "PROGDIR:");
    ASSERT_TRUE(prefs.has_value());
    const auto back = AmigaPathOfHostFolder(dos, *prefs);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(HostFolderOf(dos, *back), prefs);
    EXPECT_FALSE(AmigaPathOfHostFolder(dos, folder_.path()).has_value())
        << "a folder outside every volume";
    EXPECT_FALSE(HostFolderOf(dos, "NoSuchVolume:Drawer").has_value());
}

}  // namespace
}  // namespace stovan::ui
