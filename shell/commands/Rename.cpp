// Rename: renames or moves an object; several sources (or a pattern) move
// into the drawer TO.
// Template: FROM/A/M,TO=AS/A,QUIET/S

#include "shell/Command.h"
#include "shell/Matching.h"

namespace amiga {

namespace {

int RunRename(CommandContext& context) {
    std::vector<std::string> sources = context.args.Multi("FROM");
    std::string to = context.args.Text("TO");
    std::vector<ObjectInfo> objects;
    bool several = sources.size() > 1;
    for (const std::string& source : sources) {
        auto expansion = ExpandPath(context.host, source);
        if (!expansion) {
            return context.Fault(expansion.error(), context.name, RETURN_ERROR);
        }
        several = several || expansion->wild;
        for (ObjectInfo& object : expansion->objects) {
            objects.push_back(std::move(object));
        }
    }
    if (objects.empty()) {
        return context.Fault(ERROR_OBJECT_NOT_FOUND, context.name, RETURN_ERROR);
    }
    auto target = context.host.Examine(to);
    bool intoDrawer = target.ok() && target->isDrawer;
    if (several && !intoDrawer) {
        return context.Fault(ERROR_OBJECT_WRONG_TYPE, context.name, RETURN_ERROR);
    }
    for (const ObjectInfo& object : objects) {
        std::string destination = intoDrawer && (several || target->hostPath != object.hostPath)
                                      ? JoinPath(to, object.name)
                                      : to;
        DosError error = context.host.Rename(object.amigaPath, destination);
        if (error != kNoError) {
            return context.Fault(error, context.name, RETURN_ERROR);
        }
        if (several && !context.args.Switch("QUIET")) {
            context.Print("Renaming " + object.amigaPath + " as " + destination + "\n");
        }
    }
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kRenameCommand{"Rename", "FROM/A/M,TO=AS/A,QUIET/S", RunRename};

}  // namespace amiga
