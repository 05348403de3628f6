#include "engine/Finder.h"

#include <unordered_set>

#include "core/MessageIds.h"
#include "database/InstallDir.h"
#include "engine/Processing.h"
#include "platform/DosFiles.h"
#include "platform/Locks.h"
#include "platform/MatchFiles.h"
#include "prefs/FinderPaths.h"
#include "scripts/Placeholders.h"

namespace stovan {

namespace {

// An item name is one name inside the drawer; anything that walks elsewhere
// (a volume, a parent step, a deeper path) is never an application here.
bool IsSingleName(std::string_view name) {
    return !name.empty() && name.find_first_of(":/") == std::string_view::npos;
}

// The drawer a lock names, as a drawer lock; none for a file or a failure.
std::optional<amiga::FileLock> DrawerLock(const amiga::DosList& dos, std::string_view path,
                                          const amiga::FileLock* base = nullptr) {
    auto lock = amiga::Lock(dos, path, base);
    if (!lock || !lock->drawer) {
        return std::nullopt;
    }
    return std::move(*lock);
}

bool PresentBelow(const amiga::DosList& dos, const amiga::FileLock& drawer,
                  const std::string& name) {
    const auto application = DrawerLock(dos, name, &drawer);
    if (!application) {
        return false;
    }
    auto program = amiga::Lock(dos, name, &*application);
    return program && !program->drawer;
}

// True when any name of the match below the search entry is excluded: the
// finder never looks inside a Download or Temp drawer, at any depth.
bool BelowExcluded(const amiga::FileLock& entry, const amiga::FileLock& match) {
    if (match.volume != entry.volume || match.names.size() < entry.names.size()) {
        return false;
    }
    for (std::size_t index = entry.names.size(); index < match.names.size(); ++index) {
        if (IsExcludedName(match.names[index])) {
            return true;
        }
    }
    return false;
}

// The drawer {INSTALLDIR} names for the item, without the trailing "/" that
// the placeholder adds.
std::string ExpectedDrawer(Engine& engine, const ApplicationItem& item) {
    auto expanded = ExpandText(engine, &item, "{INSTALLDIR}");
    if (!expanded.ok()) {
        return {};
    }
    std::string drawer = std::move(*expanded);
    if (drawer.size() > 1 && drawer.back() == '/' && drawer[drawer.size() - 2] != ':' &&
        drawer[drawer.size() - 2] != '/') {
        drawer.pop_back();
    }
    return drawer;
}

}  // namespace

bool ApplicationPresentIn(const amiga::DosList& dos, const ApplicationItem& item,
                          std::string_view drawer) {
    if (drawer.empty() || IsExcludedName(drawer) || !IsSingleName(item.name())) {
        return false;
    }
    const auto lock = DrawerLock(dos, drawer);
    return lock && PresentBelow(dos, *lock, item.name());
}

std::vector<std::string> FinderSearchList(std::string_view finderPaths) {
    std::vector<std::string> entries;
    while (!finderPaths.empty()) {
        const std::size_t comma = finderPaths.find(',');
        const std::string_view entry = finderPaths.substr(0, comma);
        if (!entry.empty()) {
            entries.emplace_back(entry);
        }
        if (comma == std::string_view::npos) {
            break;
        }
        finderPaths.remove_prefix(comma + 1);
    }
    return entries;
}

std::vector<FoundApplication> FindApplications(Engine& engine, Frontend& frontend) {
    std::vector<FoundApplication> found;
    frontend.SetBusy(true);
    frontend.ShowProgress("");
    const std::vector<std::string> entries = FinderSearchList(engine.preferences().finderPaths);

    // The items still missing, in list order (a vector rather than a mark in
    // the item's flags: the flags are the database's own).
    std::vector<ApplicationItem*> missing;
    if (!entries.empty()) {
        for (ApplicationItem& item : engine.items()) {
            if ((item.itemFlags() & (INSTALLDIR_DISABLED | INSTALLDIR_FOLLOWS)) != 0 ||
                !IsSingleName(item.name())) {
                continue;
            }
            if (!ApplicationPresentIn(engine.dos(), item, ExpectedDrawer(engine, item))) {
                missing.push_back(&item);
            }
        }
    }
    const amiga::DosList& dos = engine.dos();
    for (std::size_t index = 0; index < entries.size() && !missing.empty(); ++index) {
        const std::string& entry = entries[index];
        frontend.ShowProgress(MessageText(msg::ProgressScanning, {entry, index, entries.size()}));
        if (IsExcludedName(entry)) {
            continue;
        }
        const auto entryLock = DrawerLock(dos, entry);
        if (!entryLock) {
            continue;
        }
        for (const char* pattern : {"#?", "#?/#?"}) {
            amiga::MatchAnchor anchor;
            if (!amiga::MatchFirst(dos, pattern, anchor, &*entryLock).ok()) {
                continue;
            }
            do {
                const amiga::MatchEntry& match = anchor.current();
                if (!match.drawer || BelowExcluded(*entryLock, match.lock)) {
                    continue;
                }
                for (auto it = missing.begin(); it != missing.end();) {
                    ApplicationItem& item = **it;
                    if (!PresentBelow(dos, match.lock, item.name())) {
                        ++it;
                        continue;
                    }
                    const std::string drawer = amiga::NameFromLock(dos, match.lock);
                    if (!item.SetTextField(ItemField::installDir, drawer).ok()) {
                        ++it;  // out of memory: the item keeps its drawer
                        continue;
                    }
                    // A drawer that is the type's default is not kept as the user's own.
                    (void)NormaliseInstallDir(engine, item);
                    found.push_back({item.key(), drawer});
                    it = missing.erase(it);
                }
            } while (amiga::MatchNext(anchor).ok() && !missing.empty());
            amiga::MatchEnd(anchor);
        }
    }
    frontend.ShowProgress("");
    frontend.RefreshList();
    frontend.SetBusy(false);
    return found;
}

}  // namespace stovan
