// stovan gui [--popup] [--noimages] [ARGUMENTS]: the desktop program. It
// starts exactly as `stovan run` does (the root's running lock, the
// catalog, the session, the start-up arguments, the companion commands in
// C:, the launch step through the window's runs) and then serves the
// window until it closes; shutdown removes the commands drawer, saves the
// user's modes and the version results, and starts Stovan again when it
// has replaced itself meanwhile. Without a subcommand, stovan opens it too
// when a display is there.
//
// One Stovan per root: a second start on a root whose window is open asks
// that window to show itself and ends with 0; a root held by `stovan run`
// (which has no window to show) is refused as `stovan run` refuses it.

#include "app/GuiCommand.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/CommandRegistry.h"
#include "app/CommandRun.h"
#include "app/DatabaseSession.h"
#include "app/Startup.h"
#include "core/Messages.h"
#include "database/ConfigFiles.h"
#include "database/Loader.h"
#include "database/Parser.h"
#include "desktop/CompanionCommands.h"
#include "desktop/TerminalFrontend.h"
#include "engine/CompanionCommands.h"
#include "engine/ImageCache.h"
#include "engine/Launch.h"
#include "engine/ProgramFolders.h"
#include "platform/Latin1.h"
#include "platform/SystemRoot.h"
#include "prefs/SystemPreferences.h"
#include "ui/Commodity.h"
#include "ui/EngineRuns.h"
#include "ui/MainWindow.h"
#include "ui/QtFrontend.h"
#include "ui/QuitSignals.h"
#include "ui/Screenshots.h"
#include "ui/SingleInstance.h"
#include "ui/TrayIcon.h"

namespace stovan::app {

namespace {

// How long shutdown waits for the desktop to answer its notifications.
constexpr int kNotificationWaitMs = 3000;

enum class Ending { Done, Relaunch };

// A start-up failure: on standard error and in a requester, as Stovan
// shows them ("Stovan request..."). No requester where nobody can see or
// answer it (the offscreen and minimal platforms): the start would wait
// for an answer for ever.
void StartupFailure(const std::string& text) {
    Complain(text);
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        return;
    }
    QMessageBox::critical(nullptr, QString::fromLatin1(GetString(msg::RequesterTitle).data()),
                          QString::fromUtf8(amiga::Latin1ToUtf8(text).c_str()));
}

// Start-up, the launch step, the window's life and shutdown; the exit code,
// and whether the program must start again once everything is released.
int StartServeAndStop(const Context& context, const WindowOptions& options, bool relaunched,
                      Ending& ending) {
    ending = Ending::Done;
    auto dos = amiga::OpenProcessRoot(context.root);
    if (!dos) {
        Complain(dos.error());  // host paths
        return 20;
    }
    const QString serverName = ui::InstanceServerName(dos->rootFolder());
    bool running = false;
    auto runningLock = TakeRunningLock(dos->rootFolder(), running);
    if (!runningLock) {
        if (running && ui::SingleInstance::AskToShow(serverName)) {
            std::printf("Stovan already runs on %s: its window is shown\n",
                        dos->rootFolder().c_str());
            return 0;
        }
        Complain(runningLock.error());
        return 20;
    }
    ui::SingleInstance instance;
    if (QString why; !instance.Listen(serverName, why)) {
        // A second start then refuses instead of showing this window.
        Complain("a second start cannot reach this window: " + why.toStdString());
    }
    auto held = OpenHeldSession(context, *dos, options.words);
    if (!held) {
        StartupFailure(held.error());
        return 20;
    }
    DatabaseSession& session = *held->session;
    const StartupArguments& arguments = held->arguments;
    const std::string& drawer = held->commandDrawer;

    int code = 0;
    bool relaunch = false;
    {
        ui::QtFrontend frontend;
        ui::EngineRuns runs(session, frontend, RunningProgramFolder() + "/stovan-shell");
        ui::MainWindow window(session, frontend, runs);
        window.RestoreGeometry();
        ui::Commodity commodity(window, session.preferences, ui::TrayIcon::Available());
        window.setIconify([&commodity] { commodity.Iconify(); });
        QObject::connect(&instance, &ui::SingleInstance::showRequested, &commodity,
                         &ui::Commodity::Show);
        QObject::connect(&commodity, &ui::Commodity::quitRequested, &window,
                         [&window] { window.RunCommand(ui::CommandQuit); });
        // quit() before exec() is lost: a close during the launch step is
        // remembered and the event loop not entered.
        bool closed = false;
        QObject::connect(&window, &ui::MainWindow::closed, &window, [&closed] {
            closed = true;
            QApplication::quit();
        });
        // The session's end or a terminal's control-C: Quit, with everything saved.
        ui::QuitSignals quitSignals;
        bool quitAsked = false;
        QObject::connect(&quitSignals, &ui::QuitSignals::quitRequested, &window,
                         [&window, &quitAsked] {
                             quitAsked = true;
                             // A requester waiting for its answer is closed first (as if
                             // cancelled), so that the run waiting on it can end.
                             if (QWidget* modal = QApplication::activeModalWidget()) {
                                 modal->close();
                             }
                             window.RunCommand(ui::CommandQuit);
                         });

        ProcessContext& processing = runs.context();
        processing.check.outdatedNotice = [&commodity, &processing](const ApplicationItem& item) {
            commodity.UpdateFound(item, processing.check.processingActive);
        };
        // Stovan replaced itself during a run: what the new program must
        // find is saved, and the event loop ends once the run has ended.
        processing.relaunch = [&session] {
            (void)savePreferences(session.preferences, session.dos, kPreferencesPath);
        };
        QObject::connect(&frontend, &ui::QtFrontend::busyChanged, &window,
                         [&processing](bool busy) {
                             if (!busy && processing.relaunchRequested != 0) {
                                 QApplication::quit();
                             }
                         });

        // The window opens at once with CX_POPUP (or a held qualifier), so
        // the launch step's checks are seen; else Stovan starts iconified.
        LaunchSettings settings;
        const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
        settings.popUp = arguments.popUp;
        settings.qualifierHeld = (held & (Qt::ShiftModifier | Qt::ControlModifier)) != 0;
        if (settings.popUp || settings.qualifierHeld) {
            commodity.Show();
        }
        settings.retryMissingImages = [&session, &frontend] {
            ImageContext images{*session.engine, [&frontend] { return frontend.TakeAbort(); }};
            // Each failure is in the log already; a failed picture keeps its placeholder.
            (void)FetchMissingImages(images, frontend);
        };
        const LaunchOutcome outcome = runs.Launch(settings);
        if (quitAsked && !closed) {
            // Asked during the launch step, whose end the window does not
            // see as a run of its own: the close happens now.
            window.RunCommand(ui::CommandQuit);
        }

        if (outcome.relaunch) {
            relaunch = true;
        } else if (!outcome.quit && !closed) {
            if (outcome.windowOpens) {
                commodity.Show();
            } else {
                commodity.Iconify();
            }
            // A key that cannot be grabbed is told on standard error; Stovan runs on.
            (void)commodity.SetUpHotKey(arguments.popKey);
            if (!options.screenshots.empty()) {
                commodity.Show();
                const std::vector<ui::ScreenshotShot> shots = ui::MenuWindowShots();
                ui::TakeScreenshots(window, QString::fromStdString(options.screenshots), shots,
                                    [&code, expected = shots.size() + 1](int written) {
                                        if (static_cast<std::size_t>(written) != expected) {
                                            code = 20;
                                        }
                                        QApplication::quit();
                                    });
            }
            (void)QApplication::exec();  // only quit() ends it, always with 0
            if (processing.relaunchRequested != 0) {
                // The list still holds what Stovan knew before it replaced
                // itself: the new start learns its own versions afresh.
                PrepareRelaunch(*session.engine);
                relaunch = true;
            }
            window.SaveGeometry();
        }
        // A notification still unanswered is the desktop's: nothing here waits on it.
        (void)commodity.notifications().WaitForAnswers(kNotificationWaitMs);
        if (!outcome.result.ok()) {
            code = 20;  // the launch reload could not save Config.db first
        }
    }

    // Shutdown: C: loses the commands drawer, then what the user chose and
    // what the checks found are saved.
    RemoveCompanionCommands(session.dos, drawer);
    const Status saved = LogFailure(session, SaveConfiguration(*session.engine, kPrefsDrawer));
    // A cache: a failed save costs the next start only a fresh check.
    (void)SaveVersionCache(*session.engine, kVersionCacheFileName);
    if (!saved.ok()) {
        Complain(std::string(PlainText(GetString(saved.message()))));
        return 20;
    }
    if (relaunch) {
        if (relaunched) {
            Complain(
                "Stovan installed itself again right after its restart; not restarting once "
                "more (check the version of the 'Stovan' entry)");
            return 10;
        }
        ending = Ending::Relaunch;
    }
    return code;
}

}  // namespace

