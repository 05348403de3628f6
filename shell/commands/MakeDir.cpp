// MakeDir: creates drawers; with ALL also the missing drawers on the way
// (an existing drawer is then fine).
// Template: NAME/M/A,ALL/S

#include "shell/Command.h"
#include "shell/Matching.h"

namespace amiga {

namespace {

DosError CreateWithParents(ShellHost& host, const std::string& path) {
    if (auto existing = host.Examine(path); existing.ok()) {
        return existing->isDrawer ? kNoError : ERROR_OBJECT_EXISTS;
    }
    std::string_view parent = PathPart(path);
    if (!parent.empty() && parent.back() != ':' && parent != path) {
        if (DosError error = CreateWithParents(host, std::string(parent)); error != kNoError) {
            return error;
        }
    }
    return host.CreateDir(path);
}

int RunMakeDir(CommandContext& context) {
    bool all = context.args.Switch("ALL");
    int rc = RETURN_OK;
    for (std::string name : context.args.Multi("NAME")) {
        while (name.size() > 1 && name.back() == '/') {
            name.pop_back();
        }
        DosError error = all ? CreateWithParents(context.host, name) : context.host.CreateDir(name);
        if (error != kNoError) {
            context.PrintError("Cannot create directory " + name + "\n");
            context.Fault(error, "MakeDir", RETURN_ERROR);
            rc = RETURN_ERROR;
        }
    }
    return rc;
}

}  // namespace

extern const CommandSpec kMakeDirCommand{"MakeDir", "NAME/M/A,ALL/S", RunMakeDir};

}  // namespace amiga
