// The window's face towards the engine: requester answers by button number,
// the gauge level, the working state, and the event loop's wait in Qt's
// loop (ready descriptors, timeouts, and Abort returning 315 into the
// waiting operation).

#include <gtest/gtest.h>
#include <unistd.h>

#include <QTimer>
#include <array>

#include "core/MessageIds.h"
#include "desktop/ServeEvents.h"
#include "tests/support/TempRoot.h"
#include "ui/QtFrontend.h"

namespace stovan::ui {
namespace {

TEST(QtFrontend, GaugeLevels) {
    EXPECT_EQ(GaugeLevel(0, 0), 0);
    EXPECT_EQ(GaugeLevel(1, 2), 500);
    EXPECT_EQ(GaugeLevel(3, 3), 1000);
    EXPECT_EQ(GaugeLevel(9, 3), 1000);
    EXPECT_EQ(GaugeLevel(4294967295u, 4294967295u), 1000);
    EXPECT_EQ(GaugeLevel(1, 4294967295u), 0);
}

TEST(QtFrontend, RequestersAnswerThroughTheSeamAndBusyNests) {
    QtFrontend frontend;
    std::string asked;
    frontend.setAnswerer(
        [&](std::string_view title, std::string_view body, std::string_view buttons) {
            asked = std::string(title) + "|" + std::string(body) + "|" + std::string(buttons);
            return 2;
        });
    EXPECT_EQ(frontend.Request("T", "B", "_Update|*A_ll|_Abort"), 2);
    EXPECT_EQ(asked, "T|B|_Update|*A_ll|_Abort");

    std::vector<bool> changes;
    QObject::connect(&frontend, &QtFrontend::busyChanged,
                     [&](bool busy) { changes.push_back(busy); });
    int lists = 0;
    QObject::connect(&frontend, &QtFrontend::listChanged, [&] { ++lists; });
    frontend.SetBusy(true);
    frontend.SetBusy(true);  // a check inside a processing run
    frontend.RefreshList();
    frontend.RefreshList();
    frontend.SetBusy(false);
    EXPECT_TRUE(frontend.busy());
    frontend.RequestAbort();
    frontend.SetBusy(false);
    EXPECT_FALSE(frontend.busy());
    // An abort pressed in a run does not outlive it.
    EXPECT_FALSE(frontend.abortRequested());
    EXPECT_EQ(changes, (std::vector<bool>{true, false}));
    EXPECT_EQ(lists, 1);
}

TEST(QtFrontend, AbortReturnsAbortedIntoTheWaitingOperation) {
    stovan::test::TempRoot root;
    Log log;
    QtFrontend frontend;
    EventServer server(root.dos(), frontend, log, "/nonexistent/stovan-shell");
    server.setPoller([&frontend](std::vector<pollfd>& fds, std::chrono::milliseconds timeout) {
        return WaitInQtLoop(frontend, fds, timeout);
    });
    bool served = false;
    QTimer::singleShot(20, [&] {
        served = true;  // the window's events run during the wait
        frontend.RequestAbort();
    });
    const Status waited = server.ServeEvents([] { return false; });
    EXPECT_TRUE(served);
    EXPECT_EQ(waited.message(), msg::ProcessingAborted);
}

}  // namespace
}  // namespace stovan::ui
