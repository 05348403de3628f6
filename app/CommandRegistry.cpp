#include "app/CommandRegistry.h"

#include <utility>

namespace stovan::app {

std::vector<RegisteredCommand>& RegisteredCommands() {
    static std::vector<RegisteredCommand> commands;
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

CommandRegistration::CommandRegistration(std::string name, CommandSetup setup) {
    RegisteredCommands().push_back({std::move(name), std::move(setup)});
}

}  // namespace stovan::app
