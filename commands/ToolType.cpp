#include "commands/ToolType.h"

#include "platform/Latin1.h"

namespace stovan::commands {

ToolTypeRequest ToolTypeRequestFromArgs(const amiga::Arguments& arguments) {
    ToolTypeRequest request;
    request.name = arguments.Text("NAME");
    if (arguments.Present("TYPE")) {
        // A name not in the table counts as not given.
        request.type = amiga::IconTypeFromName(arguments.Text("TYPE"));
    }
    if (arguments.Present("X")) {
        request.x = arguments.Number("X");
    }
    if (arguments.Present("Y")) {
        request.y = arguments.Number("Y");
    }
    if (arguments.Present("DEFAULTTOOL")) {
        request.defaultTool = arguments.Text("DEFAULTTOOL");
    }
    if (arguments.Present("STACK")) {
        request.stack = arguments.Number("STACK");
    }
    if (arguments.Present("TOOLTYPES")) {
        request.toolTypes = arguments.Multi("TOOLTYPES");
    }
    return request;
}

namespace {

std::int32_t Position(std::int32_t value) {
    return value == -1 ? amiga::NO_ICON_POSITION : value;
}

}  // namespace

void ApplyToolTypeRequest(amiga::DiskObject& icon, const ToolTypeRequest& request) {
    if (request.type != 0) {
        amiga::SetIconType(icon, request.type);
    }
    if (request.x) {
        icon.currentX = Position(*request.x);
    }
    if (request.y) {
        icon.currentY = Position(*request.y);
    }
    if (request.stack && *request.stack >= kSmallestStackArgument) {
        icon.stackSize = *request.stack;
    }
    // Every icon written carries a stack a program can live with.
    if (icon.stackSize <= kMinimumIconStack) {
        icon.stackSize = kMinimumIconStack;
    }
    if (request.defaultTool) {
        icon.defaultTool = *request.defaultTool;
    }
    if (request.toolTypes) {
        std::vector<std::string> list = icon.toolTypes;
        amiga::EditToolTypes(list, *request.toolTypes);
        icon.toolTypes = std::move(list);
    }
}

int DoToolTypeIconWork(const CommandContext& context, const ToolTypeRequest& request) {
    // "Work:Foo/" names the drawer Foo; its icon lies beside it.
    std::string name = request.name;
    while (name.size() > 1 && name.back() == '/' && name[name.size() - 2] != '/' &&
           name[name.size() - 2] != ':') {
        name.pop_back();
    }
    // The icon takes the spelling of the object it belongs to.
    if (auto target = amiga::Lock(context.dos, name, context.drawer());
        target && !target->names.empty()) {
        name = amiga::NameFromLock(context.dos, *target);
    }
    auto object = amiga::LockForCreate(context.dos, name + ".info", context.drawer());
    if (!object) {
        if (request.type == 0) {
            return RETURN_OK;  // nothing would be written anyway
        }
        PrintCommandFault(context, object.error());
        return RETURN_WARN;
    }
    const std::string hostPath = object->hostPath();
    amiga::DiskObject icon;
    auto read = amiga::ReadDiskObjectFile(hostPath);
    if (read) {
        icon = std::move(*read);
    } else if (read.error() != amiga::IconError::NotFound) {
        // A damaged or unreadable icon is the user's file: never replace it
        // by a default one.
        PrintCommandFault(context, amiga::IconErrorToDosError(read.error()));
        return RETURN_WARN;
    } else if (request.type == 0) {
        return RETURN_OK;
    } else {
        auto fallback = amiga::GetDefDiskObject(request.type);
        if (!fallback) {
            return RETURN_OK;
        }
        icon = std::move(*fallback);
    }
    ApplyToolTypeRequest(icon, request);
    auto written = amiga::WriteDiskObjectFile(hostPath, icon);
    if (!written) {
        PrintCommandFault(context, amiga::IconErrorToDosError(written.error()));
        return RETURN_WARN;
    }
    return RETURN_OK;
}

int RunSToolType(const CommandContext& context) {
    if (!StovanIsRunning(context)) {
        PrintMessage(context, kNoPortText);
        return RETURN_FAIL;
    }
    auto arguments = ReadCommandArgs(context, kToolTypeTemplate);
    if (!arguments) {
        return RETURN_FAIL;
    }
    return DoToolTypeIconWork(context, ToolTypeRequestFromArgs(*arguments));
}

}  // namespace stovan::commands
