// Execute: runs a script file with arguments for its .key template.
// Template: FILE/A,ARGUMENTS (the rest of the line, passed as typed)

#include "shell/Args.h"
#include "shell/Command.h"
#include "shell/Shell.h"

namespace amiga {

namespace {

int RunExecute(CommandContext& context) {
    std::size_t pos = 0;
    auto file = ReadItem(context.arguments, pos);
    if (!file) {
        return context.Fault(file.error(), "Execute", RETURN_FAIL);
    }
    if (file->kind != LineItem::Kind::Word) {
        return context.Fault(ERROR_REQUIRED_ARG_MISSING, "Execute", RETURN_FAIL);
    }
    std::string_view rest = std::string_view(context.arguments).substr(pos);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) {
        rest.remove_prefix(1);
    }
    int rc = context.shell.ExecuteFile(file->text, rest, context.io);
    context.result2 = context.shell.lastResult2();
    return rc;
}

}  // namespace

extern const CommandSpec kExecuteCommand{"Execute", nullptr, RunExecute};

}  // namespace amiga
