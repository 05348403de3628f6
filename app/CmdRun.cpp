// stovan run [--popup] [--noimages] [--yes] [CX_POPKEY=... CX_PRI=... ...]:
// Stovan's start as the program itself does it, without a window: the
// catalog, the session (the port and the preferences), the start-up
// arguments (the program icon's tool types, then the command line), the
// companion commands in C:, the launch step, then shutdown at once. When
// Stovan has installed a new version of itself, shutdown saves and starts
// the program again in place with the same arguments.
//
// Exit codes: 0 done; 10 a relaunch was refused (Stovan installed itself
// again right after a relaunch); 20 start-up failed (a companion command in
// C: or missing, the C: assign, another run on the root, the root itself),
// the launch reload could not save Config.db, or the modes could not be
// saved at shutdown.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandRegistry.h"
#include "app/CommandRun.h"
#include "app/DatabaseSession.h"
#include "app/Startup.h"
#include "core/Messages.h"
#include "core/TerminalText.h"
#include "desktop/CompanionCommands.h"
#include "desktop/Interrupt.h"
#include "engine/CompanionCommands.h"
#include "engine/ImageCache.h"
#include "engine/Launch.h"
#include "engine/StartupArguments.h"
#include "platform/SystemRoot.h"

namespace stovan::app {

namespace {

struct RunOptions {
    bool popUp = false;
    bool noImages = false;
    bool yes = false;
    std::vector<std::string> words;  // the start-up arguments as the shell passed them
};

// The start-up words: --popup and --noimages as the template's switches.
std::vector<std::string> StartupWords(const RunOptions& options) {
    std::vector<std::string> words = options.words;
    if (options.popUp) {
        words.emplace_back("CX_POPUP");
    }
    if (options.noImages) {
        words.emplace_back("NOIMAGES");
    }
    return words;
}

const char* WindowWord(const LaunchOutcome& outcome) {
    if (outcome.quit) {
        return "Stovan quits";
    }
    return outcome.windowOpens ? "the window opens" : "Stovan stays iconified";
}

enum class Ending { Done, Relaunch };

// Start-up, launch step and shutdown; the exit code, and whether the
// program must start again once everything is released.
int StartAndStop(const Context& context, const RunOptions& options, bool relaunched,
                 Ending& ending) {
    ending = Ending::Done;
    auto dos = amiga::OpenProcessRoot(context.root);
    if (!dos) {
        Complain(dos.error());  // host paths
        return 20;
    }
    bool running = false;
    auto runningLock = TakeRunningLock(dos->rootFolder(), running);
    if (!runningLock) {
        Complain(runningLock.error());
        return 20;
    }
    auto held = OpenHeldSession(context, *dos, StartupWords(options));
    if (!held) {
        Complain(held.error());
        return 20;
    }
    DatabaseSession& session = *held->session;
    const StartupArguments& arguments = held->arguments;
    const std::string& drawer = held->commandDrawer;
    InstallInterruptHandler();
    int code = 0;
    {
        CommandRun run(session, options.yes, [] {});
        LaunchSettings settings;
        settings.popUp = arguments.popUp;
        // The retry of the image downloads that failed earlier.
        settings.retryMissingImages = [&session, &run] {
            ImageContext images{*session.engine, [] { return TakeInterrupts(); }};
            // Each failure is in the log already, and a failed picture keeps
            // its placeholder, so the result adds nothing to tell.
            (void)FetchMissingImages(images, run.frontend());
        };
        const LaunchOutcome outcome = RunLaunchStep(run.context(), settings);

        // Shutdown: C: loses the commands drawer, then the modes are saved.
        RemoveCompanionCommands(session.dos, drawer);
        const bool saved = run.Finish(0);
        for (const FoundApplication& found : outcome.found) {
            std::printf("found\t%s\t%s\n", TerminalText(found.name).c_str(),
                        TerminalText(found.installDir).c_str());
        }
        if (!outcome.result.ok()) {
            Complain(PlainText(GetString(outcome.result.message())));
            return 20;
        }
        if (outcome.relaunch) {
            if (relaunched) {
                Complain(
                    "Stovan installed itself again right after its restart; not restarting "
                    "once more (check the version of the 'Stovan' entry)");
                code = 10;
            } else {
                std::printf("Stovan was updated: starting again\n");
                ending = Ending::Relaunch;
            }
        } else {
            std::printf("%u outdated; %s\n", outcome.outdated, WindowWord(outcome));
        }
        if (!saved) {
            ending = Ending::Done;  // the new start would not find the user's modes
            code = 20;
        }
    }
    return code;
}

int Run(const Context& context, const RunOptions& options) {
    const bool relaunched = TakeRelaunchMark();
    Ending ending = Ending::Done;
    const int code = StartAndStop(context, options, relaunched, ending);
    if (ending != Ending::Relaunch) {
        return code;
    }
    // Everything is saved and released (the session, its locks, the port):
    // the process becomes the new start.
    return RestartAfterRelaunch();
}

}  // namespace

void AddRunCommand(CLI::App& program, Context& context) {
    auto options = std::make_shared<RunOptions>();
    CLI::App* command = program.add_subcommand(
        "run", "start Stovan as the program does, without the window (launch step, then shutdown)");
    command->add_flag("--popup", options->popUp, "as CX_POPUP: the window opens at launch");
    command->add_flag("--noimages", options->noImages, "as NOIMAGES: no application images");
    command->add_flag("--yes", options->yes, "answer every question with its default");
    command->add_option("ARGUMENTS", options->words,
                        "start-up arguments: CX_POPKEY,CX_PRI/N,CX_POPUP/S,NOIMAGES/S");
    command->callback([&context, options] { context.exitCode = Run(context, *options); });
}

}  // namespace stovan::app
