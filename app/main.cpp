// stovan: the application manager for AmigaOS 4 and MorphOS systems.
// Subcommands are registered by the app/Cmd*.cpp files.

#include <algorithm>
#include <cstdlib>

#include "app/CommandRegistry.h"
#include "app/DatabaseSession.h"

int main(int argc, char** argv) {
    using namespace stovan::app;
    CLI::App program{"Stovan - application management system for AmigaOS 4 and MorphOS"};
    program.set_version_flag("--version", "Stovan 1.0");
    Context context;
    program.add_option("--root", context.root,
                       "system root folder (default: $STOVAN_ROOT, else the user's data folder)");
    program.require_subcommand(0, 1);

    auto& commands = RegisteredCommands();
    std::sort(
        commands.begin(), commands.end(),
        [](const RegisteredCommand& a, const RegisteredCommand& b) { return a.name < b.name; });
    for (auto& command : commands) {
        command.setup(program, context);
    }

    try {
        program.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return program.exit(error);
    }
    if (program.get_subcommands().empty()) {
        // Until the window exists, the program's default job is to load the
        // database and show it.
        return RunDefault(context);
    }
    return context.exitCode;
}
