// stovan script NAME [--uninstall]: prints the script Stovan would write
// for the item's installation (or, with --uninstall, its removal) exactly
// as the file would hold it, so that it can be reviewed before anything
// runs. NAME is the item's name, or its DUPENAME. Exit code 10 for an
// unknown item, 20 when the script cannot be made.

#include <cstdio>
#include <memory>
#include <string>

#include "app/CommandRegistry.h"
#include "app/DatabaseSession.h"
#include "database/Loader.h"
#include "engine/Session.h"
#include "scripts/ScriptWriter.h"

namespace {

int Script(const stovan::app::Context& context, const std::string& name, bool uninstall) {
    using namespace stovan;
    auto session = app::OpenDatabaseSession(context);
    if (!session) {
        std::fprintf(stderr, "stovan: %s\n", session.error().c_str());  // host paths
        return 20;
    }
    Engine& engine = *(*session)->engine;
    if (!LogFailure(**session, LaunchReload(engine))) {
        app::PrintLog((*session)->log, 0, stderr);
        return 20;
    }
    ApplicationItem* item = engine.items().FindItem(name, false);
    if (item == nullptr) {
        item = engine.items().FindItem(name, true);
    }
    if (item == nullptr) {
        std::fprintf(stderr, "stovan: no application named '%s'\n", name.c_str());
        return 10;
    }
    // {INSTALLMODE} and {BACKUPMODE} follow the operation.
    engine.currentOperation = uninstall ? EngineOperation::Uninstall : EngineOperation::Install;
    auto script =
        ComposeScript(engine, *item, uninstall ? item->uninstallScript() : item->installScript(),
                      uninstall ? ScriptKind::Uninstall : ScriptKind::Install);
    if (!script) {
        std::fprintf(stderr, "stovan: the script cannot be made\n");
        return 20;
    }
    // The script's own bytes, as the file would hold them.
    std::fwrite(script->data(), 1, script->size(), stdout);
    return 0;
}

}  // namespace

void stovan::app::AddScriptCommand(CLI::App& program, stovan::app::Context& context) {
    {
        CLI::App* command = program.add_subcommand(
            "script", "print the install (or uninstall) script Stovan would run for an item");
        auto name = std::make_shared<std::string>();
        auto uninstall = std::make_shared<bool>(false);
        command->add_option("NAME", *name, "the application's name")->required();
        command->add_flag("--uninstall", *uninstall, "the uninstall script instead");
        command->callback(
            [&context, name, uninstall] { context.exitCode = Script(context, *name, *uninstall); });
    }
}
