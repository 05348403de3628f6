#include "ui/Commodity.h"

#include <QWidget>
#include <cstdio>

#include "ui/TrayIcon.h"

namespace stovan::ui {

Commodity::Commodity(QWidget& window, const Preferences& preferences, bool useTray, QObject* parent)
    : QObject(parent), window_(window), preferences_(preferences) {
    window_.setWindowIcon(ProgramIcon());
    if (useTray) {
        tray_ = new TrayIcon(this);
        connect(tray_, &TrayIcon::showRequested, this, &Commodity::Show);
        connect(tray_, &TrayIcon::hideRequested, this, &Commodity::Iconify);
        connect(tray_, &TrayIcon::toggleRequested, this, [this] {
            if (iconified()) {
                Show();
            } else {
                Iconify();
            }
        });
        connect(tray_, &TrayIcon::quitRequested, this, &Commodity::quitRequested);
        tray_->setVisible(true);
    }
    connect(&hotKey_, &HotKey::activated, this, &Commodity::Show);
}

void Commodity::Show() {
    if (window_.isMinimized()) {
        window_.showNormal();
    } else {
        window_.show();
    }
    window_.raise();
    window_.activateWindow();
}

void Commodity::Iconify() {
    if (tray_ != nullptr) {
        window_.hide();
    } else {
        window_.showMinimized();
    }
}

bool Commodity::iconified() const {
    return !window_.isVisible() || window_.isMinimized();
}

bool Commodity::SetUpHotKey(const std::string& description) {
    QString why;
    if (const auto combination = ParseHotKey(description)) {
        if (hotKey_.Register(*combination, why)) {
            return true;
        }
    } else {
        why = QStringLiteral("it names no key combination");
    }
    std::fprintf(stderr, "stovan: running without the hot key \"%s\": %s\n",
                 QString::fromLatin1(description.data(), static_cast<qsizetype>(description.size()))
                     .toUtf8()
                     .constData(),
                 why.toUtf8().constData());
    return false;
}

void Commodity::UpdateFound(const ApplicationItem& item, bool processingActive) {
    if (!NotifiesUpdate(item, processingActive, iconified(),
                        (preferences_.flags2 & ALWAYS_NOTIFY) != 0)) {
        return;
    }
    const std::string& name = item.displayText();
    // Nobody to tell is no failure: the notification is dropped.
    (void)notifications_.Send(
        QString::fromLatin1(kUpdateAvailableIdentifier),
        QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
}

}  // namespace stovan::ui
