// stovan list [--json]: loads the database as Stovan does at start and shows
// every item in list order: type, name, display name, mode, state, installed
// and server version with their dates, install drawer. With --json, an array
// of objects holding every field of each item under its own name.

#include <cstdio>

#include "app/CommandRegistry.h"
#include "app/DatabaseSession.h"
#include "database/Loader.h"
#include "platform/Latin1.h"

namespace {

int List(const stovan::app::Context& context, bool json) {
    auto session = stovan::app::OpenDatabaseSession(context);
    if (!session) {
        std::fprintf(stderr, "stovan: %s\n", session.error().c_str());  // host paths
        return 20;
    }
    // A list short of entries must not pass for the database: the failure
    // and the log that tells which file broke go to standard error.
    if (!stovan::LogFailure(**session, stovan::LaunchReload(*(*session)->engine))) {
        stovan::app::PrintLog((*session)->log, 0, stderr);
        return 20;
    }
    stovan::app::PrintItemList(*(*session)->engine, json, stdout);
    return 0;
}

}  // namespace

void stovan::app::AddListCommand(CLI::App& program, stovan::app::Context& context) {
    CLI::App* command =
        program.add_subcommand("list", "load the database and list every application");
    auto json = std::make_shared<bool>(false);
    command->add_flag("--json", *json, "print a JSON array with every field of each item");
    command->callback([&context, json] { context.exitCode = List(context, *json); });
}
