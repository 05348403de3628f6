// CD: changes the current drawer; without an argument prints it.
// Template: DIR

#include "shell/Command.h"

namespace amiga {

namespace {

int RunCD(CommandContext& context) {
    if (!context.args.Has("DIR")) {
        context.Print(context.host.CurrentDrawer() + "\n");
        return RETURN_OK;
    }
    auto info = context.host.Examine(context.args.Text("DIR"));
    if (!info) {
        return context.Fault(info.error(), "CD", RETURN_ERROR);
    }
    if (!info->isDrawer) {
        return context.Fault(ERROR_OBJECT_WRONG_TYPE, "CD", RETURN_ERROR);
    }
    DosError error = context.host.SetCurrentDrawer(info->amigaPath);
    if (error != kNoError) {
        return context.Fault(error, "CD", RETURN_ERROR);
    }
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kCDCommand{"CD", "DIR", RunCD};

}  // namespace amiga
