// Get: prints the value of a local variable.
// Template: NAME/A

#include "shell/Command.h"
#include "shell/Shell.h"

namespace amiga {

namespace {

int RunGet(CommandContext& context) {
    auto value = context.shell.GetLocal(context.args.Text("NAME"));
    if (!value) {
        return context.Fault(ERROR_OBJECT_NOT_FOUND, "Get", RETURN_WARN);
    }
    context.Print(*value + "\n");
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kGetCommand{"Get", "NAME/A", RunGet};

}  // namespace amiga
