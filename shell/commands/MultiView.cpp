// MultiView: shows a file with the desktop's viewer (xdg-open) when a
// display is there; without one it says so and succeeds, so that a script
// showing a change log does not fail on a headless machine.
// Template: FILE,CLIPBOARD/S,CLIPUNIT/K/N,SCREEN/S,PUBSCREEN/K,REQUESTER/S,
//           BOOKMARK/S,FONTNAME/K,FONTSIZE/K/N,BACKDROP/S,WINDOW/S,PORTNAME/K

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "shell/ChildProcess.h"
#include "shell/Command.h"

namespace amiga {

namespace {

// The host path of a program found along PATH, or "".
std::string FindOnPath(std::string_view program) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) {
        return {};
    }
    std::string_view rest(path);
    while (!rest.empty()) {
        std::size_t colon = rest.find(':');
        std::string candidate(rest.substr(0, colon));
        candidate += '/';
        candidate += program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        if (colon == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(colon + 1);
    }
    return {};
}

int RunMultiView(CommandContext& context) {
    if (!context.args.Has("FILE")) {
        return context.Fault(ERROR_REQUIRED_ARG_MISSING, context.name, RETURN_ERROR);
    }
    std::string name = context.args.Text("FILE");
    auto info = context.host.Examine(name);
    if (!info) {
        return context.Fault(info.error(), name, RETURN_ERROR);
    }
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    bool hasDisplay =
        (display != nullptr && *display != '\0') || (wayland != nullptr && *wayland != '\0');
    std::string opener = hasDisplay ? FindOnPath("xdg-open") : std::string();
    if (opener.empty()) {
        context.PrintError("MultiView: no display to show " + info->amigaPath + "\n");
        return RETURN_OK;
    }
    FileDescriptor null(::open("/dev/null", O_RDWR | O_CLOEXEC));
    ChildRequest request;
    request.hostPath = opener;
    request.argv = {"xdg-open", info->hostPath};
    request.io = Streams{null.get(), null.get(), null.get()};
    DosError result2 = kNoError;
    int rc = RunChild(request, result2);
    context.result2 = result2;
    return rc == 0 ? RETURN_OK : RETURN_ERROR;
}

}  // namespace

extern const CommandSpec kMultiViewCommand{
    "MultiView",
    "FILE,CLIPBOARD/S,CLIPUNIT/K/N,SCREEN/S,PUBSCREEN/K,REQUESTER/S,BOOKMARK/S,FONTNAME/K,"
    "FONTSIZE/K/N,BACKDROP/S,WINDOW/S,PORTNAME/K",
    RunMultiView};

}  // namespace amiga
