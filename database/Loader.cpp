#include "database/Loader.h"

#include "core/Log.h"
#include "core/MessageIds.h"
#include "database/ConfigFiles.h"
#include "database/Engine.h"
#include "database/Parser.h"
#include "platform/DosFiles.h"
#include "platform/HostBeneath.h"
#include "platform/Locks.h"
#include "platform/MatchFiles.h"

namespace stovan {

std::string_view RunningSystemName(amiga::SystemKind kind) {
    return kind == amiga::SystemKind::MorphOS ? "MorphOS" : "AmigaOS4";
}

DatabaseFilePatterns PatternsForSystem(std::string_view runningSystem) {
    std::string others;
    for (std::string_view name : kSystemNames) {
        if (name == runningSystem) {
            continue;
        }
        if (!others.empty()) {
            others += '|';
        }
        others += "#?";
        others += name;
        others += "#?";
    }
    const std::string tail = "(_" + std::string(runningSystem) + "|%).db";
    return DatabaseFilePatterns{
        "Stovan~(" + others + ")" + tail,
        "~(Stovan#?|" + others + ")" + tail,
        "~(" + others + ")" + tail,
    };
}

Result<std::size_t> LoadDatabaseDrawer(Engine& engine, std::string_view drawer,
                                       std::string_view pattern) {
    const amiga::DosList& dos = engine.dos();
    auto lock = amiga::Lock(dos, drawer);
    if (!lock || !lock->drawer) {
        return std::size_t{0};
    }
    amiga::MatchAnchor anchor;
    std::size_t read = 0;
    bool outOfMemory = false;
    // The matches are collected before the first file is read, so what a
    // file's reading does cannot change the enumeration.
    for (amiga::DosStatus status = amiga::MatchFirst(dos, pattern, anchor, &*lock); status.ok();
         status = amiga::MatchNext(anchor)) {
        const amiga::MatchEntry& entry = anchor.current();
        if (entry.drawer) {
            continue;
        }
        // A FIFO or device named like a database would stall the reading
        // (or never end): only plain files are read, the others named in
        // the log and skipped.
        auto type = amiga::HostLstatBeneath(entry.lock.volumeRoot, amiga::RelativePath(entry.lock));
        if (type && type->type != amiga::HostType::File) {
            engine.log().AddLogEntry(msg::ParseWarning, entry.name, 0,
                                     amiga::FaultText(amiga::ERROR_OBJECT_WRONG_TYPE));
            continue;
        }
        // The parser has logged the file's errors; only running out of
        // memory leaves the list short of entries, which the caller must know.
        outOfMemory = ParseDatabaseFile(engine, entry.name, &*lock).outOfMemory || outOfMemory;
        ++read;
    }
    amiga::MatchEnd(anchor);
    if (outOfMemory) {
        return Failure(msg::NotEnoughMemory);
    }
    return read;
}

Status LoadAllDatabases(Engine& engine) {
    engine.loading = true;
    const DrawerCacheScope drawers(engine.drawers);
    engine.items().ClearItems();
    engine.keptConfiguration.clear();
    const DatabaseFilePatterns patterns =
        PatternsForSystem(RunningSystemName(engine.dos().profile().kind));
    // Every source is read even when one ran out of memory: the list is as
    // complete as it can be, and the result says it is not whole.
    Status result;
    auto note = [&result](bool failed) {
        if (failed && result.ok()) {
            result = Status(msg::NotEnoughMemory);
        }
    };
    note(!LoadDatabaseDrawer(engine, kInternalDrawer, patterns.own));
    note(!LoadDatabaseDrawer(engine, kInternalDrawer, patterns.otherInternal));
    note(!LoadDatabaseDrawer(engine, kUserDrawer, patterns.user));
    note(!LoadConfiguration(engine, kPrefsDrawer));
    if (auto cache = amiga::Lock(engine.dos(), kVersionCacheFileName); cache && !cache->drawer) {
        note(ParseDatabaseFile(engine, kVersionCacheFileName).outOfMemory);
    }
    engine.log().AddLogSeparator();
    engine.loading = false;
    engine.listComplete = result.ok();
    return result;
}

Status ReloadDatabase(Engine& engine) {
    // The list is rebuilt from the files, so whatever the user chose since
    // the last save lives only in memory until Config.db holds it: when the
    // save fails, nothing is reloaded and no file is touched.
    if (Status saved = SaveConfiguration(engine, kPrefsDrawer); !saved) {
        return saved;
    }
    // The same for the version results: without their cache a reload would
    // forget every state and version the last check found.
    if (Status cached = SaveVersionCache(engine, kVersionCacheFileName); !cached) {
        return cached;
    }
    const Status loaded = LoadAllDatabases(engine);
    if (loaded) {
        // A cache that cannot be deleted holds the results just read back;
        // the next launch reads them again, which changes nothing.
        (void)amiga::DeleteFile(engine.dos(), kVersionCacheFileName);
    }
    // Else the cache stays: the results of items that could not be read
    // are in it, for the next load to lay over them.
    return loaded;
}

Status LaunchReload(Engine& engine) {
    engine.log().ClearLog();
    // At launch the list is empty and nothing is written; a list already
    // loaded keeps the user's choices in memory when the save fails.
    if (Status saved = SaveConfiguration(engine, kPrefsDrawer); !saved) {
        return saved;
    }
    return LoadAllDatabases(engine);
}

}  // namespace stovan
