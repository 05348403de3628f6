// FailAt: sets the return code at which a script stops (10 unless changed);
// without an argument shows the current limit.
// Template: RCLIM/N

#include <string>

#include "shell/Command.h"
#include "shell/Shell.h"

namespace amiga {

namespace {

int RunFailAt(CommandContext& context) {
    auto limit = context.args.Number("RCLIM");
    if (!limit) {
        context.Print("Fail limit: " + std::to_string(context.shell.failAt()) + "\n");
        return RETURN_OK;
    }
    if (*limit < 1) {
        return context.Fault(ERROR_BAD_NUMBER, "FailAt", RETURN_ERROR);
    }
    context.shell.setFailAt(*limit);
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kFailAtCommand{"FailAt", "RCLIM/N", RunFailAt};

}  // namespace amiga
