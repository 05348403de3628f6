#pragma once
// What a processing run on the command line is set up with, shared by the
// operation commands and the demonstration: the session with the companion
// commands in place, and around it the terminal front end, the event loop,
// the version check with its server step and the processing context.

#include <cstddef>
#include <memory>
#include <string>

#include "app/CommandRegistry.h"
#include "app/DatabaseSession.h"
#include "desktop/ServeEvents.h"
#include "desktop/TerminalFrontend.h"
#include "engine/Processing.h"
#include "engine/VersionCheck.h"

namespace stovan::app {

class CommandRun {
  public:
    CommandRun(DatabaseSession& session, bool yes);
    CommandRun(const CommandRun&) = delete;
    CommandRun& operator=(const CommandRun&) = delete;

    ProcessContext& context() { return context_; }
    VersionCheckContext& check() { return check_; }

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

// The session for --root, loaded, with the companion commands in place and
// Ctrl-C handled; null after a complaint on standard error.
std::unique_ptr<DatabaseSession> OpenOperationSession(const Context& context);

// "stovan: TEXT" on standard error, for the terminal.
void Complain(const std::string& text);

}  // namespace stovan::app
