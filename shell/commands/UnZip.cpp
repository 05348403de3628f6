// UnZip: extracts, lists or tests a ZIP archive
// ("UnZip [-o|-n] [-q] [-j] [-l|-t] <archive> [<file pattern>...] [-d <drawer>]");
// see archive/ArchiveCommand.h.

#include "shell/ArchiveBridge.h"
#include "shell/Command.h"

namespace amiga {

namespace {

int RunUnZip(CommandContext& context) {
    auto words = SplitItems(context.arguments);
    if (!words) {
        return context.Fault(words.error(), context.name, RETURN_FAIL);
    }
    auto command = stovan::archive::ParseUnZipCommandLine(*words);
    if (!command) {
        context.PrintError(context.name + ": " + command.error().message + "\n");
        context.result2 = ERROR_REQUIRED_ARG_MISSING;
        return RETURN_FAIL;
    }
    return RunArchiveOnHost(context, *command);
}

}  // namespace

extern const CommandSpec kUnZipCommand{"UnZip", nullptr, RunUnZip};

}  // namespace amiga
