#include "ui/Screenshots.h"

#include <QApplication>
#include <QDir>
#include <QItemSelectionModel>
#include <QPixmap>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <memory>

#include "ui/MainWindow.h"

namespace stovan::ui {

namespace {

// Time for the desktop to map and draw a window before it is grabbed.
constexpr int kSettleMs = 700;

bool Save(QWidget& widget, const QString& path) {
    const QPixmap picture = widget.grab();
    if (picture.isNull() || !picture.save(path, "PNG")) {
        std::fprintf(stderr, "stovan: cannot write %s\n", path.toUtf8().constData());
        return false;
    }
    std::printf("%s\n", path.toUtf8().constData());
    return true;
}

// The window a command opened: the modal one, else the newest visible
// top-level window other than the main window.
QWidget* OpenedWindow(const QWidget& main) {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    QWidget* found = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget != &main && widget->isVisible() && widget->isWindow() &&
            widget->windowType() != Qt::Popup && widget->windowType() != Qt::ToolTip) {
            found = widget;
        }
    }
    return found;
}

struct Progress {
    MainWindow& window;
    QString folder;
    std::vector<ScreenshotShot> shots;
    std::function<void(int)> done;
    std::size_t next = 0;
    int written = 0;
};

void NextShot(const std::shared_ptr<Progress>& progress) {
    if (progress->next >= progress->shots.size()) {
        progress->done(progress->written);
        return;
    }
    const ScreenshotShot shot = progress->shots[progress->next++];
    // The command may open a modal window whose exec() only returns when
    // it closes: the grab is made from a timer inside that loop.
    QTimer::singleShot(kSettleMs, &progress->window, [progress, shot] {
        QWidget* opened = OpenedWindow(progress->window);
        if (opened == nullptr) {
            std::fprintf(stderr, "stovan: menu command %d opened no window\n", shot.command);
        } else {
            progress->written += Save(*opened, progress->folder + "/" + shot.file) ? 1 : 0;
            opened->close();
        }
        QTimer::singleShot(0, &progress->window, [progress] { NextShot(progress); });
    });
    progress->window.RunCommand(shot.command);
}

}  // namespace

std::vector<ScreenshotShot> MenuWindowShots() {
    return {
        {CommandAbout, QStringLiteral("about-window.png")},
        {CommandPreferences, QStringLiteral("preferences-window.png")},
    };
}

void TakeScreenshots(MainWindow& window, const QString& folder,
                     const std::vector<ScreenshotShot>& shots, std::function<void(int)> done) {
    (void)QDir().mkpath(folder);  // without it each picture's save fails and says so
    auto progress = std::make_shared<Progress>(Progress{window, folder, shots, std::move(done)});
    // An installed application is the active one (so that the outdated ones
    // show their highlight, not the selection's colour), and the log is open.
    ApplicationListModel& list = window.list();
    for (int row = 0; row < list.rowCount(); ++row) {
        if (list.itemAt(row)->state == ItemState::INSTALLED) {
            window.SetActiveItem(list.itemAt(row));
            break;
        }
    }
    emit window.logModel().showRequested();
    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QSize room = screen->availableSize();
        window.resize(std::min(room.width(), 1280), std::min(room.height(), 800));
    }
    QTimer::singleShot(kSettleMs, &window, [progress] {
        progress->written += Save(progress->window, progress->folder + "/main-window.png") ? 1 : 0;
        NextShot(progress);
    });
}

}  // namespace stovan::ui
