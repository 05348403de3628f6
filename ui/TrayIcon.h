#pragma once
// Stovan's icon in the desktop's system tray while it runs: a click shows
// or hides the window, its menu offers Show, Hide and Quit. Used only where
// the desktop has a tray (TrayIcon::Available()); elsewhere the iconified
// window is minimised instead.

#include <QIcon>
#include <QObject>

class QMenu;
class QSystemTrayIcon;

namespace stovan::ui {

// The program's icon, drawn rather than read, so that the tray and the
// window have it without any file.
QIcon ProgramIcon();

class TrayIcon final : public QObject {
    Q_OBJECT

  public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    static bool Available();
    void setVisible(bool visible);
    bool visible() const;

  signals:
    void showRequested();
    void hideRequested();
    // A click on the icon itself.
    void toggleRequested();
    void quitRequested();

  private:
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* menu_ = nullptr;
};

}  // namespace stovan::ui
