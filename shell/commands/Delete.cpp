// Delete: deletes files and empty drawers (patterns allowed); ALL deletes
// drawers with their contents, FORCE deletes objects protected from
// deletion. Prints "name  Deleted" for each object unless QUIET. A soft
// link is deleted itself: ALL never enters it, and what it points to stays.
// Template: FILE/M/A,ALL/S,Q=QUIET/S,FORCE/S

#include "platform/HostBeneath.h"
#include "shell/Break.h"
#include "shell/Command.h"
#include "shell/Matching.h"

namespace amiga {

namespace {

class Deleter {
  public:
    Deleter(CommandContext& context, bool all, bool quiet, bool force)
        : context_(context), all_(all), quiet_(quiet), force_(force) {}

    // False after a break or a tree too deep to walk.
    bool Delete(const ObjectInfo& object, int depth = 0) {
        if (BreakRequested()) {
            context_.result2 = ERROR_BREAK;
            result_ = RETURN_FAIL;
            return false;
        }
        if (object.isDrawer && !object.isLink && all_) {
            if (depth >= kMaxBeneathDepth) {
                context_.Fault(ERROR_TOO_MANY_LEVELS, object.amigaPath, RETURN_FAIL);
                result_ = RETURN_FAIL;
                return false;
            }
            auto entries = SortedDrawer(context_.host, object.amigaPath);
            if (entries) {
                for (const ObjectInfo& entry : *entries) {
                    if (!Delete(entry, depth + 1)) {
                        return false;
                    }
                }
            }
        }
        if (!object.isLink && (object.protection & FIBF_DELETE) != 0) {
            if (!force_) {
                Failed(object, ERROR_DELETE_PROTECTED);
                return true;
            }
            // Should this fail, the delete below fails and says so.
            (void)context_.host.SetProtection(object.amigaPath, object.protection & ~FIBF_DELETE);
        }
        DosError error = context_.host.DeleteObject(object.amigaPath);
        if (error != kNoError) {
            Failed(object, error);
            return true;
        }
        if (!quiet_) {
            context_.Print(object.amigaPath + "  Deleted\n");
        }
        return true;
    }

    int result() const { return result_; }

  private:
    void Failed(const ObjectInfo& object, DosError error) {
        context_.Print(object.amigaPath + "  Not Deleted: " + FaultText(error) + "\n");
        context_.result2 = error;
        result_ = RETURN_ERROR;
    }

    CommandContext& context_;
    bool all_, quiet_, force_;
    int result_ = RETURN_OK;
};

int RunDelete(CommandContext& context) {
    const ParsedArgs& args = context.args;
    Deleter deleter(context, args.Switch("ALL"), args.Switch("Q"), args.Switch("FORCE"));
    bool any = false;
    for (const std::string& name : args.Multi("FILE")) {
        if (!name.empty() && name.back() == ':' && name.find(':') == name.size() - 1) {
            // A whole volume or assign is never deleted.
            return context.Fault(ERROR_OBJECT_WRONG_TYPE, context.name, RETURN_FAIL);
        }
        auto expansion = ExpandPath(context.host, name);
        if (!expansion) {
            if (expansion.error() != ERROR_OBJECT_NOT_FOUND &&
                expansion.error() != ERROR_DIR_NOT_FOUND) {
                return context.Fault(expansion.error(), context.name, RETURN_ERROR);
            }
            continue;
        }
        for (const ObjectInfo& object : expansion->objects) {
            any = true;
            if (!deleter.Delete(object)) {
                return deleter.result();
            }
        }
    }
    if (!any) {
        context.Print("No file to delete\n");
        context.result2 = ERROR_OBJECT_NOT_FOUND;
        return RETURN_WARN;
    }
    return deleter.result();
}

}  // namespace

extern const CommandSpec kDeleteCommand{"Delete", "FILE/M/A,ALL/S,Q=QUIET/S,FORCE/S", RunDelete};

}  // namespace amiga
