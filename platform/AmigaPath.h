#pragma once
// Pure AmigaDOS path logic: no disk, no volumes. Splits "NAME:a/b//c" into a
// device part and steps, and offers dos.library's AddPart, FilePart and
// PathPart.
//
// Path syntax: everything before the first ":" names a volume, device or
// assign; a path starting with ":" is the root of the current drawer's
// volume; no ":" means relative to the current drawer. After that, "/"
// separates names and an empty name (a "/" where a name would start) means
// the parent drawer: "/x" is the parent's x, "a//b" is b beside a, "a/" is a
// itself. "." and ".." are not parents on AmigaDOS; here they are refused
// as names so that they can never act as host parents.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DosErrors.h"
#include "platform/Expected.h"

namespace amiga {

// The longest path the host layer accepts (the buffer size MatchFirst and
// NameFromLock callers use on AmigaOS).
inline constexpr std::size_t kMaxPathLength = 32767;
// The longest single name (long-name file systems keep 107 characters).
inline constexpr std::size_t kMaxNameLength = 107;

enum class PathStart {
    CurrentDrawer,  // "a/b": relative to the current drawer
    VolumeRoot,     // ":a/b": root of the current drawer's volume
    Device,         // "NAME:a/b": a volume, device or assign
};

struct PathStep {
    bool parent = false;  // an empty name: one drawer up
    std::string name;     // the name when not parent
};

struct ParsedPath {
    PathStart start = PathStart::CurrentDrawer;
    std::string device;  // the name before ":" (without it) for PathStart::Device
    std::vector<PathStep> steps;
};

// True when name may be the name of a file or drawer: not empty, at most
// kMaxNameLength bytes, no "/", ":" or NUL byte, not "." or "..", and not
// ending in ".uaem" in any case (those host names belong to sidecars).
bool IsValidName(std::string_view name);

// Splits a path into its start and steps. Fails with
// ERROR_INVALID_COMPONENT_NAME for a name IsValidName refuses (also a NUL
// byte anywhere, or a device name that is empty after a leading ":" was
// ruled out), ERROR_LINE_TOO_LONG beyond kMaxPathLength.
Expected<ParsedPath, DosError> ParsePath(std::string_view path);

// dos.library AddPart: appends name to dir in place. A name holding ":"
// past its first byte replaces dir; a name starting with ":" keeps only
// dir's device part ("foo:baz" + ":bar" = "foo:bar"); otherwise a "/" is
// put between unless dir is empty or ends in ":" or "/". No normalisation
// ("foo" + "/bar" = "foo//bar"). When the result and its terminating NUL
// would not fit in bufferSize bytes, dir is left unchanged and false is
// returned (AmigaOS then sets ERROR_LINE_TOO_LONG).
bool AddPart(std::string& dir, std::string_view name, std::size_t bufferSize = kMaxPathLength);

// dos.library FilePart: what follows the last "/" or ":" (all of path when
// there is neither).
std::string_view FilePart(std::string_view path);
// dos.library PathPart: path up to (not including) the last "/", or up to
// and including the last ":" when no "/" follows it. Leading "/"s belong to
// the path ("/a" gives "/", "//a/b" gives "//a").
std::string_view PathPart(std::string_view path);

}  // namespace amiga
