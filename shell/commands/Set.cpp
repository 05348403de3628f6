// Set: sets a local variable of this shell; without arguments lists them.
// Template: NAME,STRING/F

#include "shell/Command.h"
#include "shell/Shell.h"

namespace amiga {

namespace {

int RunSet(CommandContext& context) {
    const ParsedArgs& args = context.args;
    if (!args.Has("NAME")) {
        for (const LocalVariable& variable : context.shell.Locals().all()) {
            if (variable.type != LV_VAR) {
                continue;
            }
            std::string line = variable.name;
            if (line.size() < 20) {
                line.resize(20, ' ');
            }
            context.Print(line + " " + variable.value + "\n");
        }
        return RETURN_OK;
    }
    if (!args.Has("STRING")) {
        return RETURN_OK;  // a name alone changes nothing
    }
    context.shell.SetLocal(args.Text("NAME"), args.Text("STRING"));
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kSetCommand{"Set", "NAME,STRING/F", RunSet};

}  // namespace amiga
