#pragma once
// Everything one processing run needs on the command line, set up around a
// session: the terminal as front end, the event loop, the version check
// and the processing context with the archive fetcher, the changelog
// viewer's stand-in, the reload after a database package and the relaunch
// hook.

#include <cstddef>
#include <functional>

#include "app/DatabaseSession.h"
#include "desktop/ServeEvents.h"
#include "desktop/TerminalFrontend.h"
#include "engine/Processing.h"
#include "engine/VersionCheck.h"

namespace stovan::app {

class CommandRun {
  public:
    // yes: every question is answered with its default. The relaunch hook
    // saves the preferences (the new program must find them) and then
    // calls onRelaunch, when given.
    CommandRun(DatabaseSession& session, bool yes, std::function<void()> onRelaunch = {});

    ProcessContext& context() { return context_; }
    VersionCheckContext& check() { return check_; }
    EventServer& server() { return server_; }
    TerminalFrontend& frontend() { return frontend_; }

    // Lets the version checks of the run ask the servers (the launch step's
    // Quick checks learn the offered versions this way).
    void EnableServerStep();

    // Saves the user's modes and prints the log from `first` on; false (and
    // a FATAL entry in the log) when the modes could not be saved.
    bool Finish(std::size_t first);

  private:
    DatabaseSession& session_;
    TerminalFrontend frontend_;
    EventServer server_;
    VersionCheckContext check_;
    ProcessContext context_;
};

}  // namespace stovan::app
