#pragma once
// SVersionCompare: tells an install script whether the first of two files
// is older than the second, by its return code (5 older, 0 as new or newer),
// so that the script copies a file only over an older one:
//
//   SVersionCompare "Work:Foo/Libs/foo.library" "T:foo.library"
//   If WARN
//     Copy "T:foo.library" "Work:Foo/Libs/"
//   EndIf
//
// The version of a file is what the Version command prints for it
// ("Version FULL NAME file FILE"): the first line's number and the date in
// parentheses behind it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "commands/CommandSupport.h"
#include "platform/DateStamp.h"

namespace stovan::commands {

inline constexpr std::string_view kVersionCompareTemplate = "NAME1/A,NAME2/A";
inline constexpr char kVersionCompareVersion[] = "$VER: SVersionCompare 1.10 (08.10.15)";

// Error numbers of the command and their texts (1 prints the system's
// fault text instead).
enum class CompareError {
    None = 0,
    Command = 1,
    NoMemory = 2,
    NoPort = 3,
    NoDrawer = 4,
    NoVersion = 5,
};
std::string_view CompareErrorText(CompareError error);

// The version of one file: triple and the date of its version string.
struct FileVersion {
    std::uint32_t version = 0;
    std::uint32_t revision = 0;
    std::uint32_t build = 0;
    amiga::DateStamp date;
};

// Reads "%d.%m.%y" (two-digit years 78-99 are 19xx, below 78 20xx; up to
// four digits are taken as they are). False, and date untouched, when the
// text is no such date.
bool ParseVersionStringDate(std::string_view text, amiga::DateStamp& date);

// Scans the first line of the Version command's output: the first blank,
// "v" or "V" directly followed by a digit starts the version; ".revision"
// and ".build" may follow. The date is read only when a revision was: the
// text between the next "(" (looked for from one character after the
// revision) and the ")" after it, at most 19 characters, every non-digit
// made a ".". nullopt when there is no version.
std::optional<FileVersion> ParseVersionOutput(std::string_view output);

// 5 when a is older than b (a lower triple, or an equal triple and b's date
// later), else 0.
int CompareFileVersions(const FileVersion& a, const FileVersion& b);

// Runs one command line in the AmigaDOS shell with its output going to the
// host file outputPath; the command's own return code does not matter. An
// error code when the shell cannot be started.
using ShellRunner = std::function<amiga::DosStatus(
    const CommandContext& context, const std::string& commandLine, const std::string& outputPath)>;

// The shell runner of the system: `stovan-shell -c LINE` with the current
// drawer as working directory and the root's environment; the shell is
// $STOVAN_SHELL, else "stovan-shell" beside this program, else on PATH.
// Without a shell it reads the "$VER:" string itself, as the shell's
// Version command prints it.
amiga::DosStatus RunShellCommand(const CommandContext& context, const std::string& commandLine,
                                 const std::string& outputPath);

// The shell program RunShellCommand uses, "" when none is found.
std::string FindShellProgram();

// Reads a file's version: runs "Version FULL NAME \"<path>\" FILE *>NIL:"
// with its output in a temporary file in T: and scans it.
struct VersionResult {
    CompareError error = CompareError::None;
    amiga::DosError code = 0;  // the fault for CompareError::Command
    FileVersion version;
};
VersionResult ReadFileVersion(const CommandContext& context, std::string_view path,
                              const ShellRunner& runner);

// The whole command.
int RunSVersionCompare(const CommandContext& context, const ShellRunner& runner);
// The command with the system's shell runner.
int RunSVersionCompareMain(const CommandContext& context);

}  // namespace stovan::commands
