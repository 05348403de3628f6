#include "engine/Archives.h"

#include <algorithm>
#include <charconv>

#include "core/Log.h"
#include "core/MessageIds.h"
#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "platform/Latin1.h"
#include "platform/Locks.h"
#include "prefs/Preferences.h"
#include "scripts/Placeholders.h"

namespace stovan {

namespace {

// Reads decimal digits at pos; none when there is no digit or the number
// does not fit 32 bits.
std::optional<std::uint32_t> ReadNumber(std::string_view text, std::size_t& pos) {
    std::uint32_t value = 0;
    const char* first = text.data() + pos;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end == first) {
        return std::nullopt;
    }
    pos += static_cast<std::size_t>(end - first);
    return value;
}

// The drawer as a path that names can be appended to.
std::string AsDrawer(std::string path) {
    if (!path.empty() && path.back() != '/' && path.back() != ':') {
        path += '/';
    }
    return path;
}

// The expanded download drawer, created and locked. 329 or 339.
Result<amiga::FileLock> EnterDownloadDrawer(Engine& engine, std::string& drawer) {
    auto expanded = ExpandText(engine, nullptr, "{DOWNLOADDIR}");
    AMIGA_RETURN_IF_FAILED(expanded);
    drawer = AsDrawer(*expanded);
    // A drawer that could not be made fails the lock below, which gives 339.
    (void)amiga::CreateDrawerPath(engine.dos(), drawer);
    auto lock = amiga::Lock(engine.dos(), drawer);
    if (!lock.ok() || !lock->drawer) {
        return Failure(msg::CannotEnterDownloadDrawer);
    }
    return std::move(*lock);
}

// The first file of the download drawer that carries exactly the item's
// server version; "" when there is none. Matching by the version read from
// the name, not by a pattern on its text, keeps "Foo_v1.100.lha" from
// passing for version 1.10.
std::string FindReusableArchive(Engine& /*engine*/, const amiga::FileLock& drawer,
                                const std::string& drawerPath, const ApplicationItem& item) {
    auto entries = amiga::ListDrawer(drawer);
    if (!entries.ok()) {
        return {};
    }
    for (const amiga::DrawerEntry& entry : *entries) {
        if (entry.drawer) {
            continue;
        }
        const auto triple = ArchiveVersionFromName(entry.name, item.name());
        if (triple && *triple == item.serverVersion) {
            return drawerPath + entry.name;
        }
    }
    return {};
}

// Puts the downloaded file in place under target. An existing file of that
// name moves aside into the receiving drawer first and is given back when
// the new one cannot take its place, so the old archive is never lost
// before the new one is there. 340 when the rename fails.
Status PlaceArchive(Engine& engine, const std::string& downloaded, const std::string& target,
                    const std::string& receiving) {
    const amiga::DosList& dos = engine.dos();
    const std::string aside = receiving + "Replaced";
    bool movedAside = false;
    if (auto existing = amiga::Lock(dos, target); existing.ok()) {
        if (existing->drawer || !amiga::Rename(dos, target, aside).ok()) {
            engine.log().AddLogEntry(msg::CannotCreateTempFile);
            return Status(msg::CannotCreateTempFile);
        }
        movedAside = true;
    }
    if (!amiga::Rename(dos, downloaded, target).ok()) {
        if (movedAside) {
            // Undoes the rename that just succeeded between the same two
            // drawers, so it fails only when they changed meanwhile; the old
            // archive then stays as "Replaced" only until the receiving
            // drawer is cleared, and the 340 below is all the user hears.
            (void)amiga::Rename(dos, aside, target);
        }
        engine.log().AddLogEntry(msg::CannotCreateTempFile);
        return Status(msg::CannotCreateTempFile);
    }
    return Status::Ok();
}

Status Download(ProcessContext& context, ApplicationItem& item, const std::string& drawer,
                std::string& path) {
    Engine& engine = context.engine();
    const amiga::DosList& dos = engine.dos();
    const std::string receiving = drawer + std::string(kDownloadTempDrawer) + "/";
    // A drawer that could not be made fails the lock below, which gives 339.
    (void)amiga::CreateDrawerPath(dos, receiving);
    if (auto lock = amiga::Lock(dos, receiving); !lock.ok() || !lock->drawer) {
        engine.log().AddLogEntry(msg::CannotEnterDownloadDrawer);
        return Status(msg::CannotEnterDownloadDrawer);
    }
    Status result;
    auto url = ExpandText(engine, &item, item.urlArchive());
    if (!url) {
        result = Status(url.error());
        engine.log().AddLogEntry(result.message());
    } else {
        // A failed archive download always opens the log.
        Preferences& preferences = engine.preferences();
        const std::uint32_t savedFlags = preferences.flags;
        preferences.flags |= LOG_ON_DATA_DOWNLOAD_ERROR;
        std::string stored;
        result = context.fetchArchive ? context.fetchArchive(item, *url, receiving, stored)
                                      : Status(msg::CannotFind);
        preferences.flags = savedFlags;
        if (result.ok() && stored.empty()) {
            // An empty body stores no file: there is nothing to install.
            result = Status(msg::CannotFind);
            engine.log().AddLogEntry(msg::CannotFind, amiga::FilePart(*url));
        }
        if (result.ok()) {
            if ((preferences.flags & COMMENT_ARCHIVES) != 0) {
                // A comment holds at most 79 characters.
                (void)amiga::SetComment(dos, stored,
                                        std::string_view(*url).substr(0, amiga::kMaxCommentLength));
            }
            auto name = ArchiveFileName(engine, item, amiga::FilePart(stored));
            if (!name) {
                result = Status(name.error());
                engine.log().AddLogEntry(result.message());
            } else {
                const std::string target = drawer + *name;
                result = PlaceArchive(engine, stored, target, receiving);
                if (result.ok()) {
                    path = target;
                }
            }
        }
    }
    // The partly received file, or the archive that was replaced, goes too.
    (void)amiga::DeleteAll(dos, drawer + std::string(kDownloadTempDrawer));
    return result;
}

}  // namespace

