#pragma once
// SToolType: creates or changes a Workbench icon from an install script —
// its type, position, default tool, stack size and tool types.
//
//   STooltype "Work:Foo" TYPE WBDRAWER
//   STooltype "Work:Foo/Foo_WBStartup" STACK 24576 TYPE WBPROJECT X -1 Y -1
//             DEFAULTTOOL "Work:Foo/Foo"
//   STooltype "Work:Foo/Foo" TOOLTYPES DONOTWAIT "" CX_POPUP no PUBSCREEN -

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commands/CommandSupport.h"
#include "platform/Icon.h"

namespace stovan::commands {

inline constexpr std::string_view kToolTypeTemplate =
    "NAME/A,TYPE/K,X/K/N,Y/K/N,DEFAULTTOOL/K,STACK/K/N,TOOLTYPES/K/M";
inline constexpr char kToolTypeVersion[] = "$VER: SToolType 1.10 ((08.10.15))";

// The smallest stack an icon written by SToolType carries, and the smallest
// STACK value that is taken at all.
inline constexpr std::int32_t kMinimumIconStack = 8192;
inline constexpr std::int32_t kSmallestStackArgument = 4096;

// What the command line asks for. Absent fields leave the icon as it is.
struct ToolTypeRequest {
    std::string name;       // the icon's file name without ".info"
    std::uint8_t type = 0;  // 0: not given (or a name not in the table)
    std::optional<std::int32_t> x;
    std::optional<std::int32_t> y;
    std::optional<std::string> defaultTool;
    std::optional<std::int32_t> stack;
    std::optional<std::vector<std::string>> toolTypes;  // pairs (name, value)
};

// The request read from parsed arguments of kToolTypeTemplate.
ToolTypeRequest ToolTypeRequestFromArgs(const amiga::Arguments& arguments);

// Applies type, position, stack, default tool and tool-type edits to an
// icon, in that order. Every icon comes out with at least kMinimumIconStack.
void ApplyToolTypeRequest(amiga::DiskObject& icon, const ToolTypeRequest& request);

// The icon work on the icon file "<name>.info" (relative names from the
// context's current drawer): reads it (or takes the default icon of the
// requested type when there is none), applies the request, writes it back.
// Returns the return code: 0 done, or nothing to do (no icon and no type);
// 5 with a message when the icon is damaged (it is left alone) or cannot be
// written.
int DoToolTypeIconWork(const CommandContext& context, const ToolTypeRequest& request);

// The whole command: the port check, the arguments, the icon work.
int RunSToolType(const CommandContext& context);

}  // namespace stovan::commands
