#pragma once
// What every companion command needs: the system root of the Stovan run
// that started it, its argument line read with the one ReadArgs, its current
// drawer, the fault output, and Stovan's public port.
//
// A command is started by the shell of a running Stovan: STOVAN_ROOT and
// STOVAN_ASSIGNS name the root and its assigns (the command drawer in C:),
// STOVAN_SHELL_ARGUMENTS holds the argument line as typed, and the host
// working directory is the script's current drawer.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DosErrors.h"
#include "platform/Expected.h"
#include "platform/Locks.h"
#include "platform/PortMessage.h"
#include "platform/ReadArgs.h"
#include "platform/Volumes.h"

namespace stovan::commands {

// The name of Stovan's public port (kept with the port protocol).
using amiga::kStovanPortName;

// AmigaDOS return codes.
inline constexpr int RETURN_OK = 0;
inline constexpr int RETURN_WARN = 5;
inline constexpr int RETURN_ERROR = 10;
inline constexpr int RETURN_FAIL = 20;

// The companion commands' error texts (by error number: 2 and 3).
inline constexpr std::string_view kNoMemoryText = "Not enough memory!";
inline constexpr std::string_view kNoPortText = "Failed to locate Stovan interface port";

// Where a command writes: its standard output (the shell's Output()).
struct CommandIo {
    std::FILE* out = stdout;
};

// One run of a command: the root it works on, its current drawer and
// where the port folder is.
struct CommandContext {
    std::string name;  // "SToolType": the prefix of its messages
    amiga::DosList dos;
    std::optional<amiga::FileLock> currentDrawer;  // none: the boot volume's root
    std::string portsFolder;
    std::string argumentLine;
    CommandIo io;

    const amiga::FileLock* drawer() const { return currentDrawer ? &*currentDrawer : nullptr; }
};

// The root named by STOVAN_ROOT (else the user's default root) with the
// assigns of STOVAN_ASSIGNS. A root that does not exist is never created
// here: a command outside a Stovan run has nothing to work on.
amiga::Expected<amiga::DosList, std::string> OpenCommandRoot();

// The argument line: STOVAN_SHELL_ARGUMENTS when the shell set it, else the
// words of argv (from argv[1]) joined with AmigaDOS quoting.
std::string ArgumentLine(int argc, char** argv);

// The lock of the drawer that holds a host folder (the process's working
// directory); ERROR_OBJECT_NOT_FOUND when it lies on no volume of the root.
amiga::Expected<amiga::FileLock, amiga::DosError> LockHostFolder(const amiga::DosList& dos,
                                                                 const std::string& hostFolder);

// Fills a context from the environment and the process: root, current
// drawer (the working directory when it lies on a volume), ports folder,
// argument line. The text is the reason when the root cannot be opened.
amiga::Expected<CommandContext, std::string> MakeCommandContext(std::string name, int argc,
                                                                char** argv);

// exec FindPort("STOVAN.INTERFACE") in the root's port folder.
bool StovanIsRunning(const CommandContext& context);

// "<name>: <text>\n" on the command's output.
void PrintMessage(const CommandContext& context, std::string_view text);
// PrintFault(code, name): "<name>: <fault text>\n".
void PrintCommandFault(const CommandContext& context, amiga::DosError code);

// Reads the argument line against a template. On failure the fault is
// printed as PrintFault does and nothing is returned.
std::optional<amiga::Arguments> ReadCommandArgs(const CommandContext& context,
                                                std::string_view argumentTemplate);

// How long a command waits for Stovan's reply: a gauge or log line is
// answered at once; a download may take a long time (a Stovan that goes
// away ends the wait at once whatever the time).
inline constexpr amiga::PortTimeout kQuickReplyTimeout = std::chrono::minutes(2);
inline constexpr amiga::PortTimeout kDownloadReplyTimeout = std::chrono::hours(24);

// Sends one message to Stovan's port and waits for the reply.
amiga::Expected<amiga::PortReply, amiga::PortError> SendToStovan(const CommandContext& context,
                                                                 const amiga::PortMessage& message,
                                                                 amiga::PortTimeout timeout);

// The absolute Amiga path of a name that may be relative to the command's
// current drawer; the last name need not exist (its drawer must).
amiga::Expected<std::string, amiga::DosError> AbsoluteAmigaPath(const CommandContext& context,
                                                                std::string_view path);

// The number in a text argument, as dos.library StrToLong reads it; 0 when
// the text holds no number (a script's empty placeholder).
std::int32_t NumberOrZero(std::string_view text);

// The entry of every companion command's program: builds the context (a
// root that cannot be opened means Stovan is not running), runs the
// command and returns its return code.
using CommandFunction = int (*)(const CommandContext&);
int CommandMain(const char* name, int argc, char** argv, CommandFunction run);

}  // namespace stovan::commands
