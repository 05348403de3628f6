#pragma once
// Starting a host program as a command: it gets the command's streams as
// stdin/stdout/stderr, the current drawer as its working directory, the
// arguments as separate words (quotes removed) and the whole argument line
// in STOVAN_SHELL_ARGUMENTS for programs that parse it with a template. A
// break while it runs is passed on to it as SIGINT.

#include <string>
#include <string_view>
#include <vector>

#include "shell/Faults.h"
#include "shell/Streams.h"

namespace amiga {

struct ChildRequest {
    std::string hostPath;
    std::vector<std::string> argv;         // argv[0] is the command name
    std::vector<std::string> environment;  // added to (or replacing) the shell's own
    std::string workingDirectory;
    Streams io;
};

// The child's exit code as the return code; 20 with result2 set when it
// could not be started or died from a signal.
int RunChild(const ChildRequest& request, DosError& result2);

}  // namespace amiga