std::string ArchiveLabel(const VersionTriple& triple) {
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on a literal
    // prepended to a temporary string in optimised builds.
    std::string label(1, 'V');
    label.append(std::to_string(triple.version)).append(1, '.');
    label.append(std::to_string(triple.revision));
    if (triple.build != 0) {
        label.append(1, '.').append(std::to_string(triple.build));
    }
    return label;
}

std::optional<VersionTriple> ArchiveVersionFromName(std::string_view fileName,
                                                    std::string_view itemName) {
    if (fileName.size() < itemName.size() + 2 ||
        !amiga::EqualsNoCase(fileName.substr(0, itemName.size()), itemName) ||
        fileName[itemName.size()] != '_' ||
        (fileName[itemName.size() + 1] != 'v' && fileName[itemName.size() + 1] != 'V')) {
        return std::nullopt;
    }
    std::size_t pos = itemName.size() + 2;
    VersionTriple triple;
    const auto version = ReadNumber(fileName, pos);
    if (!version || pos >= fileName.size() || fileName[pos] != '.') {
        return std::nullopt;
    }
    ++pos;
    const auto revision = ReadNumber(fileName, pos);
    if (!revision) {
        return std::nullopt;
    }
    triple.version = *version;
    triple.revision = *revision;
    if (pos + 1 < fileName.size() && fileName[pos] == '.') {
        std::size_t buildPos = pos + 1;
        if (const auto build = ReadNumber(fileName, buildPos)) {
            triple.build = *build;
            pos = buildPos;
        }
    }
    // "Foo_v1.10x" is no archive of 1.10: the number must end there.
    if (pos < fileName.size() && fileName[pos] >= '0' && fileName[pos] <= '9') {
        return std::nullopt;
    }
    return triple;
}

