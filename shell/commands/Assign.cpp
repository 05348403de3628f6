// Assign: lists volumes and assigns, or makes NAME: stand for the drawers
// given (ADD appends one to a multi-directory assign, PREPEND puts it first,
// REMOVE takes it out); "Assign NAME:" alone removes the assign. EXISTS
// prints where NAME: points, or returns 5 when it is not assigned.
// Template: NAME,TARGET/M,LIST/S,EXISTS/S,DISMOUNT/S,DEFER/S,PATH/S,ADD/S,
//           PREPEND/S,REMOVE/S,VOLS/S,DIRS/S,DEVICES/S

#include "platform/Latin1.h"
#include "shell/Command.h"

namespace amiga {

namespace {

std::string WithoutColon(std::string name) {
    if (!name.empty() && name.back() == ':') {
        name.pop_back();
    }
    return name;
}

void PrintAssign(CommandContext& context, const AssignEntry& entry) {
    std::string line = entry.name;
    if (line.size() < 15) {
        line.resize(15, ' ');
    }
    for (std::size_t i = 0; i < entry.targets.size(); ++i) {
        context.Print((i == 0 ? line : std::string(15, ' ')) + entry.targets[i] + "\n");
    }
}

int RunAssign(CommandContext& context) {
    const ParsedArgs& args = context.args;
    std::string name = WithoutColon(args.Text("NAME"));
    std::vector<std::string> targets = args.Multi("TARGET");
    if (name.empty() || args.Switch("LIST")) {
        bool all = !args.Switch("VOLS") && !args.Switch("DIRS") && !args.Switch("DEVICES");
        if (all || args.Switch("VOLS")) {
            context.Print("Volumes:\n");
            for (const std::string& volume : context.host.Volumes()) {
                context.Print(volume + " [Mounted]\n");
            }
        }
        if (all || args.Switch("DIRS")) {
            context.Print("\nDirectories:\n");
            for (const AssignEntry& entry : context.host.Assigns()) {
                PrintAssign(context, entry);
            }
        }
        return RETURN_OK;
    }
    if (args.Switch("EXISTS")) {
        for (const AssignEntry& entry : context.host.Assigns()) {
            if (EqualsNoCase(entry.name, name)) {
                PrintAssign(context, entry);
                return RETURN_OK;
            }
        }
        for (const std::string& volume : context.host.Volumes()) {
            if (EqualsNoCase(volume, name)) {
                context.Print(volume + "\n");
                return RETURN_OK;
            }
        }
        context.Print(name + ": not assigned\n");
        context.result2 = ERROR_OBJECT_NOT_FOUND;
        return RETURN_WARN;
    }
    AssignMode mode = args.Switch("ADD")       ? AssignMode::Add
                      : args.Switch("PREPEND") ? AssignMode::Prepend
                      : args.Switch("REMOVE")  ? AssignMode::Remove
                                               : AssignMode::Replace;
    if (mode != AssignMode::Replace && targets.empty()) {
        return context.Fault(ERROR_REQUIRED_ARG_MISSING, context.name, RETURN_ERROR);
    }
    // DEFER and PATH targets need not exist yet; others must be drawers.
    if (mode != AssignMode::Remove && !args.Switch("DEFER") && !args.Switch("PATH")) {
        for (std::string& target : targets) {
            auto info = context.host.Examine(target);
            if (!info) {
                context.PrintError("Can't find " + target + "\n");
                context.result2 = info.error();
                return RETURN_ERROR;
            }
            if (!info->isDrawer) {
                return context.Fault(ERROR_OBJECT_WRONG_TYPE, target, RETURN_ERROR);
            }
            target = info->amigaPath;
        }
    }
    DosError error = context.host.Assign(name, targets, mode);
    if (error != kNoError) {
        return context.Fault(error, context.name, RETURN_ERROR);
    }
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kAssignCommand{
    "Assign",
    "NAME,TARGET/M,LIST/S,EXISTS/S,DISMOUNT/S,DEFER/S,PATH/S,ADD/S,PREPEND/S,REMOVE/S,VOLS/S,"
    "DIRS/S,DEVICES/S",
    RunAssign};

}  // namespace amiga
