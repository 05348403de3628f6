// GetEnv: prints the value of a global variable.
// Template: NAME/A

#include "shell/Command.h"

namespace amiga {

namespace {

int RunGetEnv(CommandContext& context) {
    auto value = context.host.GetVar(context.args.Text("NAME"));
    if (!value) {
        return context.Fault(ERROR_OBJECT_NOT_FOUND, "GetEnv", RETURN_WARN);
    }
    context.Print(*value + "\n");
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kGetEnvCommand{"GetEnv", "NAME/A", RunGetEnv};

}  // namespace amiga
