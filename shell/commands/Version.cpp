// Version: prints the version string ("$VER: name version.revision (date)")
// of a file as "name version.revision", with FULL the whole string. With
// VERSION (and REVISION) returns 5 when the file is older than that.
// Returns 10 when the file has no version string, 20 when it is missing.
// Template: NAME,VERSION/N,REVISION/N,UNIT/N,FILE/S,INTERNAL/S,RES/S,FULL/S

#include <cctype>

#include "platform/VersionString.h"
#include "shell/Command.h"

namespace amiga {

namespace {

// Largest file searched for a version string.
constexpr std::size_t kMaxVersionFileSize = 256 * 1024 * 1024;

int RunVersion(CommandContext& context) {
    const ParsedArgs& args = context.args;
    if (!args.Has("NAME")) {
        context.Print("stovan-shell AmigaDOS interpreter 1.0\n");
        return RETURN_OK;
    }
    std::string name = args.Text("NAME");
    if (args.Switch("RES")) {
        // Nothing is resident in this shell.
        context.PrintError("Could not find version information for '" + name + "'\n");
        context.result2 = ERROR_OBJECT_NOT_FOUND;
        return RETURN_ERROR;
    }
    auto info = context.host.Examine(name);
    if (!info && !args.Switch("FILE") && name.find_first_of(":/") == std::string::npos) {
        // A library or device name is looked for where the system keeps them.
        for (const char* drawer : {"LIBS:", "DEVS:", "C:"}) {
            info = context.host.Examine(std::string(drawer) + name);
            if (info) {
                break;
            }
        }
    }
    if (!info) {
        return context.Fault(info.error(), name, RETURN_FAIL);
    }
    if (info->isDrawer) {
        return context.Fault(ERROR_OBJECT_WRONG_TYPE, name, RETURN_FAIL);
    }
    auto opened = context.host.OpenFile(info->amigaPath, StreamMode::OldFile);
    if (!opened) {
        return context.Fault(opened.error(), name, RETURN_FAIL);
    }
    FileDescriptor file(*opened);
    auto data = ReadAll(file.get(), kMaxVersionFileSize);
    if (!data) {
        return context.Fault(ERROR_OBJECT_TOO_LARGE, name, RETURN_FAIL);
    }
    auto version = FindVersionString(*data);
    if (!version) {
        context.PrintError("Could not find version information for '" + name + "'\n");
        context.result2 = ERROR_OBJECT_NOT_FOUND;
        return RETURN_ERROR;
    }
    context.Print((args.Switch("FULL") ? version->full : version->shortForm) + "\n");
    if (auto wanted = args.Number("VERSION")) {
        std::int32_t wantedRevision = args.Number("REVISION").value_or(0);
        if (version->version < *wanted || (version->version == *wanted && args.Has("REVISION") &&
                                           version->revision < wantedRevision)) {
            return RETURN_WARN;
        }
    }
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kVersionCommand{
    "Version", "NAME,VERSION/N,REVISION/N,UNIT/N,FILE/S,INTERNAL/S,RES/S,FULL/S", RunVersion};

}  // namespace amiga
