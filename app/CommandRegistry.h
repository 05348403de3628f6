#pragma once
// The subcommands of the stovan program, all listed once in
// app/CommandRegistry.cpp. Each app/Cmd*.cpp file defines one Add*Command
// function that adds its subcommand (or group of them) to the parser; a new
// command adds its function here and a row to the list.

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace stovan::app {

// State shared by all subcommands of one run: the global options.
struct Context {
    std::string root;  // --root: the system root folder ("" = default)
    int exitCode = 0;  // set by the command that ran
    // This run holds the root's running lock (app/Startup.h): the window or
    // `stovan run`. Every other run refuses a root that another Stovan holds.
    bool holdsRunningLock = false;
};

// Adds one subcommand (or a group of them) to the program's parser. The
// callback given to CLI11 sets context.exitCode.
using CommandSetup = void (*)(CLI::App& program, Context& context);

struct RegisteredCommand {
    const char* name;
    CommandSetup setup;
};

// Every command of the program, sorted by name so that help is stable.
const std::vector<RegisteredCommand>& RegisteredCommands();

// The subcommand group `name` of the program (for example "tool"), created
// on first use, so that several files can add commands to one group.
CLI::App& SubcommandGroup(CLI::App& program, const std::string& name,
                          const std::string& description);

// One per app/Cmd*.cpp file.
void AddCheckCommand(CLI::App& program, Context& context);
void AddImagesCommand(CLI::App& program, Context& context);
void AddModeCommand(CLI::App& program, Context& context);
void AddOperationCommands(CLI::App& program, Context& context);
void AddProcessCommand(CLI::App& program, Context& context);
void AddDbExpandCommand(CLI::App& program, Context& context);
void AddDbLintCommand(CLI::App& program, Context& context);
void AddDemoCommand(CLI::App& program, Context& context);
void AddFindCommand(CLI::App& program, Context& context);
void AddGuiCommand(CLI::App& program, Context& context);  // with STOVAN_GUI only
void AddListCommand(CLI::App& program, Context& context);
void AddMessagesCommand(CLI::App& program, Context& context);
void AddPrefsCommands(CLI::App& program, Context& context);
void AddReloadCommand(CLI::App& program, Context& context);
void AddRootCommand(CLI::App& program, Context& context);
void AddRunCommand(CLI::App& program, Context& context);
void AddScriptCommand(CLI::App& program, Context& context);
void AddToolFetchCommand(CLI::App& program, Context& context);
void AddToolIconCommand(CLI::App& program, Context& context);
void AddToolMakeSiteCommand(CLI::App& program, Context& context);
void AddToolMatchCommand(CLI::App& program, Context& context);
void AddToolReadArgsCommand(CLI::App& program, Context& context);
void AddToolVersionCommands(CLI::App& program, Context& context);

}  // namespace stovan::app
