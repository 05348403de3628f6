#pragma once
// The engine: the non-visual object that owns the item list and carries the
// database, placeholder, script-writing and archive operations. The list
// display only shows its items. One engine thread owns it; nothing here is
// locked.
//
// The operations live in the files of their own module (database/Parser.h,
// scripts/Placeholders.h, ...) as functions taking the engine; this class
// holds the state they share.

#include <cstdint>
#include <string>

#include "core/Log.h"
#include "database/DrawerCache.h"
#include "database/ItemList.h"
#include "platform/Volumes.h"
#include "prefs/Preferences.h"

namespace stovan {

// The operation the engine runs at the moment, read by {INSTALLMODE} and
// {BACKUPMODE}; it keeps its last value between operations.
enum class EngineOperation : std::int32_t {
    None = 0,
    Install = 4,  // install, update, repair, download
    Uninstall = 5,
};

class Engine {
  public:
    // The system (volumes, assigns, profile), the live preferences and the
    // log belong to the application and outlive the engine.
    Engine(amiga::DosList& dos, Preferences& preferences, Log& log);

    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    ItemList& items() { return items_; }
    const ItemList& items() const { return items_; }
    amiga::DosList& dos() { return dos_; }
    const amiga::DosList& dos() const { return dos_; }
    Preferences& preferences() { return preferences_; }
    const Preferences& preferences() const { return preferences_; }
    Log& log() { return log_; }

    // Two counters seeded once from the current DateStamp: the scratch
    // number names temporary sub-drawers, the server rotor picks one of an
    // item's servers.
    std::uint32_t scratchNumber = 0;
    std::uint32_t serverRotor = 0;

    EngineOperation currentOperation = EngineOperation::None;

    // The Version command on a plain file the engine can read is answered
    // here instead of in a worker (engine/InstalledVersion.h); false runs
    // it in a worker every time (tests that play the command).
    bool versionInProcess = true;

    // --- database loading (database/Loader.h, database/Parser.h) -----------
    // True while LoadAllDatabases rebuilds the list: a list display must not
    // redraw meanwhile.
    bool loading = false;
    // True when the last LoadAllDatabases read every source whole: only then
    // do the items' version results stand for the whole version cache.
    bool listComplete = false;
    // The records of Config.db whose items are not in the list now (an
    // entry rejected for a typo, a database file taken away), as they were
    // read: the next save writes them back unchanged.
    std::string keptConfiguration;
    // The drawers looked up while a load runs, each once.
    DrawerCache drawers;
    // --- end of database loading ---------------------------------------------

  private:
    amiga::DosList& dos_;
    Preferences& preferences_;
    Log& log_;
    ItemList items_;
};

}  // namespace stovan
