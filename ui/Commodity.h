#pragma once
// Stovan as a commodity on the desktop: the window is shown or iconified
// (hidden behind the tray icon where the desktop has a tray, minimised
// elsewhere), the hot key and the tray bring it back, and an update found
// while nobody looks is told to the desktop's notification service.

#include <QObject>
#include <QString>
#include <string>

#include "database/Item.h"
#include "prefs/Preferences.h"
#include "ui/HotKey.h"
#include "ui/Notifications.h"

class QWidget;

namespace stovan::ui {

class TrayIcon;

class Commodity final : public QObject {
    Q_OBJECT

  public:
    // useTray: iconify into the tray (TrayIcon::Available() on a desktop).
    Commodity(QWidget& window, const Preferences& preferences, bool useTray,
              QObject* parent = nullptr);

    // Leaves the iconified state: the window opens and comes to the front.
    void Show();
    // The window goes: into the tray, or minimised without one.
    void Iconify();
    // No window is open, or it is minimised.
    bool iconified() const;

    // Grabs the hot key of the input description (CX_POPKEY). Where that
    // is impossible Stovan runs without one, and says so once on standard
    // error. True when the key is grabbed.
    bool SetUpHotKey(const std::string& description);

    // A version check found the item outdated: the notification, when the
    // rules of NotifiesUpdate allow it.
    void UpdateFound(const ApplicationItem& item, bool processingActive);

    DesktopNotifications& notifications() { return notifications_; }

  signals:
    // The tray's Quit.
    void quitRequested();

  private:
    QWidget& window_;
    const Preferences& preferences_;
    TrayIcon* tray_ = nullptr;
    HotKey hotKey_;
    DesktopNotifications notifications_;
};

}  // namespace stovan::ui
