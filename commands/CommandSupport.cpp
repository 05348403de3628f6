#include "commands/CommandSupport.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/AmigaPath.h"
#include "platform/HostFiles.h"
#include "platform/MountTable.h"
#include "platform/ReadArgs.h"
#include "platform/StrToLong.h"
#include "platform/SystemRoot.h"

namespace stovan::commands {

using amiga::DosError;
using amiga::Expected;
using amiga::Unexpected;

Expected<amiga::DosList, std::string> OpenCommandRoot() {
    std::string folder = amiga::HostEnvironment(amiga::kRootVariable);
    if (folder.empty()) {
        folder = amiga::DefaultRootFolder();
    }
    if (folder.empty()) {
        return Unexpected{std::string("no system root (STOVAN_ROOT is not set)")};
    }
    // OpenProcessRoot would make a new root in a missing or empty folder;
    // a command only ever works on a root that is there.
    auto table = amiga::HostLstat(folder + "/" + std::string(amiga::kMountTableName));
    if (!table || table->type != amiga::HostType::File) {
        return Unexpected{"no system root in " + folder};
    }
    return amiga::OpenProcessRoot(folder);
}

std::string ArgumentLine(int argc, char** argv) {
    if (const char* line = std::getenv("STOVAN_SHELL_ARGUMENTS"); line != nullptr) {
        return line;
    }
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            line += ' ';
        }
        line += amiga::QuoteArgument(argv[i]);
    }
    return line;
}

Expected<amiga::FileLock, DosError> LockHostFolder(const amiga::DosList& dos,
                                                   const std::string& hostFolder) {
    auto real = amiga::HostRealPath(hostFolder);
    AMIGA_RETURN_IF_FAILED(real);
    // The volume whose folder holds the path most closely (volumes may nest).
    const amiga::Volume* best = nullptr;
    std::string bestRoot;
    for (const amiga::Volume& volume : dos.volumes()) {
        auto root = amiga::HostRealPath(volume.hostFolder);
        if (!root || !amiga::HostPathIsInside(*real, *root)) {
            continue;
        }
        if (best == nullptr || root->size() > bestRoot.size()) {
            best = &volume;
            bestRoot = *root;
        }
    }
    if (best == nullptr) {
        return Unexpected{amiga::ERROR_OBJECT_NOT_FOUND};
    }
    std::string rest = real->substr(bestRoot.size());
    while (!rest.empty() && rest.front() == '/') {
        rest.erase(0, 1);
    }
    auto lock = amiga::Lock(dos, best->name + ":" + rest);
    if (lock && !lock->drawer) {
        return Unexpected{amiga::ERROR_OBJECT_WRONG_TYPE};
    }
    return lock;
}

Expected<CommandContext, std::string> MakeCommandContext(std::string name, int argc, char** argv) {
    auto dos = OpenCommandRoot();
    AMIGA_RETURN_IF_FAILED(dos);
    CommandContext context;
    context.name = std::move(name);
    context.dos = std::move(*dos);
    context.portsFolder = amiga::PortsFolder(context.dos);
    context.argumentLine = ArgumentLine(argc, argv);
    std::vector<char> buffer(PATH_MAX + 1);
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
        if (auto drawer = LockHostFolder(context.dos, buffer.data())) {
            context.currentDrawer = std::move(*drawer);
        }
    }
    return context;
}

bool StovanIsRunning(const CommandContext& context) {
    return !context.portsFolder.empty() && amiga::FindPort(context.portsFolder, kStovanPortName);
}

void PrintMessage(const CommandContext& context, std::string_view text) {
    std::string line = context.name + ": ";
    line += text;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), context.io.out);
    std::fflush(context.io.out);
}

void PrintCommandFault(const CommandContext& context, DosError code) {
    amiga::PrintFault(code, context.name, context.io.out);
    std::fflush(context.io.out);
}

std::optional<amiga::Arguments> ReadCommandArgs(const CommandContext& context,
                                                std::string_view argumentTemplate) {
    auto parsedTemplate = amiga::ParseTemplate(argumentTemplate);
    if (!parsedTemplate) {
        PrintCommandFault(context, parsedTemplate.error());
        return std::nullopt;
    }
    auto arguments = amiga::ReadArgs(*parsedTemplate, context.argumentLine);
    if (!arguments) {
        PrintCommandFault(context, arguments.error());
        return std::nullopt;
    }
    return std::move(*arguments);
}

Expected<amiga::PortReply, amiga::PortError> SendToStovan(const CommandContext& context,
                                                          const amiga::PortMessage& message,
                                                          amiga::PortTimeout timeout) {
    return amiga::SendPortMessage(context.portsFolder, kStovanPortName, message, timeout);
}

Expected<std::string, DosError> AbsoluteAmigaPath(const CommandContext& context,
                                                  std::string_view path) {
    auto object = amiga::LockForCreate(context.dos, path, context.drawer());
    AMIGA_RETURN_IF_FAILED(object);
    std::string full = amiga::NameFromLock(context.dos, object->parent);
    if (!amiga::AddPart(full, object->name, std::string::npos)) {
        return Unexpected{amiga::ERROR_LINE_TOO_LONG};
    }
    return full;
}

std::int32_t NumberOrZero(std::string_view text) {
    std::int32_t value = 0;
    if (amiga::StrToLong(text, value) < 0) {
        return 0;
    }
    return value;
}

int CommandMain(const char* name, int argc, char** argv, CommandFunction run) {
    auto context = MakeCommandContext(name, argc, argv);
    if (!context) {
        // Without a root there is no Stovan to talk to.
        std::printf("%s: %s\n", name, std::string(kNoPortText).c_str());
        return RETURN_FAIL;
    }
    return run(*context);
}

}  // namespace stovan::commands
