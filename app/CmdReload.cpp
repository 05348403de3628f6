// stovan reload: loads the database as Stovan does at start, then reloads it
// the way the Reload menu does (the user's modes and drawers are saved to
// Config.db and the version results kept through T:StovanVersion.db), and
// prints the log. Exit code 10 when the log holds a FATAL entry.

#include <cstdio>

#include "app/CommandRegistry.h"
#include "app/DatabaseSession.h"
#include "platform/Latin1.h"

namespace {

int Reload(const stovan::app::Context& context) {
    auto session = stovan::app::OpenDatabaseSession(context);
    if (!session) {
        std::fprintf(stderr, "stovan: %s\n", session.error().c_str());  // host paths
        return 20;
    }
    return stovan::app::RunReload(**session, stdout);
}

}  // namespace

void stovan::app::AddReloadCommand(CLI::App& program, stovan::app::Context& context) {
    CLI::App* command = program.add_subcommand(
        "reload", "reload the database, keeping modes, drawers and version results");
    command->callback([&context] { context.exitCode = Reload(context); });
}
