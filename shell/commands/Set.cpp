// Set: sets a local variable of this shell; without arguments lists them.
// Template: NAME,STRING/F

#include "shell/Command.h"
#include "shell/Shell.h"

namespace amiga {

namespace {

int RunSet(CommandContext& context) {
    const ParsedArgs& args = context.args;
    if (!args.Has("NAME")) {
        for (const auto& [name, value] : context.shell.Locals()) {
            std::string line = name;
            if (line.size() < 20) {
                line.resize(20, ' ');
            }
            context.Print(line + " " + value + "\n");
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
