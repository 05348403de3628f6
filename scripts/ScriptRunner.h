#pragma once
// Running a script written by WriteScript: "execute" runs it in a worker
// process while the event loop keeps serving the front end and the
// companion port, whose public name exists only around the run. The return
// code is judged against the script's prologue (an install script stops at
// its first error, so 10 or more fails it; an uninstall script goes on
// through errors, so only 20 or more fails it) and a failure is shown in a
// requester. The script file is left for the caller to delete.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/EventLoop.h"
#include "core/Frontend.h"
#include "core/Status.h"
#include "database/Engine.h"
#include "database/Item.h"

namespace stovan {

enum class ScriptOperation { Install, Update, Repair, Uninstall };

// The stack the script's shell asks for.
inline constexpr std::uint32_t kScriptStack = 65536;

// The command line: execute "<scriptPath>".
std::string ScriptCommandLine(std::string_view scriptPath);

// Logs 317 "Installing '%s'..." (319 "Removing '%s'..." for an uninstall),
// adds the public port, runs the script with its output in the front end's
// output view when SHOW_SHELL_OUTPUT is set (else nowhere), removes the
// port, and logs 318 or 320 whatever the outcome. A failed script (see
// above) shows message 351, 352, 353 or 354 with the display text and the
// installed version and revision, titled message 4 with the button of
// message 5; an aborted or unstarted run shows nothing.
// Returns what the worker wait returned: Ok, msg::ProcessingAborted,
// msg::NotEnoughMemory (the worker could not be started) or
// msg::CannotCreatePort (the port could not be made; nothing ran).
// returnCode, when given, receives the script's return code (20 when it
// did not run to its end).
Status RunScript(Engine& engine, EventLoop& loop, Frontend& frontend, const ApplicationItem& item,
                 std::string_view scriptPath, ScriptOperation operation,
                 std::int32_t* returnCode = nullptr);

}  // namespace stovan
