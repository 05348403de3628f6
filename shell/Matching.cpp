#include "shell/Matching.h"

#include <algorithm>

#include "platform/Latin1.h"
#include "shell/Wildcard.h"

namespace amiga {

std::string JoinPath(std::string_view drawer, std::string_view name) {
    std::size_t colon = name.find(':');
    if (colon != std::string_view::npos && colon != 0) {
        return std::string(name);
    }
    if (!name.empty() && name.front() == ':') {
        std::size_t driveEnd = drawer.find(':');
        if (driveEnd == std::string_view::npos) {
            return std::string(name);
        }
        return std::string(drawer.substr(0, driveEnd)) + std::string(name);
    }
    std::string path(drawer);
    if (!path.empty() && path.back() != ':' && path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

Expected<std::vector<ObjectInfo>, fault::Code> SortedDrawer(ShellHost& host,
                                                            std::string_view drawer) {
    auto entries = host.ExamineDrawer(drawer);
    if (!entries) {
        return entries;
    }
    std::sort(entries->begin(), entries->end(), [](const ObjectInfo& a, const ObjectInfo& b) {
        return CompareNoCase(a.name, b.name) < 0;
    });
    return entries;
}

Expected<Expansion, fault::Code> ExpandPath(ShellHost& host, std::string_view path) {
    Expansion expansion;
    std::string_view pattern = FilePart(path);
    if (!HasWildcards(pattern)) {
        auto info = host.Examine(path);
        if (!info) {
            return Unexpected(info.error());
        }
        expansion.objects.push_back(std::move(info.value()));
        return expansion;
    }
    expansion.wild = true;
    auto entries = SortedDrawer(host, PathPart(path));
    if (!entries) {
        return Unexpected(entries.error());
    }
    for (ObjectInfo& entry : *entries) {
        if (MatchWildcard(pattern, entry.name)) {
            expansion.objects.push_back(std::move(entry));
        }
    }
    return expansion;
}

}  // namespace amiga
