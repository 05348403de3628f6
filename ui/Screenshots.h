#pragma once
// Pictures of the window for the documentation: the main window as it
// stands (with its log pane opened and the first installed application
// active), then every window a menu command opens, each grabbed to a PNG
// file in a folder. Run under a real X server (tools/screenshots.sh uses
// Xvfb), so that the pictures show what a desktop draws.

#include <QString>
#include <functional>
#include <vector>

namespace stovan::ui {

class MainWindow;

struct ScreenshotShot {
    int command;   // the menu command that opens the window (MenuCommand)
    QString file;  // the PNG's name
};

// The windows the menus open, by command. The About window is here; the
// preferences window joins this list when the program has one.
std::vector<ScreenshotShot> MenuWindowShots();

// Takes the pictures into folder (made when missing), one after the
// other from the event loop, then calls done with the number of files
// written; a window that did not open is left out (and said on standard
// error).
void TakeScreenshots(MainWindow& window, const QString& folder,
                     const std::vector<ScreenshotShot>& shots, std::function<void(int)> done);

}  // namespace stovan::ui
