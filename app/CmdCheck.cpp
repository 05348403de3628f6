// stovan check --mode system [NAME...]: the version check of the installed
// side. Every item (or each named one, by name or DUPENAME) gets its
// installed version, date and state; the check's log lines are printed and
// the results kept in T:StovanVersion.db, where the next command reads
// them. Ctrl-C stops the check after the current item (the running
// Version command is interrupted). Exit code 10 for an unknown name or
// mode, 20 when the companion commands cannot be set up or the check was
// aborted.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandRegistry.h"
#include "app/DatabaseSession.h"
#include "core/MessageIds.h"
#include "core/Messages.h"
#include "core/TerminalText.h"
#include "database/ConfigFiles.h"
#include "database/Loader.h"
#include "database/Parser.h"
#include "desktop/CompanionCommands.h"
#include "desktop/Interrupt.h"
#include "desktop/ServeEvents.h"
#include "desktop/TerminalFrontend.h"
#include "engine/CompanionCommands.h"
#include "engine/ProgramFolders.h"
#include "engine/Session.h"
#include "engine/VersionCheck.h"
#include "platform/Latin1.h"

namespace {

struct CheckOptions {
    std::string mode = "system";
    std::vector<std::string> names;
    bool yes = false;
};

int Check(const stovan::app::Context& context, const CheckOptions& options) {
    using namespace stovan;
    if (!amiga::EqualsNoCase(options.mode, "system")) {
        std::fprintf(stderr, "stovan: check mode '%s' is not available yet (only 'system')\n",
                     options.mode.c_str());
        return 10;
    }
    auto opened = app::OpenDatabaseSession(context);
    if (!opened) {
        std::fprintf(stderr, "stovan: %s\n", opened.error().c_str());  // host paths
        return 20;
    }
    app::DatabaseSession& session = **opened;
    Engine& engine = *session.engine;
    if (!LogFailure(session, LaunchReload(engine))) {
        app::PrintLog(session.log, 0, stderr);
        return 20;
    }

    std::vector<ApplicationItem*> items;
    for (const std::string& name : options.names) {
        ApplicationItem* item = engine.items().FindItem(name, false);
        if (item == nullptr) {
            item = engine.items().FindItem(name, true);
        }
        if (item == nullptr) {
            std::fprintf(stderr, "stovan: no application named '%s'\n",
                         stovan::VisibleText(name).c_str());
            return 10;
        }
        items.push_back(item);
    }

    const std::string drawer = CompanionCommandDrawer(session.dos);
    if (const Status status =
            InstallCompanionCommands(session.dos, CompanionCommandNames(), drawer);
        !status.ok()) {
        std::fprintf(stderr, "stovan: %s\n",
                     amiga::Latin1ToUtf8(PlainText(GetString(status.message()))).c_str());
        return 20;
    }
    InstallInterruptHandler();
    TerminalFrontend frontend(TerminalOptionsForProcess(options.yes));
    EventServer server(session.dos, frontend, session.log,
                       RunningProgramFolder() + "/stovan-shell");
    VersionCheckContext check{engine, server, frontend, {}, nullptr};

    const std::size_t first = session.log.entries().size();
    if (items.empty()) {
        (void)VersionCheckRun(check, CheckMode::System, CheckScope::All);
    } else {
        for (ApplicationItem* item : items) {
            (void)VersionCheckRun(check, CheckMode::System, CheckScope::One, item);
            if (check.aborted) {
                break;
            }
        }
    }
    RemoveCompanionCommands(session.dos, drawer);
    app::PrintLog(session.log, first, stdout);
    (void)SaveVersionCache(engine, kVersionCacheFileName);
    if (check.aborted) {
        std::fprintf(stderr, "stovan: %s\n", GetString(msg::ProcessingAborted).data());
        return 20;
    }
    return 0;
}

}  // namespace

void stovan::app::AddCheckCommand(CLI::App& program, stovan::app::Context& context) {
    {
        CLI::App* command =
            program.add_subcommand("check", "find the installed version of every application");
        auto options = std::make_shared<CheckOptions>();
        command->add_option("--mode", options->mode, "the check's mode: system")
            ->capture_default_str();
        command->add_option("NAME", options->names, "only these applications");
        command->add_flag("--yes", options->yes, "answer every question with its default");
        command->callback([&context, options] { context.exitCode = Check(context, *options); });
    }
}