Result<std::string> ArchiveFileName(Engine& engine, ApplicationItem& item,
                                    std::string_view downloadedName) {
    // {EXTENSION} follows URLARCHIVE: let it name the downloaded file.
    ScopedField archive(item, ItemField::urlArchive, downloadedName);
    if (!archive.ok()) {
        return Failure(msg::NotEnoughMemory);
    }
    std::string_view text = "{NAME}{EXTENSION}";
    if (item.serverVersion.known()) {
        text = item.serverVersion.build == 0 ? "{NAME}_v{VERSION}.{0REVISION}{EXTENSION}"
                                             : "{NAME}_v{VERSION}.{0REVISION}.{0BUILD}{EXTENSION}";
    }
    return ExpandText(engine, &item, text);
}

Status ObtainArchive(ProcessContext& context, ApplicationItem& item, std::string& path) {
    path.clear();
    Engine& engine = context.engine();
    std::string drawer;
    auto lock = EnterDownloadDrawer(engine, drawer);
    if (!lock) {
        // Logged here, as the fetch logs its own: it stops the run, which
        // itself only logs "Processing Done.".
        engine.log().AddLogEntry(lock.error());
        return Status(lock.error());
    }
    if (!item.HasFlags(FORCE_DOWNLOAD) && item.serverVersion.known()) {
        path = FindReusableArchive(engine, *lock, drawer, item);
    }
    if (path.empty()) {
        if (const Status result = Download(context, item, drawer, path); !result.ok()) {
            path.clear();
            return result;
        }
    }
    if (auto file = amiga::Lock(engine.dos(), path); file.ok()) {
        path = amiga::NameFromLock(engine.dos(), *file);
    }
    return Status::Ok();
}

std::optional<ArchiveList> CollectArchives(Engine& engine, const ApplicationItem& item) {
    if (item.type == AppType::STOVAN) {
        return std::nullopt;
    }
    std::string drawer;
    auto lock = EnterDownloadDrawer(engine, drawer);
    if (!lock) {
        return std::nullopt;
    }
    auto entries = amiga::ListDrawer(*lock);
    if (!entries.ok()) {
        return std::nullopt;
    }
    const std::string canonical = AsDrawer(amiga::NameFromLock(engine.dos(), *lock));
    ArchiveList list;
    list.item = &item;
    for (const amiga::DrawerEntry& entry : *entries) {
        if (entry.drawer) {
            continue;
        }
        if (const auto triple = ArchiveVersionFromName(entry.name, item.name())) {
            list.entries.push_back({canonical + entry.name, *triple, ArchiveLabel(*triple)});
        }
    }
    if (list.entries.empty()) {
        return std::nullopt;
    }
    // By the version triple: 1.10 is above 1.9 (as text it would sort below).
    std::stable_sort(
        list.entries.begin(), list.entries.end(),
        [](const ArchiveEntry& a, const ArchiveEntry& b) { return b.triple < a.triple; });
    return list;
}

void DeleteSurplus(const Engine& engine, ArchiveList& list, std::size_t keep, bool deleteFiles,
                   std::string_view protectedPath) {
    if (list.entries.size() <= keep) {
        return;
    }
    auto isProtected = [&](const ArchiveEntry& entry) {
        return !protectedPath.empty() && amiga::EqualsNoCase(entry.path, protectedPath);
    };
    const bool hasProtected = std::any_of(list.entries.begin(), list.entries.end(), isProtected);
    std::vector<ArchiveEntry> kept;
    std::size_t others = 0;
    const std::size_t keepOthers = hasProtected && keep > 0 ? keep - 1 : keep;
    for (ArchiveEntry& entry : list.entries) {
        if (isProtected(entry) || others < keepOthers) {
            if (!isProtected(entry)) {
                ++others;
            }
            kept.push_back(std::move(entry));
        } else if (deleteFiles) {
            // Pruning only saves space: an archive that stays is listed and
            // pruned again at the next install.
            (void)amiga::DeleteFile(engine.dos(), entry.path);
        }
    }
    list.entries = std::move(kept);
}

void PruneArchives(Engine& engine, const ApplicationItem& item, std::size_t keep,
                   std::string_view protectedPath) {
    if (keep == 0) {
        return;
    }
    if (auto list = CollectArchives(engine, item)) {
        DeleteSurplus(engine, *list, keep, true, protectedPath);
    }
}

}  // namespace stovan
