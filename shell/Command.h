#pragma once
// A shell command: its name, its ReadArgs template and the function that
// runs it. Every built-in command lives in its own file in shell/commands/
// and is listed once in shell/CommandRegistry.cpp.

#include <string>
#include <string_view>
#include <vector>

#include "shell/Args.h"
#include "shell/Faults.h"
#include "shell/Host.h"
#include "shell/Streams.h"

namespace amiga {

class Shell;

struct CommandContext {
    Shell& shell;
    ShellHost& host;
    std::string name;       // the command name as typed
    std::string arguments;  // the argument text after redirection was taken out
    ParsedArgs args;        // filled from the template (empty for raw commands)
    Streams io;
    DosError result2 = kNoError;  // IoErr of the command, becomes Result2
    // The first failed write or close of the command's streams (a full
    // disk, /dev/full, a broken pipe): the shell then fails the command with
    // return code 20 and this error, whatever the command returned.
    mutable DosError writeError = kNoError;

    // Output and the error stream; false (and writeError set) when the
    // write failed.
    bool Print(std::string_view text) const;
    bool PrintError(std::string_view text) const;
    // Writes to another descriptor of the command (a TO file), with the same
    // failure record.
    bool Write(int fd, std::string_view text) const;
    // Closes a file the command wrote (a TO file); a failed close is a
    // failed write. False on failure.
    bool CloseOutput(FileDescriptor& file) const;
    // PrintFault(code, header) on the error stream; sets result2, returns rc.
    int Fault(DosError code, std::string_view header, int rc);
};

using CommandFunction = int (*)(CommandContext&);

struct CommandSpec {
    const char* name;
    // ReadArgs template; nullptr for commands that read their line themselves.
    const char* argumentTemplate;
    CommandFunction run;
};

// The built-in command of that name (without regard to case), or nullptr.
const CommandSpec* FindBuiltin(std::string_view name);
const std::vector<const CommandSpec*>& BuiltinCommands();

}  // namespace amiga
