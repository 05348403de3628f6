// Unset: removes a local variable.
// Template: NAME

#include "shell/Command.h"
#include "shell/Shell.h"

namespace amiga {

namespace {

int RunUnset(CommandContext& context) {
    if (!context.args.Has("NAME")) {
        return context.Fault(ERROR_REQUIRED_ARG_MISSING, "Unset", RETURN_ERROR);
    }
    context.shell.UnsetLocal(context.args.Text("NAME"));
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kUnsetCommand{"Unset", "NAME", RunUnset};

}  // namespace amiga
