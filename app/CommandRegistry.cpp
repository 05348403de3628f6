#include "app/CommandRegistry.h"

namespace stovan::app {

const std::vector<RegisteredCommand>& RegisteredCommands() {
    // One list, not self-registering objects: nothing here depends on the
    // linker keeping an otherwise unreferenced file.
    static const std::vector<RegisteredCommand> commands = {
        {"check", AddCheckCommand},
        {"db expand", AddDbExpandCommand},
        {"db lint", AddDbLintCommand},
        {"demo", AddDemoCommand},
        {"find", AddFindCommand},
        {"images", AddImagesCommand},
#if STOVAN_GUI
        {"gui", AddGuiCommand},
#endif
        {"install", AddOperationCommands},
        {"list", AddListCommand},
        {"messages", AddMessagesCommand},
        {"mode", AddModeCommand},
        {"process", AddProcessCommand},
        {"prefs", AddPrefsCommands},
        {"reload", AddReloadCommand},
        {"root", AddRootCommand},
        {"run", AddRunCommand},
        {"script", AddScriptCommand},
        {"tool fetch", AddToolFetchCommand},
        {"tool icon", AddToolIconCommand},
        {"tool make-site", AddToolMakeSiteCommand},
        {"tool match", AddToolMatchCommand},
        {"tool readargs", AddToolReadArgsCommand},
        {"tool version", AddToolVersionCommands},
    };
    return commands;
}

CLI::App& SubcommandGroup(CLI::App& program, const std::string& name,
                          const std::string& description) {
    for (CLI::App* existing : program.get_subcommands({})) {
        if (existing->get_name() == name) {
            return *existing;
        }
    }
    CLI::App* group = program.add_subcommand(name, description);
    group->require_subcommand(1);
    return *group;
}

}  // namespace stovan::app
