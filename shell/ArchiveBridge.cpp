#include "shell/ArchiveBridge.h"

#include <algorithm>
#include <map>
#include <sstream>

#include "platform/AmigaPath.h"
#include "platform/HostFiles.h"
#include "shell/Matching.h"
#include "shell/Wildcard.h"

namespace amiga {

using stovan::archive::ArchiveCommandContext;
using stovan::archive::ArchiveCommandLine;
using stovan::archive::ArchiveMetadata;
using stovan::archive::MetadataSink;
using stovan::archive::MetadataSource;

namespace {

// One drawer known by both its Amiga and its host path; objects below it are
// translated between the two, name by name (Amiga names are host names).
struct Anchor {
    std::string amiga;
    std::string host;

    std::optional<std::string> AmigaPathOf(const std::string& hostPath) const {
        if (hostPath == host) {
            return amiga;
        }
        if (hostPath.size() <= host.size() + 1 || hostPath.compare(0, host.size(), host) != 0 ||
            hostPath[host.size()] != '/') {
            return std::nullopt;
        }
        return JoinPath(amiga, hostPath.substr(host.size() + 1));
    }
};

// Extracted objects receive their protection bits and comment through the
// host; the date is already the host time the archive module set. Both are
// set as well as they can be: the object's data is what extraction promises,
// and a disk too full for a sidecar fails the next object's write anyway.
class HostSink final : public MetadataSink {
  public:
    HostSink(ShellHost& host, Anchor anchor) : host_(host), anchor_(std::move(anchor)) {}

    void apply(const std::string& hostPath, const ArchiveMetadata& metadata) override {
        auto path = anchor_.AmigaPathOf(hostPath);
        if (!path) {
            return;
        }
        if (metadata.protection && *metadata.protection != kDefaultProtection) {
            (void)host_.SetProtection(*path, *metadata.protection & 0xFF);
        }
        if (!metadata.comment.empty()) {
            std::string comment = metadata.comment.substr(0, kMaxCommentLength);
            (void)host_.SetComment(*path, comment);
        }
    }

  private:
    ShellHost& host_;
    Anchor anchor_;
};

// Files going into an archive: protection bits, comment and date from the host.
class HostSource final : public MetadataSource {
  public:
    HostSource(ShellHost& host, Anchor anchor) : host_(host), anchor_(std::move(anchor)) {}

    std::optional<ArchiveMetadata> read(const std::string& hostPath) override {
        auto path = anchor_.AmigaPathOf(hostPath);
        if (!path) {
            return std::nullopt;
        }
        auto info = host_.Examine(*path);
        if (!info) {
            return std::nullopt;
        }
        ArchiveMetadata metadata;
        metadata.protection = info->protection;
        metadata.comment = info->comment;
        metadata.date = info->date;
        return metadata;
    }

  private:
    ShellHost& host_;
    Anchor anchor_;
};

// A drawer for extraction: made with the drawers on the way when missing.
DosError EnsureDrawer(ShellHost& host, const std::string& path, int depth = 0) {
    auto info = host.Examine(path);
    if (info) {
        return info->isDrawer ? kNoError : ERROR_OBJECT_WRONG_TYPE;
    }
    if (info.error() != ERROR_OBJECT_NOT_FOUND && info.error() != ERROR_DIR_NOT_FOUND) {
        return info.error();
    }
    if (depth > 64) {
        return ERROR_TOO_MANY_LEVELS;
    }
    std::string_view parent = PathPart(path);
    if (!parent.empty() && parent != path && parent.back() != ':') {
        if (DosError error = EnsureDrawer(host, std::string(parent), depth + 1);
            error != kNoError) {
            return error;
        }
    }
    return host.CreateDir(path);
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/' && path[path.size() - 2] != '/' &&
           path[path.size() - 2] != ':') {
        path.pop_back();
    }
    return path;
}

// The archive module names host paths in its messages; the user knows the
// Amiga paths they came from.
std::string ShowAmigaPaths(std::string text, const std::map<std::string, std::string>& hostPaths,
                           ShellHost& host) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const auto& [amigaPath, hostPath] : hostPaths) {
        pairs.emplace_back(hostPath, amigaPath.empty() ? host.CurrentDrawer() : amigaPath);
    }
    // Longest host path first, so that a drawer does not replace part of a
    // path below it.
    std::sort(pairs.begin(), pairs.end(),
              [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    for (const auto& [hostPath, amigaPath] : pairs) {
        if (hostPath.empty()) {
            continue;
        }
        for (std::size_t at = text.find(hostPath); at != std::string::npos;
             at = text.find(hostPath, at + amigaPath.size())) {
            text.replace(at, hostPath.size(), amigaPath);
            std::size_t after = at + amigaPath.size();
            bool joined =
                !amigaPath.empty() && (amigaPath.back() == ':' || amigaPath.back() == '/');
            if (joined && after < text.size() && text[after] == '/') {
                text.erase(after, 1);  // "RAM:" + "/x" is "RAM:x"
            }
        }
    }
    return text;
}

}  // namespace

