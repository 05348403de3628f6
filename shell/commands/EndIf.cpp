// EndIf: ends an If block; does nothing itself.
// Template: (none)

#include "shell/Command.h"
#include "shell/Shell.h"

namespace amiga {

namespace {

int RunEndIf(CommandContext& context) {
    if (context.shell.CurrentScript() == nullptr) {
        context.PrintError("EndIf: this command is supposed to be used in command files only\n");
        return RETURN_ERROR;
    }
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kEndIfCommand{"EndIf", nullptr, RunEndIf};

}  // namespace amiga
