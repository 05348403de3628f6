// EndSkip: where a Skip without a label ends; does nothing itself.
// Template: (none)

#include "shell/Command.h"
#include "shell/Shell.h"

namespace amiga {

namespace {

int RunEndSkip(CommandContext& context) {
    if (context.shell.CurrentScript() == nullptr) {
        context.PrintError("EndSkip: this command is supposed to be used in command files only\n");
        return RETURN_ERROR;
    }
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kEndSkipCommand{"EndSkip", nullptr, RunEndSkip};

}  // namespace amiga
