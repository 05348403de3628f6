// LhA: the LhA archiver as install, update and backup scripts call it
// (x, e, l, v, t, a, u with the switches -r -e -q -m -n ...); the command
// line is described in archive/ArchiveCommand.h. "Lha" is the same
// command (names are compared without regard to case).

#include "shell/ArchiveBridge.h"
#include "shell/Command.h"

namespace amiga {

namespace {

int RunLhA(CommandContext& context) {
    auto words = SplitItems(context.arguments);
    if (!words) {
        return context.Fault(words.error(), context.name, RETURN_FAIL);
    }
    auto command = stovan::archive::ParseLhaCommandLine(*words);
    if (!command) {
        context.PrintError(context.name + ": " + command.error().message + "\n");
        context.PrintError("Usage: " + context.name +
                           " [-switches] <command> <archive> [<file pattern>...] [<drawer>/]\n");
        context.result2 = ERROR_REQUIRED_ARG_MISSING;
        return RETURN_FAIL;
    }
    return RunArchiveOnHost(context, *command);
}

}  // namespace

extern const CommandSpec kLhACommand{"LhA", nullptr, RunLhA};

}  // namespace amiga
