// SetEnv: sets a global variable (a file in ENV:; with SAVE also in ENVARC:).
// Template: NAME/A,SAVE/S,STRING/F

#include "shell/Command.h"

namespace amiga {

namespace {

int RunSetEnv(CommandContext& context) {
    DosError error = context.host.SetVar(context.args.Text("NAME"), context.args.Text("STRING"),
                                         context.args.Switch("SAVE"));
    if (error != kNoError) {
        return context.Fault(error, "SetEnv", RETURN_ERROR);
    }
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kSetEnvCommand{"SetEnv", "NAME/A,SAVE/S,STRING/F", RunSetEnv};

}  // namespace amiga