int RunArchiveOnHost(CommandContext& context, const ArchiveCommandLine& command) {
    ShellHost& host = context.host;
    std::map<std::string, std::string> hostPaths;
    // Resolves every Amiga path the command names before anything runs, so
    // that a bad path stops the command with the host's error.
    auto resolve = [&](const std::string& amigaPath) -> DosError {
        auto hostPath = host.HostPathFor(amigaPath.empty() ? host.CurrentDrawer() : amigaPath);
        if (!hostPath) {
            return hostPath.error();
        }
        hostPaths[amigaPath] = *hostPath;
        return kNoError;
    };

    bool extracting = command.action == ArchiveCommandLine::Action::Extract ||
                      command.action == ArchiveCommandLine::Action::ExtractFlat;
    std::string destination = WithoutTrailingSlash(command.destination);
    if (extracting && !destination.empty()) {
        if (DosError error = EnsureDrawer(host, destination); error != kNoError) {
            return context.Fault(error, command.destination, RETURN_FAIL);
        }
    }
    for (const std::string* path : {&command.archive, &command.destination, &command.baseDrawer}) {
        if (DosError error = resolve(*path); error != kNoError) {
            return context.Fault(error, path->empty() ? host.CurrentDrawer() : *path, RETURN_FAIL);
        }
    }

    auto anchorFor = [&](const std::string& amigaPath) {
        auto info = host.Examine(amigaPath.empty() ? host.CurrentDrawer() : amigaPath);
        return Anchor{info ? info->amigaPath : amigaPath, hostPaths[amigaPath]};
    };
    HostSink sink(host, anchorFor(command.destination));
    HostSource source(host, anchorFor(command.baseDrawer));

    std::ostringstream out;
    std::ostringstream err;
    ArchiveCommandContext archiveContext;
    archiveContext.toHostPath = [&hostPaths](const std::string& amigaPath) {
        auto found = hostPaths.find(amigaPath);
        // Only the paths resolved above are ever asked for.
        return found != hostPaths.end() ? found->second : std::string("/nonexistent/");
    };
    archiveContext.matchPattern = [](const std::string& pattern, const std::string& name) {
        return MatchWildcard(pattern, name);
    };
    archiveContext.hostOnlyName = [](const std::string& name) { return IsUaemName(name); };
    if (extracting) {
        const std::string& place =
            command.destination.empty() ? host.CurrentDrawer() : command.destination;
        if (auto volumeRoot = host.VolumeRootFor(place)) {
            archiveContext.destinationRoot = *volumeRoot;
        }
    }
    archiveContext.sink = &sink;
    archiveContext.source = &source;
    archiveContext.out = &out;
    archiveContext.err = &err;
    // The ".uaem" sidecars of an extraction are synced once at its end,
    // not one by one (thousands of entries would take minutes).
    SyncBatch batch;
    int rc = RunArchiveCommand(command, archiveContext);
    if (DosStatus synced = batch.Finish(); !synced.ok() && rc == 0) {
        context.Print(out.str());
        return context.Fault(
            synced.error(),
            command.destination.empty() ? host.CurrentDrawer() : command.destination, RETURN_FAIL);
    }
    context.Print(out.str());
    if (!err.str().empty()) {
        context.PrintError(context.name + ": " + ShowAmigaPaths(err.str(), hostPaths, host));
    }
    return rc;
}

}  // namespace amiga
