// Else: reached after the true branch of an If, skips to the matching EndIf.
// Template: (none)

#include "shell/Command.h"
#include "shell/Shell.h"
#include "shell/commands/FlowControl.h"

namespace amiga {

namespace {

int RunElse(CommandContext& context) {
    ScriptText* script = context.shell.CurrentScript();
    if (script == nullptr) {
        context.PrintError("Else: this command is supposed to be used in command files only\n");
        return RETURN_ERROR;
    }
    if (!SkipToElseOrEndIf(*script, false)) {
        context.PrintError("Else: no matching EndIf\n");
        return RETURN_ERROR;
    }
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kElseCommand{"Else", nullptr, RunElse};

}  // namespace amiga
