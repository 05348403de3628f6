#pragma once
// The application finder: users install applications in drawers of their
// own choice and move them. The finder searches the drawers of the
// preference finderPaths for applications of the database that are not
// where Stovan expects them and records the drawer where each was found as
// the item's install drawer (in memory; Config.db keeps it at the next
// save). The default search list (DefaultFinderPaths) and the names never
// searched (IsExcludedName) live with the preferences (prefs/FinderPaths.h),
// which fill an empty finderPaths with the default.

#include <string>
#include <string_view>
#include <vector>

#include "core/Frontend.h"
#include "database/Engine.h"
#include "database/Item.h"

namespace stovan {

// An application counts as present in `drawer` when the drawer holds a
// drawer named like the item's name that holds a file of that same name
// ({INSTALLDIR}{NAME}/{NAME} with drawer as {INSTALLDIR}). False for an
// excluded drawer, a drawer that cannot be locked, and a name that is no
// single name (holding ":" or "/", which would leave the drawer).
bool ApplicationPresentIn(const amiga::DosList& dos, const ApplicationItem& item,
                          std::string_view drawer);

// The search list of a finderPaths text: split at every ",", each entry as
// written (no trimming). Empty entries are dropped: an empty name would
// search whatever drawer happens to be current.
std::vector<std::string> FinderSearchList(std::string_view finderPaths);

// One item the finder adopted: its key and its new install drawer.
struct FoundApplication {
    std::string name;
    std::string installDir;
};

// The search. Items with INSTALLDIR_DISABLED or INSTALLDIR_FOLLOWS and items
// present in their own {INSTALLDIR} are not looked for. For each entry of
// finderPaths in order (progress "Scanning '%s' for applications - i/n"),
// the drawers one level below it ("#?") and then two levels below it
// ("#?/#?") are tested, in the order the file system lists them, against
// every item still missing; the first drawer where an item is present
// becomes its install drawer (as NameFromLock spells it). A drawer with an
// excluded name is neither searched nor taken, nor is anything below it.
// File-system failures skip the entry or drawer silently. Returns the
// adopted items in the order they were found.
std::vector<FoundApplication> FindApplications(Engine& engine, Frontend& frontend);

}  // namespace stovan
