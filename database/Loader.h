#pragma once
// Loading and merging the database: the item list is always rebuilt from
// scratch. Every database file that fits the running system is read in a
// fixed order, then the user's configuration and, during a reload, the
// cached version results are laid over the fresh items.
//
// Read order (LoadAllDatabases):
//   1. PROGDIR:Database/Internal, files "Stovan..." (own pattern)
//   2. PROGDIR:Database/Internal, all other files  (other internal pattern)
//   3. PROGDIR:Database/User, all files             (user pattern)
//   4. PROGDIR:Prefs/Config.db                      (configuration mode)
//   5. T:StovanVersion.db when it exists            (configuration mode)
// Within a drawer files come in the order the drawer lists them; drawers
// inside are not entered; a missing drawer is skipped without message.
//
// Merging follows from the order and the parser: Stovan's own files come
// first, so the item "Stovan" and the package entries exist before anything
// else; a later entry for a database package (type STOVAN, not "Stovan")
// replaces the earlier one; any other repeated name is refused (391), so a
// user file cannot replace an internal entry (it can add one under a
// DUPENAME).

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/Status.h"
#include "platform/MountTable.h"

namespace stovan {

class Engine;

// The system names database file names may carry, in their fixed order.
inline constexpr std::array<std::string_view, 7> kSystemNames = {
    "MorphOS", "AmigaOS3", "AmigaOS4", "Aros68k", "ArosX86", "ArosPPC", "MorphOSNG",
};

// "AmigaOS4" or "MorphOS".
std::string_view RunningSystemName(amiga::SystemKind kind);

// The three file-name patterns (AmigaDOS syntax, matched without regard to
// case) for a running system. A name holding another system's name is never
// selected; a name may end in "_" plus the running system's name before
// ".db".
struct DatabaseFilePatterns {
    std::string own;            // "Stovan~(OTHERS)(_RUNNING|%).db"
    std::string otherInternal;  // "~(Stovan#?|OTHERS)(_RUNNING|%).db"
    std::string user;           // "~(OTHERS)(_RUNNING|%).db"
};
// OTHERS is "#?NAME#?" for every other system name, joined by "|".
DatabaseFilePatterns PatternsForSystem(std::string_view runningSystem);

inline constexpr std::string_view kInternalDrawer = "PROGDIR:Database/Internal";
inline constexpr std::string_view kUserDrawer = "PROGDIR:Database/User";
inline constexpr std::string_view kPrefsDrawer = "PROGDIR:Prefs";
// The root lock (platform/RootLock.h) every load-change-save of Config.db
// runs under.
inline constexpr std::string_view kConfigurationLockName = "Configuration";

// Rebuilds the item list from the five sources above and ends with a log
// separator. engine.loading is set meanwhile. Errors inside files are the
// parser's log entries and no failure here; 329 when memory ran out while a
// file was read, so the list lacks entries (every source is still read).
Status LoadAllDatabases(Engine& engine);

// Reads every file (not drawer) of one drawer whose name matches the pattern,
// each by its name relative to the drawer. Returns how many files were read;
// a drawer that cannot be locked or a broken pattern reads none. 329 when
// memory ran out while reading a file.
Result<std::size_t> LoadDatabaseDrawer(Engine& engine, std::string_view drawer,
                                       std::string_view pattern);

// The reload that keeps the user's choices and the version results: saves
// "Config.db" and the version cache, rebuilds the list (reading the cache
// back) and deletes the cache. When either save fails its status is
// returned at once: the list stays as it was in memory, and Config.db and
// the cache stay as they were on disk, so nothing the user chose is lost.
// Otherwise the status of LoadAllDatabases (the cache is kept when that
// failed).
Status ReloadDatabase(Engine& engine);

// The reload at program start: clears the log, saves the configuration
// (nothing while the list is empty) and rebuilds the list. No version cache
// is written; one left over from an interrupted reload is still read. A
// failed save is returned without loading, as for ReloadDatabase.
Status LaunchReload(Engine& engine);

}  // namespace stovan
