#pragma once
// What the database commands share: the session of this run (engine/
// Session.h) opened for --root, and the one way the commands print the log
// and the item list.

#include <cstdio>
#include <memory>
#include <string>

#include "app/CommandRegistry.h"
#include "core/Log.h"
#include "database/Engine.h"
#include "engine/Session.h"
#include "platform/Expected.h"

namespace stovan::app {

using DatabaseSession = stovan::Session;

// stovan::OpenSession for --root; refused at once while another Stovan
// runs on the root (unless this run holds the lock itself, see
// Context::holdsRunningLock). Problems that do not stop the session
// (a companion command that could not be copied) go to standard error. The
// text is a message for the user on failure.
amiga::Expected<std::unique_ptr<DatabaseSession>, std::string> OpenDatabaseSession(
    const Context& context);

// Every log entry from `first` on as one line: its severity ("FATAL",
// "WARNING" or nothing), a tab, its text with line feeds written "\n",
// converted to UTF-8.
void PrintLog(const Log& log, std::size_t first, std::FILE* out);

// The list of items in list order as a table (or, with json, as a JSON
// array of objects holding every field of the item).
void PrintItemList(const Engine& engine, bool json, std::FILE* out);

// The reload of a running Stovan (stovan::ReloadSession). Prints the log;
// the result is the exit code: 20 when the reload failed (a file could not
// be saved: nothing was reloaded), 10 when the log holds another FATAL
// entry, else 0.
int RunReload(DatabaseSession& session, std::FILE* out);

// What `stovan` does without a subcommand: reload, then list.
int RunDefault(const Context& context);

}  // namespace stovan::app