bool DisplayAvailable() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

int RunWindow(const Context& context, const WindowOptions& options) {
    // Without a display Qt would end the process; say why instead. A
    // platform named explicitly (offscreen, vnc) needs none.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!DisplayAvailable() && (platform == nullptr || *platform == '\0')) {
        std::fputs("stovan: no display to open the window on (DISPLAY or WAYLAND_DISPLAY)\n",
                   stderr);
        return 20;
    }
    const bool relaunched = TakeRelaunchMark();
    Ending ending = Ending::Done;
    int code = 0;
    {
        int argc = 1;
        char name[] = "stovan";
        char* argv[] = {name, nullptr};
        QApplication application(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Stovan"));
        QApplication::setDesktopFileName(QStringLiteral("stovan"));
        // The window's closed() ends Stovan; hiding it into the tray does not.
        QApplication::setQuitOnLastWindowClosed(false);
        code = StartServeAndStop(context, options, relaunched, ending);
    }
    if (ending != Ending::Relaunch) {
        return code;
    }
    // Everything is saved and released (the session, its locks, the
    // socket, the display): the process becomes the new start.
    return RestartAfterRelaunch();
}

void AddGuiCommand(CLI::App& program, Context& context) {
    auto options = std::make_shared<WindowOptions>();
    auto popUp = std::make_shared<bool>(false);
    auto noImages = std::make_shared<bool>(false);
    CLI::App* command = program.add_subcommand("gui", "open the desktop program's window");
    command->add_flag("--popup", *popUp, "as CX_POPUP: the window opens at launch");
    command->add_flag("--noimages", *noImages, "as NOIMAGES: no application images");
    command->add_option("ARGUMENTS", options->words,
                        "start-up arguments: CX_POPKEY,CX_PRI/N,CX_POPUP/S,NOIMAGES/S");
    command->callback([&context, options, popUp, noImages] {
        WindowOptions chosen = *options;
        if (*popUp) {
            chosen.words.emplace_back("CX_POPUP");
        }
        if (*noImages) {
            chosen.words.emplace_back("NOIMAGES");
        }
        context.exitCode = RunWindow(context, chosen);
    });
}

}  // namespace stovan::app
