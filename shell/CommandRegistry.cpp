// The one list of built-in commands. Each is defined in its own file in
// shell/commands/ as k<Name>Command.

#include <unistd.h>

#include <cerrno>

#include "platform/Latin1.h"
#include "shell/Command.h"

// Built-in commands in the order "Assign LIST"-style listings show them.
#define AMIGA_SHELL_BUILTINS(X) \
    X(Ask)                      \
    X(Assign)                   \
    X(CD)                       \
    X(Copy)                     \
    X(Delete)                   \
    X(Dir)                      \
    X(Echo)                     \
    X(Else)                     \
    X(EndIf)                    \
    X(EndSkip)                  \
    X(Execute)                  \
    X(FailAt)                   \
    X(Get)                      \
    X(GetEnv)                   \
    X(If)                       \
    X(Lab)                      \
    X(LhA)                      \
    X(List)                     \
    X(MakeDir)                  \
    X(MultiView)                \
    X(Protect)                  \
    X(Quit)                     \
    X(Rename)                   \
    X(RequestChoice)            \
    X(Set)                      \
    X(SetEnv)                   \
    X(Skip)                     \
    X(Type)                     \
    X(Unset)                    \
    X(UnsetEnv)                 \
    X(UnZip)                    \
    X(Version)                  \
    X(Wait)

namespace amiga {

#define AMIGA_DECLARE_COMMAND(Name) extern const CommandSpec k##Name##Command;
AMIGA_SHELL_BUILTINS(AMIGA_DECLARE_COMMAND)
#undef AMIGA_DECLARE_COMMAND

const std::vector<const CommandSpec*>& BuiltinCommands() {
#define AMIGA_LIST_COMMAND(Name) &k##Name##Command,
    static const std::vector<const CommandSpec*> commands = {
        AMIGA_SHELL_BUILTINS(AMIGA_LIST_COMMAND)};
#undef AMIGA_LIST_COMMAND
    return commands;
}

const CommandSpec* FindBuiltin(std::string_view name) {
    for (const CommandSpec* command : BuiltinCommands()) {
        if (EqualsNoCase(command->name, name)) {
            return command;
        }
    }
    return nullptr;
}

bool CommandContext::Write(int fd, std::string_view text) const {
    errno = 0;
    if (WriteAll(fd, text)) {
        return true;
    }
    if (writeError == kNoError) {
        writeError = errno != 0 ? DosErrorFromErrno(errno) : ERROR_DISK_FULL;
    }
    return false;
}

bool CommandContext::Print(std::string_view text) const {
    return Write(io.out, text);
}

bool CommandContext::PrintError(std::string_view text) const {
    return Write(io.err, text);
}

bool CommandContext::CloseOutput(FileDescriptor& file) const {
    if (!file.valid()) {
        return true;
    }
    if (::close(file.Release()) == 0) {
        return true;
    }
    if (writeError == kNoError) {
        writeError = DosErrorFromErrno(errno);
    }
    return false;
}

int CommandContext::Fault(DosError code, std::string_view header, int rc) {
    result2 = code;
    PrintError(FaultLine(code, header));
    return rc;
}

}  // namespace amiga
