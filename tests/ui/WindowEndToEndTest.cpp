// The window end to end on the demonstration site: an installation (with
// the dependency it needs), an update and an uninstallation made through
// the window's buttons, every requester answered by the test, and the
// Abort button pressed while an archive is downloading.

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/MessageIds.h"
#include "core/Messages.h"
#include "database/Loader.h"
#include "desktop/CompanionCommands.h"
#include "engine/CompanionCommands.h"
#include "engine/ProgramFolders.h"
#include "engine/Session.h"
#include "platform/DosFiles.h"
#include "platform/Locks.h"
#include "tests/support/DemoSite.h"
#include "ui/MainWindow.h"

namespace stovan::ui {
namespace {

class WindowEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(site_.ready()) << site_.problem();
        auto opened = OpenSession(site_.root().root());
        ASSERT_TRUE(opened) << opened.error();
        session_ = std::move(*opened);
        ASSERT_TRUE(LaunchReload(*session_->engine).ok());
        ASSERT_TRUE(InstallCompanionCommands(session_->dos, CompanionCommandNames(),
                                             CompanionCommandDrawer(session_->dos))
                        .ok());
        session_->preferences.flags |= SHOW_BUTTONS;
        // Every question is answered with the first button (Yes, Install,
        // Continue), and remembered.
        frontend_.setAnswerer([this](std::string_view, std::string_view body, std::string_view) {
            questions_.emplace_back(body);
            return 1;
        });
        runs_ = std::make_unique<EngineRuns>(*session_, frontend_,
                                             RunningProgramFolder() + "/stovan-shell");
        window_ = std::make_unique<MainWindow>(*session_, frontend_, *runs_);
        window_->show();
        // As the user would: the applications watched, then the menu's
        // "Check for updates" learns what is installed and offered.
        for (ApplicationItem& item : session_->engine->items()) {
            item.mode = ItemMode::NOTIFY;
        }
        window_->RunCommand(CommandCheckUpdates);
        ASSERT_EQ(session_->engine->items().FindItem("TuneBox", false)->state,
                  ItemState::NOTINSTALLED);
    }
    void TearDown() override {
        if (HasFailure() && session_) {
            for (const LogEntry& entry : session_->log.entries()) {
                std::printf("log: %s\n", entry.text.c_str());
            }
        }
        window_.reset();
        runs_.reset();
        if (session_) {
            RemoveCompanionCommands(session_->dos, CompanionCommandDrawer(session_->dos));
        }
        session_.reset();
    }

    // Makes the item active and presses the button of the command.
    ApplicationItem& Press(const std::string& name, int command) {
        ApplicationItem* item = session_->engine->items().FindItem(name, false);
        EXPECT_NE(item, nullptr) << name;
        window_->SetActiveItem(item);
        QPushButton* button = window_->commandButton(command);
        EXPECT_TRUE(button->isEnabled()) << name << " " << command;
        button->click();
        ApplicationItem* after = session_->engine->items().FindItem(name, false);
        EXPECT_NE(after, nullptr) << name;
        return *after;
    }
    bool Exists(const std::string& path) const { return amiga::Lock(session_->dos, path).ok(); }
    bool Logged(MessageId number) const {
        return std::ranges::any_of(session_->log.entries(), [&](const LogEntry& entry) {
            return entry.text.find(GetString(number)) != std::string::npos;
        });
    }

    test::DemoSite site_;
    std::unique_ptr<Session> session_;
    QtFrontend frontend_;
    std::unique_ptr<EngineRuns> runs_;
    std::unique_ptr<MainWindow> window_;
    std::vector<std::string> questions_;
};

TEST_F(WindowEndToEnd, InstallUpdateAndUninstallThroughTheButtons) {
    {
        SCOPED_TRACE("install: MailNest brings codesets.library with it");
        const ApplicationItem& mail = Press("MailNest", ItemInstall);
        EXPECT_EQ(mail.state, ItemState::INSTALLED);
        EXPECT_EQ(mail.installedVersion, (VersionTriple{1, 2, 0}));
        EXPECT_TRUE(Exists("LIBS:codesets.library"));
        EXPECT_EQ(session_->engine->items().FindItem("CodeSets", false)->state,
                  ItemState::INSTALLED);
        EXPECT_FALSE(questions_.empty());  // the dependency was asked about
    }
    {
        SCOPED_TRACE("update: an older copy is found by Check, then replaced");
        ApplicationItem& mail = *session_->engine->items().FindItem("MailNest", false);
        const std::string program = mail.installDir() + "MailNest/MailNest";
        ASSERT_TRUE(Exists(program)) << program;
        ASSERT_TRUE(
            amiga::WriteFile(session_->dos, program, "$VER: MailNest 1.1 (01.11.2026)\n").ok());
        EXPECT_EQ(Press("MailNest", ItemCheck).state, ItemState::OUTDATED);
        const ApplicationItem& updated = Press("MailNest", ItemUpdate);
        EXPECT_EQ(updated.state, ItemState::INSTALLED);
        EXPECT_EQ(updated.installedVersion, (VersionTriple{1, 2, 0}));
    }
    {
        SCOPED_TRACE("uninstall");
        const ApplicationItem& paint = Press("PixelPaint", ItemInstall);
        ASSERT_EQ(paint.state, ItemState::INSTALLED);
        const std::string drawer = paint.installDir() + "PixelPaint";
        EXPECT_TRUE(Exists(drawer));
        EXPECT_EQ(Press("PixelPaint", ItemUninstall).state, ItemState::NOTINSTALLED);
        EXPECT_FALSE(Exists(drawer));
    }
    EXPECT_FALSE(Logged(msg::ProcessingAborted));
    EXPECT_FALSE(runs_->active());
}

TEST_F(WindowEndToEnd, AbortDuringADownload) {
    // The archive trickles in: 16 bytes every 100 ms, seconds for TuneBox.
    site_.server().setPace(16, std::chrono::milliseconds(100));
    // Abort is pressed once the transfer's gauge is up.
    bool pressed = false;
    QObject::connect(&frontend_, &QtFrontend::gaugeShown, window_.get(),
                     [this, &pressed](bool shown) {
                         if (shown && !pressed) {
                             pressed = true;
                             frontend_.RequestAbort();  // what the status line's Abort does
                         }
                     });
    const ApplicationItem& tune = Press("TuneBox", ItemInstall);
    EXPECT_TRUE(pressed) << "the download was never seen";
    EXPECT_TRUE(Logged(msg::ProcessingAborted));
    EXPECT_EQ(tune.state, ItemState::NOTINSTALLED);
    EXPECT_FALSE(Exists(tune.installDir() + "TuneBox"));
    EXPECT_FALSE(runs_->active());
    // After the abort the window works again: the next install goes through.
    site_.server().setPace(0, std::chrono::milliseconds(0));
    EXPECT_EQ(Press("PixelPaint", ItemInstall).state, ItemState::INSTALLED);
}

}  // namespace
}  // namespace stovan::ui
