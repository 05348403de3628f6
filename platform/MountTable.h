#pragma once
// The mount table of a system root: a small text file ("MountTable" in the
// root folder) that says which host folders are the volumes of the managed
// Amiga system, which assigns exist, and which system it is. The format is
// described for users in docs/system-root.md:
//
//   # comment
//   system AmigaOS4 4.1
//   volume SYS  Volumes/System  boot device DH0
//   volume Work "Volumes/My Work" device DH1
//   assign C: SYS:C
//   assign LIBS: SYS:Libs Work:Libs
//
// This module only parses and formats the text; DosList gives it meaning.

#include <string>
#include <string_view>
#include <vector>

#include "platform/Expected.h"

namespace amiga {

inline constexpr std::string_view kMountTableName = "MountTable";

enum class SystemKind { AmigaOS4, MorphOS };

// The managed system: one Stovan binary serves both kinds.
struct SystemProfile {
    SystemKind kind = SystemKind::AmigaOS4;
    std::string version = "4.1";  // "major.minor"
};

// "AmigaOS4" or "MorphOS".
std::string_view SystemKindName(SystemKind kind);

struct VolumeEntry {
    std::string name;        // "Work" (without ":")
    std::string hostFolder;  // as written; relative paths are relative to the root
    std::string device;      // optional device name ("DH1"), "" when none
    bool boot = false;
    int line = 0;  // where it was read, for messages
};

struct AssignEntry {
    std::string name;                  // "C" (without ":")
    std::vector<std::string> targets;  // Amiga paths, in search order
    int line = 0;
};

struct MountTable {
    SystemProfile profile;
    std::vector<VolumeEntry> volumes;
    std::vector<AssignEntry> assigns;
};

// The largest mount table read (anything bigger is not one).
inline constexpr std::size_t kMaxMountTableSize = 1 << 20;

// Parses the text of a mount table. On failure the text is a message for
// the user naming the line: "line 4: unknown keyword 'volum'". Checked:
// keywords and their values, names (not empty, no ":" "/" or NUL, at most
// 30 characters), duplicate names among volumes, devices and assigns
// (without regard to case), more than one boot volume, no volume at all,
// unclosed quotes, control characters, the system kind and version.
// Without a "boot" word the first volume is the boot volume.
Expected<MountTable, std::string> ParseMountTable(std::string_view text);

// The text of a mount table, which ParseMountTable reads back unchanged.
std::string FormatMountTable(const MountTable& table);

// True for a volume, device or assign name the table accepts.
bool IsValidDeviceName(std::string_view name);

}  // namespace amiga
