#pragma once
// Everything one processing run needs on the command line, set up around a
// session: the terminal as front end, the event loop, the version check
// and the processing context with the archive fetcher, the changelog
// viewer's stand-in, the reload after a database package and the relaunch
// hook.

#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>

#include "app/CommandRegistry.h"
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
    // The version checks of the run may ask the servers: an item the run
    // processes learns what its site offers when it has never been checked
    // (engine/Requests.h, engine/Queue.h), and the launch step's Quick
    // checks learn the offered versions.
    CommandRun(DatabaseSession& session, bool yes, std::function<void()> onRelaunch = {});
    CommandRun(const CommandRun&) = delete;
    CommandRun& operator=(const CommandRun&) = delete;

    ProcessContext& context() { return context_; }
    VersionCheckContext& check() { return check_; }
    EventServer& server() { return server_; }
    TerminalFrontend& frontend() { return frontend_; }

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

// The session for --root with every database loaded; null after a
// complaint on standard error (the log, when the load failed).
std::unique_ptr<DatabaseSession> OpenLoadedSession(const Context& context);

// The session for --root, loaded, with the companion commands in place and
// Ctrl-C handled; null after a complaint on standard error.
std::unique_ptr<DatabaseSession> OpenOperationSession(const Context& context);

// "stovan: TEXT" on standard error, for the terminal.
void Complain(std::string_view text);

}  // namespace stovan::app
