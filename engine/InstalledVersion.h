#pragma once
// Whether an application is installed, and in which version and date: the
// item's INSTALLCHECK entries say where it would be, its VERSIONCHECK
// entries (or, when it has none, the INSTALLCHECK ones) which files carry
// its version. A file's version comes from the Version command (run in a
// worker while the event loop keeps serving) and, failing that, from the
// file's own text; an entry may also be a literal "$VER: name x.y" string.
//
// Check lists may be divided into sections by entries naming a system
// ("MorphOS", "AmigaOS3", "AmigaOS4", "Aros68k", "ArosX86", "ArosPPC",
// "MorphOSNG", "ANY"); only the entries of the running system's section and
// of "ANY" sections apply. Entries before the first such name apply to
// every system.

#include <optional>
#include <string>
#include <string_view>

#include "core/EventLoop.h"
#include "core/Status.h"
#include "database/Engine.h"
#include "database/Item.h"
#include "version/Version.h"

namespace stovan {

// The largest part of a file whose text is searched for a version.
inline constexpr std::size_t kMaxVersionScan = std::size_t{16} << 20;
// The part of the Version command's output that is read.
inline constexpr std::size_t kMaxVersionOutput = 4096;
// The stacks the Version command asks for.
inline constexpr std::uint32_t kVersionStack = 16384;

// At most `limit` bytes of a file from its start; msg::CannotOpen when it
// cannot be opened or read.
Result<std::string> ReadFilePart(const amiga::DosList& dos, std::string_view path,
                                 std::size_t limit);

// True for an entry that is a system name of the section markers.
bool IsSystemSectionName(std::string_view entry);

// The applicable entry after `after` (an element of the field's list, or
// null for the first), or null at the end. An entry right after a section
// marker is never itself taken as a marker. `after` is found by identity,
// so equal entries in one list are each handed out once.
const std::string* NextEntryForSystem(const ApplicationItem& item, ItemField field,
                                      const std::string* after, std::string_view runningSystem);

// The name the temporary output file of a Version command gets:
// "T:dosgetversion%08lx.tmp", unique among the requests of all processes
// running at the same time.
std::string VersionOutputFileName(const amiga::DosList& dos);

// Runs `version FULL NAME "path"[ RES][ FILE] *>NIL:` in a worker (current
// drawer: drawer unless empty) with its output in a temporary file, which
// is deleted on every path, and reads the triple from the first output
// line. Ok also when the command failed or printed nothing usable (the
// triple stays 0.0.0); msg::CannotEnterDrawer when the drawer cannot be
// locked; what the worker wait returned otherwise (msg::ProcessingAborted).
Status GetVersionFromCommand(Engine& engine, EventLoop& loop, std::string_view path,
                             std::string_view drawer, bool res, bool file, VersionTriple& triple);

// What `version FULL NAME "path" FILE` run in `drawer` gives for a plain
// file, worked out without a worker: the command prints the file's "$VER:"
// string and nothing else (platform/VersionString.h), and its first line is
// read with ScanVersionOutput; no "$VER:" is 0.0.0, as the failed command.
// Nothing when the file is no plain file the engine can read here (missing,
// a drawer, unreadable, beyond kMaxVersionScan): only the command knows.
std::optional<VersionTriple> VersionOfPlainFile(const amiga::DosList& dos, std::string_view path,
                                                std::string_view drawer);

// The command first (drawer "SYS:", FILE; answered by VersionOfPlainFile
// when the engine's versionInProcess allows and it knows); when it gives 0.0.0, the file's
// own text (at most kMaxVersionScan bytes). A file without a version is
// 0.0.0 and Ok; only the command's wait can fail.
Status GetVersionFromFile(Engine& engine, EventLoop& loop, std::string_view path,
                          VersionTriple& triple);

// The version step: every applicable VERSIONCHECK entry (INSTALLCHECK when
// the item has none) in order; a literal "$VER:" entry decides at once,
// an existing file or drawer replaces the installed date and triple (so the
// last existing entry decides), a missing one changes nothing.
// msg::NotEnoughMemory when an expansion fails; a failure of the command's
// wait as it came.
Status CheckInstalledVersion(Engine& engine, EventLoop& loop, ApplicationItem& item);

// The per-item step of the version check: state UNKNOWN and installed
// information cleared, log 307, then NOTINSTALLED, or INSTALLED when an
// applicable INSTALLCHECK entry exists (its date becomes the installed
// date) followed by the version step unless the item's mode is IGNORE.
Status DetermineInstalledVersion(Engine& engine, EventLoop& loop, ApplicationItem& item);

}  // namespace stovan
