// stovan find: the application finder over the drawers of the preference
// finderPaths. Prints each application it adopted with its new install
// drawer ("NAME<tab>DRAWER"), which Config.db keeps from then on.

#include <cstdio>
#include <memory>

#include "app/CommandRegistry.h"
#include "app/DatabaseSession.h"
#include "core/Messages.h"
#include "core/TerminalText.h"
#include "database/ConfigFiles.h"
#include "database/Loader.h"
#include "desktop/TerminalFrontend.h"
#include "engine/Finder.h"

namespace stovan::app {

namespace {

int Find(const Context& context) {
    auto opened = OpenDatabaseSession(context);
    if (!opened) {
        std::fprintf(stderr, "stovan: %s\n", opened.error().c_str());  // host paths
        return 20;
    }
    DatabaseSession& session = **opened;
    if (!LogFailure(session, LaunchReload(*session.engine))) {
        PrintLog(session.log, 0, stderr);
        return 20;
    }
    TerminalFrontend frontend(TerminalOptionsForProcess(false));
    const std::vector<FoundApplication> found = FindApplications(*session.engine, frontend);
    if (!found.empty() &&
        !LogFailure(session, SaveConfiguration(*session.engine, kPrefsDrawer)).ok()) {
        std::fprintf(stderr, "stovan: %s\n",
                     TerminalText(PlainText(GetString(msg::CannotCreateTempFile))).c_str());
        return 20;
    }
    for (const FoundApplication& application : found) {
        std::printf("%s\t%s\n", TerminalText(application.name).c_str(),
                    TerminalText(application.installDir).c_str());
    }
    return 0;
}

}  // namespace

void AddFindCommand(CLI::App& program, Context& context) {
    CLI::App* command = program.add_subcommand(
        "find", "find applications installed elsewhere (the drawers of finderPaths)");
    command->callback([&context] { context.exitCode = Find(context); });
}

}  // namespace stovan::app
