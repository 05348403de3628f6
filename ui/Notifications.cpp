#include "ui/Notifications.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QTimer>
#include <QVariantMap>

namespace stovan::ui {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

}  // namespace

bool NotifiesUpdate(const ApplicationItem& item, bool processingActive, bool iconified,
                    bool alwaysNotify) {
    return item.mode != ItemMode::IGNORE && !processingActive && (iconified || alwaysNotify);
}

DesktopNotifications::DesktopNotifications(QObject* parent) : QObject(parent) {}

bool DesktopNotifications::Send(const QString& identifier, const QString& text) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    // Asking the bus first keeps a missing service from starting one (or
    // from an error answer for every item).
    if (QDBusConnectionInterface* names = bus.interface();
        names == nullptr || !names->isServiceRegistered(kService).value()) {
        return false;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("x-stovan-identifier"), identifier);
    hints.insert(QStringLiteral("category"), QStringLiteral("x-stovan.update"));
    call << QStringLiteral("Stovan") << 0U << QStringLiteral("stovan") << text << QString()
         << QStringList() << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), this);
    ++outstanding_;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                --outstanding_;
                call->deleteLater();
                emit this->answered();
            });
    return true;
}

bool DesktopNotifications::WaitForAnswers(int timeoutMs) {
    if (outstanding_ == 0) {
        return true;
    }
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    connect(this, &DesktopNotifications::answered, &loop, [this, &loop] {
        if (outstanding_ == 0) {
            loop.quit();
        }
    });
    loop.exec();
    return outstanding_ == 0;
}

}  // namespace stovan::ui
