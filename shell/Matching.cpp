#include "shell/Matching.h"

#include <algorithm>

#include "platform/Latin1.h"
#include "shell/Wildcard.h"

namespace amiga {

std::string JoinPath(std::string_view drawer, std::string_view name) {
    std::string path(drawer);
    // No buffer limit here: the host layer refuses paths that are too long.
    AddPart(path, name, std::string::npos);
    return path;
}

Expected<std::vector<ObjectInfo>, DosError> SortedDrawer(ShellHost& host, std::string_view drawer) {
    auto entries = host.ExamineDrawer(drawer);
    if (!entries) {
        return entries;
    }
    std::sort(entries->begin(), entries->end(), [](const ObjectInfo& a, const ObjectInfo& b) {
        return CompareNoCase(a.name, b.name) < 0;
    });
    return entries;
}

Expected<Expansion, DosError> ExpandPath(ShellHost& host, std::string_view path) {
    Expansion expansion;
    std::string_view pattern = FilePart(path);
    if (!HasWildcards(pattern)) {
        auto info = host.Examine(path);
        AMIGA_RETURN_IF_FAILED(info);
        expansion.objects.push_back(std::move(info.value()));
        return expansion;
    }
    expansion.wild = true;
    auto entries = SortedDrawer(host, PathPart(path));
    AMIGA_RETURN_IF_FAILED(entries);
    for (ObjectInfo& entry : *entries) {
        if (MatchWildcard(pattern, entry.name)) {
            expansion.objects.push_back(std::move(entry));
        }
    }
    return expansion;
}

}  // namespace amiga
