#pragma once
// What the database commands share: the system root of this run with the
// sample database seeded into a new root, the preferences, the log and an
// engine on them; and the one way the commands print the log.

#include <cstdio>
#include <memory>
#include <string>

#include "app/CommandRegistry.h"
#include "core/Log.h"
#include "database/Engine.h"
#include "platform/Expected.h"
#include "platform/Volumes.h"
#include "prefs/Preferences.h"

namespace stovan::app {

struct DatabaseSession {
    // Every command is a process of its own: the version results of the
    // loaded items go back to T:StovanVersion.db when the command ends, so
    // that the next command (list, outdated, update) reads them again.
    ~DatabaseSession();

    amiga::DosList dos;
    Preferences preferences;
    Log log;
    std::unique_ptr<Engine> engine;
};

// Opens the root of --root (amiga::OpenProcessRoot), copies the sample
// database into its PROGDIR:Database/Internal when that drawer is empty,
// loads PROGDIR:Prefs/stovan.prefs (defaults when missing) and makes the
// engine. The text is a message for the user on failure.
amiga::Expected<std::unique_ptr<DatabaseSession>, std::string> OpenDatabaseSession(
    const Context& context);

// The host folder of the sample database shipped with the program: beside
// the source tree of a build ("<build>/../sample/Database/Internal") or
// installed ("<prefix>/share/stovan/sample/Database/Internal"); "" when
// neither exists.
std::string SampleDatabaseFolder();

// Every log entry from `first` on as one line: its severity ("FATAL",
// "WARNING" or nothing), a tab, its text with line feeds written "\n",
// converted to UTF-8.
void PrintLog(const Log& log, std::size_t first, std::FILE* out);

// The list of items in list order as a table (or, with json, as a JSON
// array of objects holding every field of the item).
void PrintItemList(const Engine& engine, bool json, std::FILE* out);

// The reload of a running Stovan: the launch load, then the reload that
// keeps the user's choices and the version results. Prints the log; the
// result is the exit code.
int RunReload(DatabaseSession& session, std::FILE* out);

// What `stovan` does without a subcommand: reload, then list.
int RunDefault(const Context& context);

}  // namespace stovan::app
