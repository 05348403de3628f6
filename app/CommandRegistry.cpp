#include "app/CommandRegistry.h"

#include <utility>

namespace stovan::app {

std::vector<RegisteredCommand>& RegisteredCommands() {
    static std::vector<RegisteredCommand> commands;
    return commands;
}

CommandRegistration::CommandRegistration(std::string name, CommandSetup setup) {
    RegisteredCommands().push_back({std::move(name), std::move(setup)});
}

}  // namespace stovan::app
