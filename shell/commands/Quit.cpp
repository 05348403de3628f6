// Quit: ends the script (and the scripts that executed it) with the given
// return code, 0 by default.
// Template: RC/N

#include "shell/Command.h"
#include "shell/Shell.h"

namespace amiga {

namespace {

int RunQuit(CommandContext& context) {
    if (context.shell.CurrentScript() == nullptr) {
        context.PrintError("Quit: this command is supposed to be used in command files only\n");
        return RETURN_FAIL;
    }
    int rc = context.args.Number("RC").value_or(RETURN_OK);
    context.shell.RequestQuit(rc);
    return rc;
}

}  // namespace

extern const CommandSpec kQuitCommand{"Quit", "RC/N", RunQuit};

}  // namespace amiga
