// Dir: lists a drawer (or what a pattern matches), drawers first, then
// files and soft links ("name (link)"); ALL never enters a link. A pattern
// that matches nothing or a path that does not exist returns 20, which
// scripts test with "If FAIL".
// Template: DIR,OPT/K,ALL/S,DIRS/S,FILES/S,INTER/S

#include "platform/HostBeneath.h"
#include "shell/Command.h"
#include "shell/Matching.h"

namespace amiga {

namespace {

// False when the tree is too deep to walk.
bool ListDrawer(CommandContext& context, const std::vector<ObjectInfo>& entries, bool all,
                bool dirs, bool files, int depth) {
    std::string indent(static_cast<std::size_t>(depth) * 5, ' ');
    for (const ObjectInfo& entry : entries) {
        if (entry.isDrawer && !entry.isLink && (dirs || !files)) {
            context.Print(indent + "     " + entry.name + " (dir)\n");
            if (all) {
                if (depth + 1 >= kMaxBeneathDepth) {
                    context.Fault(ERROR_TOO_MANY_LEVELS, entry.amigaPath, RETURN_FAIL);
                    return false;
                }
                auto inner = SortedDrawer(context.host, entry.amigaPath);
                if (inner && !ListDrawer(context, *inner, all, dirs, files, depth + 1)) {
                    return false;
                }
            }
        }
    }
    for (const ObjectInfo& entry : entries) {
        if (entry.isLink && (files || !dirs)) {
            context.Print(indent + "  " + entry.name + " (link)\n");
        } else if (!entry.isDrawer && (files || !dirs)) {
            context.Print(indent + "  " + entry.name + "\n");
        }
    }
    return true;
}

int RunDir(CommandContext& context) {
    const ParsedArgs& args = context.args;
    std::string option = args.Text("OPT");
    bool all = args.Switch("ALL") || option.find_first_of("aA") != std::string::npos;
    bool dirs = args.Switch("DIRS") || option.find_first_of("dD") != std::string::npos;
    bool files = args.Switch("FILES") || option.find_first_of("iI") != std::string::npos;
    std::string path = args.Text("DIR");
    std::vector<ObjectInfo> entries;
    auto expansion = ExpandPath(context.host, path);
    if (!expansion) {
        context.PrintError("Could not get information for " + path + "\n");
        return context.Fault(expansion.error(), "", RETURN_FAIL);
    }
    if (expansion->wild) {
        if (expansion->objects.empty()) {
            context.result2 = ERROR_OBJECT_NOT_FOUND;
            return RETURN_FAIL;
        }
        entries = std::move(expansion->objects);
    } else {
        const ObjectInfo& object = expansion->objects.front();
        if (!object.isDrawer) {
            context.PrintError(path + " is not a directory\n");
            return context.Fault(ERROR_DIR_NOT_FOUND, "", RETURN_FAIL);
        }
        auto listed = SortedDrawer(context.host, object.amigaPath);
        if (!listed) {
            return context.Fault(listed.error(), context.name, RETURN_FAIL);
        }
        entries = std::move(listed.value());
    }
    if (!ListDrawer(context, entries, all, dirs, files, 0)) {
        return RETURN_FAIL;
    }
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kDirCommand{"Dir", "DIR,OPT/K,ALL/S,DIRS/S,FILES/S,INTER/S", RunDir};

}  // namespace amiga
