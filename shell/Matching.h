#pragma once
// Expanding the file arguments of commands: a path whose last part is a
// pattern ("Work:Foo/#?.info") names every matching entry of its drawer.

#include <string>
#include <string_view>
#include <vector>

#include "platform/AmigaPath.h"
#include "platform/Expected.h"
#include "shell/Host.h"

namespace amiga {

// The host layer's AddPart, returning the joined path.
std::string JoinPath(std::string_view drawer, std::string_view name);

struct Expansion {
    bool wild = false;
    std::vector<ObjectInfo> objects;  // sorted by name (case-insensitive) when wild
};

// The objects a path names. A plain path that does not exist fails with the
// host's error; a pattern that matches nothing gives an empty list.
Expected<Expansion, DosError> ExpandPath(ShellHost& host, std::string_view path);

// The entries of a drawer sorted by name, without regard to case.
Expected<std::vector<ObjectInfo>, DosError> SortedDrawer(ShellHost& host, std::string_view drawer);

}  // namespace amiga
