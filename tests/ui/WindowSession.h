#pragma once
// A session on a throw-away root with its databases loaded, a front end
// and the engine runs, for the suites that open the main window.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/Session.h"
#include "tests/support/TempFolder.h"
#include "tests/ui/ListItems.h"
#include "ui/EngineRuns.h"
#include "ui/MainWindow.h"
#include "ui/QtFrontend.h"

namespace stovan::ui::test {

class WindowSession : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // An item with an INSTALL and an UNINSTALL block.
    ApplicationItem& Add(const ItemSpec& spec);
    // The window, made on first use (after the test's items are added).
    MainWindow& Window();

    stovan::test::TempFolder folder_{"stovan-window"};
    std::unique_ptr<Session> session_;
    QtFrontend frontend_;
    std::unique_ptr<EngineRuns> runs_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace stovan::ui::test
