// UnsetEnv: removes a global variable (with SAVE also from ENVARC:).
// Template: NAME/A,SAVE/S

#include "shell/Command.h"

namespace amiga {

namespace {

int RunUnsetEnv(CommandContext& context) {
    DosError error = context.host.DeleteVar(context.args.Text("NAME"), context.args.Switch("SAVE"));
    if (error != kNoError && error != ERROR_OBJECT_NOT_FOUND) {
        return context.Fault(error, "UnsetEnv", RETURN_ERROR);
    }
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kUnsetEnvCommand{"UnsetEnv", "NAME/A,SAVE/S", RunUnsetEnv};

}  // namespace amiga
