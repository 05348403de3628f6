#include "ui/TrayIcon.h"

#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSystemTrayIcon>

#include "core/MessageIds.h"
#include "core/Messages.h"

namespace stovan::ui {

namespace {

QString Message(MessageId number) {
    const std::string_view text = GetString(number);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64, 128}) {
        QPixmap picture(size, size);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal unit = size / 16.0;
        // A box (the application) below a down arrow (the update).
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x2f, 0x6f, 0xb5));
        painter.drawRoundedRect(QRectF(1 * unit, 7 * unit, 14 * unit, 8 * unit), unit, unit);
        painter.setBrush(QColor(0xf2, 0x9b, 0x1d));
        QPainterPath arrow;
        arrow.moveTo(6 * unit, 1 * unit);
        arrow.lineTo(10 * unit, 1 * unit);
        arrow.lineTo(10 * unit, 5 * unit);
        arrow.lineTo(13 * unit, 5 * unit);
        arrow.lineTo(8 * unit, 10 * unit);
        arrow.lineTo(3 * unit, 5 * unit);
        arrow.lineTo(6 * unit, 5 * unit);
        arrow.closeSubpath();
        painter.drawPath(arrow);
        painter.end();
        icon.addPixmap(picture);
    }
    return icon;
}

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
    tray_ = new QSystemTrayIcon(ProgramIcon(), this);
    tray_->setToolTip(QStringLiteral("Stovan"));
    menu_ = new QMenu();
    connect(menu_->addAction(Message(msg::LogMenuShow)), &QAction::triggered, this,
            &TrayIcon::showRequested);
    connect(menu_->addAction(Message(msg::MenuHide)), &QAction::triggered, this,
            &TrayIcon::hideRequested);
    menu_->addSeparator();
    connect(menu_->addAction(Message(msg::MenuQuit)), &QAction::triggered, this,
            &TrayIcon::quitRequested);
    tray_->setContextMenu(menu_);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
                    emit toggleRequested();
                }
            });
}

TrayIcon::~TrayIcon() {
    delete menu_;  // a context menu has no parent of its own
}

bool TrayIcon::Available() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::setVisible(bool visible) {
    tray_->setVisible(visible);
}

bool TrayIcon::visible() const {
    return tray_->isVisible();
}

}  // namespace stovan::ui
