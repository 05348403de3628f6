#pragma once
// Every subcommand of the stovan program registers itself here from its own
// file (app/Cmd*.cpp), so adding a command touches no shared file.
//
//   static const stovan::app::CommandRegistration registration{
//       "messages", [](CLI::App& parent, stovan::app::Context& context) {...}};

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

namespace stovan::app {

// State shared by all subcommands of one run: the global options.
struct Context {
    std::string root;  // --root: the system root folder ("" = default)
    int exitCode = 0;  // set by the command that ran
};

// Adds one subcommand (or a group of them) to the program's parser. The
// callback given to CLI11 sets context.exitCode.
using CommandSetup = std::function<void(CLI::App& program, Context& context)>;

struct CommandRegistration {
    CommandRegistration(std::string name, CommandSetup setup);
};

struct RegisteredCommand {
    std::string name;
    CommandSetup setup;
};

// The subcommand group `name` of the program (for example "tool"), created
// on first use, so that several files can add commands to one group.
CLI::App& SubcommandGroup(CLI::App& program, const std::string& name,
                          const std::string& description);

// All registered commands, sorted by name so that help is stable.
std::vector<RegisteredCommand>& RegisteredCommands();

}  // namespace stovan::app
