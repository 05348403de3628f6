#include "database/Loader.h"

#include "core/Log.h"
#include "database/ConfigFiles.h"
#include "database/Engine.h"
#include "database/Parser.h"
#include "platform/DosFiles.h"
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

std::size_t LoadDatabaseDrawer(Engine& engine, std::string_view drawer, std::string_view pattern) {
    const amiga::DosList& dos = engine.dos();
    auto lock = amiga::Lock(dos, drawer);
    if (!lock || !lock->drawer) {
        return 0;
    }
    amiga::MatchAnchor anchor;
    std::size_t read = 0;
    // The matches are collected before the first file is read, so what a
    // file's reading does cannot change the enumeration.
    for (amiga::DosStatus status = amiga::MatchFirst(dos, pattern, anchor, &*lock); status.ok();
         status = amiga::MatchNext(anchor)) {
        const amiga::MatchEntry& entry = anchor.current();
        if (entry.drawer) {
            continue;
        }
        (void)ParseDatabaseFile(engine, entry.name, &*lock);
        ++read;
    }
    amiga::MatchEnd(anchor);
    return read;
}

void LoadAllDatabases(Engine& engine) {
    engine.loading = true;
    engine.items().ClearItems();
    const DatabaseFilePatterns patterns =
        PatternsForSystem(RunningSystemName(engine.dos().profile().kind));
    LoadDatabaseDrawer(engine, kInternalDrawer, patterns.own);
    LoadDatabaseDrawer(engine, kInternalDrawer, patterns.otherInternal);
    LoadDatabaseDrawer(engine, kUserDrawer, patterns.user);
    LoadDatabaseDrawer(engine, kPrefsDrawer, kConfigurationFileName);
    if (auto cache = amiga::Lock(engine.dos(), kVersionCacheFileName); cache && !cache->drawer) {
        (void)ParseDatabaseFile(engine, kVersionCacheFileName);
    }
    engine.log().AddLogSeparator();
    engine.loading = false;
}

void ReloadDatabase(Engine& engine) {
    (void)SaveConfiguration(engine, kPrefsDrawer);
    (void)SaveVersionCache(engine, kVersionCacheFileName);
    LoadAllDatabases(engine);
    (void)amiga::DeleteFile(engine.dos(), kVersionCacheFileName);
}

void LaunchReload(Engine& engine) {
    engine.log().ClearLog();
    (void)SaveConfiguration(engine, kPrefsDrawer);
    LoadAllDatabases(engine);
}

}  // namespace stovan
