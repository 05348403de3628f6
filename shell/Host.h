#pragma once
// What the interpreter needs from the host layer, as one small interface so
// the phases and commands can be tested against a throw-away root. Every path
// is an Amiga path ("SYS:C/Copy", "T:x", "drawer/file", ":root", "/parent")
// taken relative to the current drawer this host keeps for the shell.
// Failures carry AmigaDOS error codes (platform/DosErrors.h).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DateStamp.h"
#include "platform/Expected.h"
#include "platform/MountTable.h"  // AssignEntry
#include "platform/Uaem.h"        // FIBF_* protection bits
#include "shell/Faults.h"

namespace amiga {

struct ObjectInfo {
    std::string name;       // on-disk name (FilePart of amigaPath)
    std::string amigaPath;  // canonical Amiga path (NameFromLock)
    std::string hostPath;   // where it lives on the host
    // isDrawer: a drawer, or a soft link leading to one inside its volume.
    bool isDrawer = false;
    // A soft link (ST_SOFTLINK): the other fields describe the link itself;
    // walks over drawers (Delete ALL, Dir ALL, List ALL, Copy ALL) never
    // enter it, and deleting it removes the link, never what it points to.
    bool isLink = false;
    std::string linkTarget;  // the link's text ("../Shared"), for copying it
    std::uint32_t protection = 0;
    std::string comment;
    std::uint64_t size = 0;
    DateStamp date{};
    bool hostExecutable = false;  // a host program the shell may start
};

// How a command stream is opened (redirection, Type, Copy ...).
enum class StreamMode { OldFile, NewFile, Append };

enum class AssignMode { Replace, Add, Prepend, Remove };

using DosResult = DosError;  // 0 on success

class ShellHost {
  public:
    virtual ~ShellHost() = default;

    // Lock + Examine of an existing object. For a multi-directory assign each
    // directory is tried while the object is not found. A soft link in the
    // last name is described as a link (isLink), also when it leads nowhere.
    virtual Expected<ObjectInfo, DosError> Examine(std::string_view path) = 0;
    // The entries of a drawer (without host metadata files), in no order.
    virtual Expected<std::vector<ObjectInfo>, DosError> ExamineDrawer(std::string_view path) = 0;

    // Opens a file as a host descriptor. NewFile creates or truncates, Append
    // opens or creates for writing at the end. NIL: gives the null device.
    virtual Expected<int, DosError> OpenFile(std::string_view path, StreamMode mode) = 0;

    // The host path of an existing object, or of a new one whose drawer
    // exists (for the archivers, which work on host paths).
    virtual Expected<std::string, DosError> HostPathFor(std::string_view path) = 0;
    // The host folder of the volume that holds an existing object (links
    // resolved), so that a writer can open everything below it relative to
    // that folder and never be sent outside by a link swapped in meanwhile.
    virtual Expected<std::string, DosError> VolumeRootFor(std::string_view path) = 0;

    virtual DosResult CreateDir(std::string_view path) = 0;
    // A soft link holding target (relative to the link's drawer);
    // ERROR_IS_SOFT_LINK when it would lead out of the volume.
    virtual DosResult MakeLink(std::string_view path, std::string_view target) = 0;
    // A file, a soft link (itself) or an empty drawer.
    virtual DosResult DeleteObject(std::string_view path) = 0;
    virtual DosResult Rename(std::string_view from, std::string_view to) = 0;
    virtual DosResult SetProtection(std::string_view path, std::uint32_t bits) = 0;
    virtual DosResult SetComment(std::string_view path, std::string_view comment) = 0;
    virtual DosResult SetDate(std::string_view path, const DateStamp& date) = 0;

    // The current drawer (canonical Amiga path) and CurrentDir.
    virtual std::string CurrentDrawer() const = 0;
    virtual DosResult SetCurrentDrawer(std::string_view path) = 0;
    // Host path of the current drawer, for child processes.
    virtual std::string CurrentDrawerHostPath() const = 0;

    // Global variables (files in ENV:, with save also in ENVARC:).
    virtual std::optional<std::string> GetVar(std::string_view name) = 0;
    virtual DosResult SetVar(std::string_view name, std::string_view value, bool save) = 0;
    virtual DosResult DeleteVar(std::string_view name, bool save) = 0;

    virtual std::vector<AssignEntry> Assigns() = 0;
    // Volumes and devices for "Assign LIST".
    virtual std::vector<std::string> Volumes() = 0;
    virtual DosResult Assign(std::string_view name, const std::vector<std::string>& targets,
                             AssignMode mode) = 0;

    // The drawers of the C: assign in search order (Amiga paths).
    virtual std::vector<std::string> CommandDrawers() = 0;

    // Environment entries ("NAME=value") a child process needs to see the
    // same mount table.
    virtual std::vector<std::string> ChildEnvironment() = 0;
};

}  // namespace amiga
