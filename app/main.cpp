// stovan: the application manager for AmigaOS 4 and MorphOS systems.
// The subcommands are listed in app/CommandRegistry.cpp, one app/Cmd*.cpp each.
//
// Exit codes, as AmigaDOS commands give them: 0 done, 10 an error in what
// was asked (a bad argument, a refused value, text that cannot be read),
// 20 a failure (the system root cannot be opened, a file or the output
// cannot be written).

#include <cstdio>
#include <cstdlib>

#include "app/CommandRegistry.h"
#include "app/DatabaseSession.h"
#if STOVAN_GUI
#include "app/GuiCommand.h"
#endif

namespace {

constexpr int kReturnError = 10;
constexpr int kReturnFailure = 20;

}  // namespace

int main(int argc, char** argv) {
    using namespace stovan::app;
    CLI::App program{"Stovan - application management system for AmigaOS 4 and MorphOS"};
    program.set_version_flag("--version", "Stovan 1.0");
    Context context;
    program
        .add_option("--root", context.root,
                    "system root folder (default: $STOVAN_ROOT, else the user's data folder)")
        // An empty --root (an unset shell variable) must not fall back to the
        // user's own root behind their back.
        ->check([](const std::string& folder) {
            return folder.empty() ? std::string("--root needs a folder") : std::string();
        });
    program.require_subcommand(0, 1);

    for (const RegisteredCommand& command : RegisteredCommands()) {
        command.setup(program, context);
    }

    try {
        program.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // Help and version are no errors; every mistake on the command line
        // is one error code, whatever kind the parser found.
        return program.exit(error) == 0 ? 0 : kReturnError;
    }
    if (program.get_subcommands().empty()) {
        // The program's default job: the window where there is a display,
        // else the database loaded and listed.
#if STOVAN_GUI
        context.exitCode = DisplayAvailable() ? RunWindow(context) : RunDefault(context);
#else
        context.exitCode = RunDefault(context);
#endif
    }
    // Output that did not reach its file (a full disk, a closed pipe) is a
    // failure, never a silent success.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("stovan: cannot write the output\n", stderr);
        return kReturnFailure;
    }
    return context.exitCode;
}
