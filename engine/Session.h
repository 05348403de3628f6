#pragma once
// The session the front ends share: the system root of this run (with the
// sample database seeded into a new root and the companion commands in
// their drawer), the live preferences, the log and an engine on them. The
// command line opens one per run; the desktop program keeps one open.

#include <memory>
#include <string>
#include <vector>

#include "core/Log.h"
#include "core/Status.h"
#include "database/Engine.h"
#include "platform/Expected.h"
#include "platform/RootLock.h"
#include "platform/Volumes.h"
#include "prefs/Preferences.h"

namespace stovan {

struct Session {
    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    // Every command of the command line is a process of its own: when a
    // session whose list was loaded whole ends, the items' version results
    // go back to T:StovanVersion.db, so that the next command (list,
    // outdated, update) starts from what this one found.
    ~Session();

    // Held for the whole session (declared first, so given up last, after
    // the destructor's save): the session reads Config.db when it loads
    // the list and writes it back with the user's changes, and no other
    // run may save in between. The command line's sessions are short;
    // another run waits for them a bounded time.
    amiga::RootLock configurationLock;
    amiga::DosList dos;
    Preferences preferences;
    Log log;
    std::unique_ptr<Engine> engine;
    // What went wrong without stopping the session (host paths and the
    // system's error texts), for the front end to show.
    std::vector<std::string> problems;
};

// Opens the system root (amiga::OpenProcessRoot; "" is the default root),
// takes the configuration lock of the root (an error after a bounded
// wait), removes temporary files that killed runs left beside Config.db,
// the preferences and the version cache, copies the sample database into its
// PROGDIR:Database/Internal when that drawer is empty, installs the companion commands, loads
// PROGDIR:Prefs/stovan.prefs (defaults when missing or broken) and makes
// the engine. Nothing is loaded yet. The error is a message for the user: a
// root that cannot be opened, or a new root without a sample database to
// give it (an empty database would look like a working one).
amiga::Expected<std::unique_ptr<Session>, std::string> OpenSession(const std::string& root);

// The reload of a running Stovan: the launch load, then the reload that
// keeps the user's choices and the version results. A failure is also
// added to the log as a FATAL entry.
Status ReloadSession(Session& session);

// Adds a failed operation's message to the log (its severity follows from
// the number) and returns the status, so a front end shows every failure in
// the one place it shows the log.
Status LogFailure(Session& session, Status status);

}  // namespace stovan
