#include "app/CommandRun.h"

#include <cstdio>

#include "core/Messages.h"
#include "core/TerminalText.h"
#include "database/ConfigFiles.h"
#include "database/Loader.h"
#include "desktop/CompanionCommands.h"
#include "desktop/Interrupt.h"
#include "engine/ArchiveFetch.h"
#include "engine/CompanionCommands.h"
#include "engine/ProgramFolders.h"
#include "engine/ServerVersion.h"
#include "engine/Session.h"
#include "platform/Catalog.h"
#include "prefs/SystemPreferences.h"

namespace stovan::app {

void Complain(std::string_view text) {
    std::fprintf(stderr, "stovan: %s\n", TerminalText(text).c_str());
}

CommandRun::CommandRun(DatabaseSession& session, bool yes, std::function<void()> onRelaunch)
    : session_(session),
      frontend_(TerminalOptionsForProcess(yes)),
      server_(session.dos, frontend_, session.log, RunningProgramFolder() + "/stovan-shell"),
      check_{*session.engine, server_, frontend_, {}, nullptr},
      context_(check_) {
    Engine& engine = *session.engine;
    check_.serverStep = MakeServerStep(engine, server_, [] { return TakeInterrupts(); });
    context_.fetchArchive =
        MakeArchiveFetcher(engine, [&engine, this](const ApplicationItem&, std::string_view url,
                                                   const std::string& drawer, std::string& stored) {
            return FetchNetworkArchive(engine, frontend_, url, drawer, stored,
                                       [] { return TakeInterrupts(); });
        });
    context_.preferredLanguages = amiga::PreferredLanguages();
    context_.startProgram = [](std::string_view commandLine) {
        // No viewer on the command line: say where the changelog is.
        std::fprintf(stderr, "stovan: %s\n", TerminalText(commandLine).c_str());
    };
    context_.reloadDatabases = [&engine] { return ReloadDatabase(engine); };
    context_.relaunch = [this, onRelaunch = std::move(onRelaunch)] {
        // Stovan replaced itself: what the new program must find.
        (void)savePreferences(session_.preferences, session_.dos, kPreferencesPath);
        if (onRelaunch) {
            onRelaunch();
        } else {
            std::fprintf(stderr,
                         "stovan: Stovan was updated; the next start runs the new "
                         "program\n");
        }
    };
    check_.relaunchRequested = &context_.relaunchRequested;
    server_.setRelaunchRequested(&context_.relaunchRequested);
}

bool CommandRun::Finish(std::size_t first) {
    const bool saved = LogFailure(session_, SaveConfiguration(*session_.engine, kPrefsDrawer)).ok();
    PrintLog(session_.log, first, stdout);
    return saved;
}

std::unique_ptr<DatabaseSession> OpenLoadedSession(const Context& context) {
    auto opened = OpenDatabaseSession(context);
    if (!opened) {
        std::fprintf(stderr, "stovan: %s\n", opened.error().c_str());  // host paths
        return nullptr;
    }
    std::unique_ptr<DatabaseSession> session = std::move(*opened);
    if (!LogFailure(*session, LaunchReload(*session->engine))) {
        PrintLog(session->log, 0, stderr);
        return nullptr;
    }
    return session;
}

std::unique_ptr<DatabaseSession> OpenOperationSession(const Context& context) {
    std::unique_ptr<DatabaseSession> session = OpenLoadedSession(context);
    if (!session) {
        return nullptr;
    }
    const std::string drawer = CompanionCommandDrawer(session->dos);
    if (const Status status =
            InstallCompanionCommands(session->dos, CompanionCommandNames(), drawer);
        !status.ok()) {
        Complain(std::string(PlainText(GetString(status.message()))));
        return nullptr;
    }
    InstallInterruptHandler();
    return session;
}

}  // namespace stovan::app
