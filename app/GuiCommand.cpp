// stovan gui: the desktop program's window over the session of --root.
// Without a subcommand, stovan opens it too when a display is there.
//
// Until the launch step of the engine is there for every front end, the
// window's session is opened and its databases loaded here, in
// OpenWindowSession, and nowhere else.

#include "app/GuiCommand.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/CommandRegistry.h"
#include "app/DatabaseSession.h"
#include "core/Messages.h"
#include "database/ConfigFiles.h"
#include "database/Loader.h"
#include "database/Parser.h"
#include "desktop/CompanionCommands.h"
#include "desktop/TerminalFrontend.h"
#include "engine/CompanionCommands.h"
#include "engine/ProgramFolders.h"
#include "platform/Latin1.h"
#include "ui/EngineRuns.h"
#include "ui/MainWindow.h"
#include "ui/QtFrontend.h"

namespace stovan::app {

namespace {

// The session of the window with its databases loaded and the companion
// commands in their drawer; null after a complaint on standard error.
std::unique_ptr<DatabaseSession> OpenWindowSession(const Context& context) {
    auto opened = OpenDatabaseSession(context);
    if (!opened) {
        std::fprintf(stderr, "stovan: %s\n", opened.error().c_str());  // host paths
        return nullptr;
    }
    std::unique_ptr<DatabaseSession> session = std::move(*opened);
    // A failed load is in the log, which the window shows.
    (void)LogFailure(*session, LaunchReload(*session->engine));
    const std::string drawer = CompanionCommandDrawer(session->dos);
    if (const Status status =
            InstallCompanionCommands(session->dos, CompanionCommandNames(), drawer);
        !status.ok()) {
        (void)LogFailure(*session, status);
    }
    return session;
}

}  // namespace

bool DisplayAvailable() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

int RunWindow(const Context& context) {
    // Without a display Qt would end the process; say why instead. A
    // platform named explicitly (offscreen, vnc) needs none.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!DisplayAvailable() && (platform == nullptr || *platform == '\0')) {
        std::fputs("stovan: no display to open the window on (DISPLAY or WAYLAND_DISPLAY)\n",
                   stderr);
        return 20;
    }
    int argc = 1;
    char name[] = "stovan";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Stovan"));
    auto session = OpenWindowSession(context);
    if (!session) {
        return 20;
    }
    int result = 0;
    {
        ui::QtFrontend frontend;
        ui::EngineRuns runs(*session, frontend, RunningProgramFolder() + "/stovan-shell");
        ui::MainWindow window(*session, frontend, runs);
        window.RestoreGeometry();
        window.show();
        result = QApplication::exec();
    }
    // What the user chose and what the checks found outlive the window.
    const Status saved = LogFailure(*session, SaveConfiguration(*session->engine, kPrefsDrawer));
    (void)SaveVersionCache(*session->engine, kVersionCacheFileName);
    RemoveCompanionCommands(session->dos, CompanionCommandDrawer(session->dos));
    if (!saved.ok()) {
        std::fprintf(stderr, "stovan: %s\n",
                     amiga::Latin1ToUtf8(PlainText(GetString(saved.message()))).c_str());
        return 20;
    }
    return result == 0 ? 0 : 20;
}

void AddGuiCommand(CLI::App& program, Context& context) {
    CLI::App* command = program.add_subcommand("gui", "open the desktop program's window");
    command->callback([&context] { context.exitCode = RunWindow(context); });
}

}  // namespace stovan::app
