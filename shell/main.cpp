// stovan-shell: runs an AmigaDOS script, or one command line, on a system
// root and exits with the AmigaDOS return code.
//
//   stovan-shell [options] FILE [ARGS...]   Execute FILE with ARGS
//   stovan-shell [options] -c LINE          run LINE (several lines: a script)
//
// FILE is an Amiga path ("S:Install", "Work:Foo/Setup"; a name alone is
// also looked for in S:) or an absolute host path. Options:
//   --root DIR      the system root (default: $STOVAN_ROOT, else the
//                   user's default root, as for stovan)
//   --input PATH    the shell's input stream  } an Amiga path, NIL: or
//   --output PATH   its output stream         } "*" for the terminal (the
//   --error PATH    its error stream          } default)
//   --dir DRAWER    the current drawer to start in (default: SYS:)

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/HostFiles.h"
#include "platform/ReadArgs.h"
#include "platform/SystemRoot.h"
#include "shell/Break.h"
#include "shell/PlatformHost.h"
#include "shell/Shell.h"

namespace {

constexpr const char* kUsage =
    "usage: stovan-shell [--root DIR] [--dir DRAWER] [--input PATH] [--output PATH] "
    "[--error PATH] FILE [ARGS...]\n"
    "       stovan-shell [--root DIR] [--dir DRAWER] [--input PATH] [--output PATH] "
    "[--error PATH] -c LINE\n";

struct Options {
    std::string root;
    std::string drawer;
    std::string streams[3] = {"*", "*", "*"};  // input, output, error
    bool commandLine = false;
    std::string target;  // FILE or LINE
    std::vector<std::string> arguments;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    int i = 1;
    for (; i < argc; ++i) {
        std::string option = argv[i];
        int stream = option == "--input"    ? 0
                     : option == "--output" ? 1
                     : option == "--error"  ? 2
                                            : -1;
        if (option == "--root" || option == "--dir" || stream >= 0) {
            if (i + 1 >= argc) {
                return false;
            }
            (stream >= 0         ? options.streams[stream]
             : option == "--dir" ? options.drawer
                                 : options.root) = argv[++i];
        } else if (option == "-c") {
            if (i + 1 >= argc) {
                return false;
            }
            options.commandLine = true;
            options.target = argv[++i];
            return i + 1 == argc;
        } else if (option == "--") {
            ++i;
            break;
        } else if (option.size() > 1 && option.front() == '-') {
            return false;
        } else {
            break;
        }
    }
    if (i >= argc) {
        return false;
    }
    options.target = argv[i];
    options.arguments.assign(argv + i + 1, argv + argc);
    return true;
}

// An exit status for a return code: 0-255 as is, larger codes as 255 (never
// wrapped round to a success), negative ones as a failure.
int ExitStatus(int rc) {
    if (rc < 0) {
        return amiga::RETURN_FAIL;
    }
    return rc > 255 ? 255 : rc;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace amiga;
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return RETURN_FAIL;
    }
    auto dos = OpenProcessRoot(options.root);
    if (!dos) {
        std::fprintf(stderr, "stovan-shell: %s\n", dos.error().c_str());
        return RETURN_FAIL;
    }
    PlatformHost host(std::move(*dos));
    if (!options.drawer.empty()) {
        if (const DosError error = host.SetCurrentDrawer(options.drawer); error != kNoError) {
            std::fprintf(stderr, "stovan-shell: %s\n", Fault(error, options.drawer).c_str());
            return RETURN_FAIL;
        }
    }

    Streams io;
    FileDescriptor opened[3];
    int* slots[3] = {&io.in, &io.out, &io.err};
    for (int i = 0; i < 3; ++i) {
        if (options.streams[i] == "*") {
            continue;
        }
        auto fd =
            host.OpenFile(options.streams[i], i == 0 ? StreamMode::OldFile : StreamMode::NewFile);
        if (!fd) {
            std::fprintf(stderr, "stovan-shell: %s\n",
                         Fault(fd.error(), options.streams[i]).c_str());
            return RETURN_FAIL;
        }
        opened[i] = FileDescriptor(*fd);
        *slots[i] = opened[i].get();
    }

    InstallBreakHandler();
    Shell shell(host, io);
    int rc = RETURN_OK;
    if (options.commandLine) {
        if (options.target.find('\n') != std::string::npos) {
            rc = shell.RunScript(options.target, io);
        } else {
            rc = shell.RunLine(options.target, io);
        }
    } else {
        std::string arguments;
        for (const std::string& argument : options.arguments) {
            if (!arguments.empty()) {
                arguments += ' ';
            }
            arguments += amiga::QuoteArgument(argument);
        }
        if (!options.target.empty() && options.target.front() == '/') {
            auto text = HostReadFile(options.target, kMaxScriptSize);
            if (!text) {
                WriteAll(io.err, FaultLine(text.error(), options.target));
                return RETURN_FAIL;
            }
            rc = shell.ExecuteText(*text, arguments, io);
        } else {
            rc = shell.ExecuteFile(options.target, arguments, io);
        }
    }
    return ExitStatus(rc);
}
