// Lab: marks the place a Skip goes to; does nothing itself.
// Template: (none)

#include "shell/Command.h"
#include "shell/Shell.h"

namespace amiga {

namespace {

int RunLab(CommandContext& context) {
    if (context.shell.CurrentScript() == nullptr) {
        context.PrintError("Lab: this command is supposed to be used in command files only\n");
        return RETURN_ERROR;
    }
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kLabCommand{"Lab", nullptr, RunLab};

}  // namespace amiga
