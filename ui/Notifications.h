#pragma once
// The update notification on the desktop: when a version check finds an
// update while nobody is looking, the desktop's notification service
// (org.freedesktop.Notifications on the session bus) is told the item's
// name under the identifier "Stovan.UPDATEAVAILABLE". Without a session bus
// or without the service the notification is dropped silently. Every sent
// notification is answered by the service; shutdown waits for the answers,
// but a bounded time only.

#include <QObject>
#include <QString>

#include "database/Item.h"

namespace stovan::ui {

inline constexpr const char* kUpdateAvailableIdentifier = "Stovan.UPDATEAVAILABLE";

// Whether an item found outdated is told to the desktop: its mode is not
// Ignore, no processing run is active, and Stovan is iconified or the
// preference ALWAYS_NOTIFY is on.
bool NotifiesUpdate(const ApplicationItem& item, bool processingActive, bool iconified,
                    bool alwaysNotify);

class DesktopNotifications final : public QObject {
    Q_OBJECT

  public:
    explicit DesktopNotifications(QObject* parent = nullptr);

    // Sends one notification: summary the text (the item's displayName,
    // else its name), the identifier as the hint "x-stovan-identifier".
    // False when there is no session bus or service to send it to.
    bool Send(const QString& identifier, const QString& text);

    // Notifications sent and not yet answered.
    int outstanding() const { return outstanding_; }

    // Serves the event loop until every notification was answered or
    // timeoutMs passed; true when none is outstanding.
    bool WaitForAnswers(int timeoutMs);

  signals:
    // One notification was answered (or its call timed out).
    void answered();

  private:
    int outstanding_ = 0;
};

}  // namespace stovan::ui
