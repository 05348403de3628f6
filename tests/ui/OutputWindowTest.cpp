// The script output window: it opens with a script's output, the run's
// end waits until the user closes it (or aborts), and the next script
// starts with an empty window.

#include <gtest/gtest.h>

#include <QTimer>

#include "ui/OutputWindow.h"
#include "ui/QtFrontend.h"

namespace stovan::ui {
namespace {

TEST(OutputWindow, TheRunWaitsUntilTheWindowIsClosed) {
    QtFrontend frontend;
    OutputWindow window;
    QObject::connect(&frontend, &QtFrontend::outputArrived, &window, &OutputWindow::Append);
    QObject::connect(&frontend, &QtFrontend::abortRequestedSignal, &window, &OutputWindow::abort);
    frontend.setOutputWait([&] { window.WaitUntilClosed(); });

    // A script that wrote nothing opened no window and is not held up.
    frontend.EndOutput();
    EXPECT_FALSE(window.isVisible());

    frontend.ShowOutput("first line\n");
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Stovan Output Window"));
    bool closedByUser = false;
    QTimer::singleShot(0, &window, [&] {
        closedByUser = true;
        window.close();
    });
    frontend.EndOutput();
    EXPECT_TRUE(closedByUser) << "returned before the user closed the window";
    EXPECT_FALSE(window.isVisible());

    // The next script's output starts afresh; Abort ends the wait.
    frontend.ShowOutput("second\n");
    EXPECT_EQ(window.text(), QStringLiteral("second\n"));
    bool aborted = false;
    QTimer::singleShot(0, &window, [&] {
        aborted = true;
        frontend.RequestAbort();
    });
    frontend.EndOutput();
    EXPECT_TRUE(aborted);
    window.close();
}

}  // namespace
}  // namespace stovan::ui
