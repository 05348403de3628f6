// The window on the desktop: the hot key's description, the rules of the
// update notification, the second start that shows the running window, and
// the iconified state without a tray.

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QFile>
#include <QLocalSocket>
#include <QWidget>
#include <chrono>
#include <future>
#include <thread>

#include "tests/support/TempFolder.h"
#include "tests/ui/ListItems.h"
#include "ui/Commodity.h"
#include "ui/HotKey.h"
#include "ui/Notifications.h"
#include "ui/QuitSignals.h"
#include "ui/SingleInstance.h"

namespace stovan::ui {
namespace {

// Serves Qt's events until the future is ready (the server side of a
// client that runs on another thread).
template <typename T>
T ServeUntil(std::future<T>& result) {
    while (result.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
        QCoreApplication::processEvents();
    }
    return result.get();
}

TEST(HotKey, DescriptionsAndHostileText) {
    EXPECT_EQ(ParseHotKey("control alt f5"), (HotKeyCombination{kModControl | kModAlt, 0xffc2}));
    // "rawkey" leads, any case, extra blanks.
    EXPECT_EQ(ParseHotKey("  RawKey  LShift\tHELP "), (HotKeyCombination{kModShift, 0xff6a}));
    EXPECT_EQ(ParseHotKey("lcommand s"), (HotKeyCombination{kModSuper, 's'}));
    EXPECT_EQ(ParseHotKey("ctrl f12"), (HotKeyCombination{kModControl, 0xffc9}));
    EXPECT_EQ(ParseHotKey("f1"), (HotKeyCombination{0, 0xffbe}));
    for (const std::string& text :
         {std::string(), std::string("control alt"), std::string("control a b"),
          std::string("control banana"), std::string("f0"), std::string("alt f13"),
          std::string("control rawkey f5"), std::string(100000, 'a')}) {
        SCOPED_TRACE(text.substr(0, 20));
        EXPECT_FALSE(ParseHotKey(text).has_value());
    }
}

TEST(HotKey, NoGrabWithoutAnX11Display) {
    // The tests draw offscreen: there is no desktop to grab a key on.
    HotKey key;
    QString why;
    EXPECT_FALSE(key.Register(HotKeyCombination{kModControl | kModAlt, 0xffc2}, why));
    EXPECT_FALSE(key.registered());
    EXPECT_FALSE(why.isEmpty());
}

TEST(Notifications, TheThreeConditions) {
    test::TestEngine fixture;
    const ApplicationItem& watched = fixture.Add({.name = "Watched", .mode = ItemMode::NOTIFY});
    const ApplicationItem& ignored = fixture.Add({.name = "Ignored", .mode = ItemMode::IGNORE});
    // Arguments: the item, a processing run, iconified, ALWAYS_NOTIFY.
    EXPECT_TRUE(NotifiesUpdate(watched, false, true, false)) << "iconified";
    EXPECT_FALSE(NotifiesUpdate(watched, false, false, false)) << "visible without ALWAYS_NOTIFY";
    EXPECT_TRUE(NotifiesUpdate(watched, false, false, true)) << "visible with ALWAYS_NOTIFY";
    EXPECT_FALSE(NotifiesUpdate(watched, true, true, true)) << "during a processing run";
    EXPECT_FALSE(NotifiesUpdate(ignored, false, true, true)) << "mode Ignore never";
}

TEST(Notifications, WithoutAServiceNothingIsSentAndShutdownDoesNotWait) {
    // The suite runs without a session bus (or with one lacking the service).
    DesktopNotifications notifications;
    EXPECT_FALSE(notifications.Send(QString::fromLatin1(kUpdateAvailableIdentifier),
                                    QStringLiteral("MailNest")));
    EXPECT_EQ(notifications.outstanding(), 0);
    EXPECT_TRUE(notifications.WaitForAnswers(60000));  // returns at once
}

TEST(SingleInstance, ASecondStartShowsTheRunningWindow) {
    stovan::test::TempFolder folder;
    const QString name = QString::fromStdString(folder.path() + "/instance");
    EXPECT_FALSE(SingleInstance::AskToShow(name, 500)) << "nobody listens";
    // A socket left by a Stovan that died is taken over.
    ASSERT_TRUE(QFile(name).open(QIODevice::WriteOnly));
    SingleInstance running;
    QString why;
    ASSERT_TRUE(running.Listen(name, why)) << why.toStdString();
    int shown = 0;
    QObject::connect(&running, &SingleInstance::showRequested, [&shown] { ++shown; });
    auto asked =
        std::async(std::launch::async, [&name] { return SingleInstance::AskToShow(name, 5000); });
    EXPECT_TRUE(ServeUntil(asked));
    EXPECT_EQ(shown, 1);
    for (const QByteArray& hostile :
         {QByteArray("hide\n"), QByteArray("show"), QByteArray(100000, 's')}) {
        SCOPED_TRACE(hostile.left(10).toStdString());
        auto answer = std::async(std::launch::async, [&name, hostile] {
            QLocalSocket socket;
            socket.connectToServer(name);
            if (!socket.waitForConnected(2000)) {
                return QByteArray("not connected");
            }
            socket.write(hostile);
            (void)socket.waitForBytesWritten(2000);
            // The server closes the connection: a line without its end
            // after its time, anything too long at once.
            while (socket.state() == QLocalSocket::ConnectedState &&
                   socket.waitForReadyRead(5000)) {
            }
            return socket.readAll();
        });
        EXPECT_EQ(ServeUntil(answer), QByteArray());
        EXPECT_EQ(shown, 1);
    }
    EXPECT_NE(InstanceServerName("/a/root"), InstanceServerName("/a/root2"));
    EXPECT_EQ(InstanceServerName("/a/root"), InstanceServerName("/a/root"));
}

TEST(Commodity, IconifiedWithoutATrayIsMinimised) {
    QWidget window;
    Preferences preferences;
    Commodity commodity(window, preferences, false);
    EXPECT_TRUE(commodity.iconified());  // never shown
    commodity.Show();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(commodity.iconified());
    commodity.Iconify();
    EXPECT_TRUE(window.isMinimized());
    EXPECT_TRUE(commodity.iconified());
    commodity.Show();  // from minimised
    EXPECT_FALSE(commodity.iconified());
}

TEST(QuitSignals, TerminationBecomesQuitAndTheDefaultComesBack) {
    {
        QuitSignals quitSignals;
        int quits = 0;
        QObject::connect(&quitSignals, &QuitSignals::quitRequested, [&quits] { ++quits; });
        for (int number : {SIGTERM, SIGHUP, SIGINT}) {
            SCOPED_TRACE(number);
            const int before = quits;
            ASSERT_EQ(::raise(number), 0);  // the process lives on
            for (int turn = 0; turn < 100 && quits == before; ++turn) {
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
            }
            EXPECT_EQ(quits, before + 1);
        }
    }
    struct sigaction now {};
    ASSERT_EQ(::sigaction(SIGTERM, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}

}  // namespace
}  // namespace stovan::ui
