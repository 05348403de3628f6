#pragma once
// What every start of the program shares, whether it opens the window
// (stovan gui) or runs the launch step alone (stovan run): the lock that
// lets only one Stovan run on a system root, the catalog, the start-up
// arguments, and the restart after Stovan has replaced itself.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/DatabaseSession.h"
#include "engine/StartupArguments.h"
#include "platform/Expected.h"
#include "platform/RootLock.h"
#include "platform/Volumes.h"

namespace stovan::app {

// The lock held while Stovan runs on a root ("<root>/Running.lock"): one
// running Stovan per root, the window or `stovan run`.
inline constexpr const char* kRunningLockName = "Running";

// "Stovan is already running on the system root ROOT; only one may run on a
// root at a time": what a second start and every command on that root say.
std::string AlreadyRunningText(const std::string& rootFolder);

// Takes the running lock of the root for as long as Stovan runs.
// heldElsewhere is set when another Stovan holds it; the error is a message
// for the user. A command's look at the lock (RootIsRunning) holds it
// shared for a moment: those moments are waited out, a running Stovan is
// not.
amiga::Expected<amiga::RootLock, std::string> TakeRunningLock(const std::string& rootFolder,
                                                              bool& heldElsewhere);

// The message AlreadyRunningText when a Stovan runs on the root, nothing
// otherwise. Commands look at the same time without refusing each other.
std::optional<std::string> RootIsRunning(const std::string& rootFolder);

// What a start holds once the root is its own: the database session, the
// start-up arguments, and the drawer the companion commands were copied to
// (C: loses it again at shutdown).
struct HeldSession {
    std::unique_ptr<DatabaseSession> session;
    StartupArguments arguments;
    std::string commandDrawer;
};

// The rest of a start after the running lock is taken (context.root opened
// as dos): the catalog, the session, the start-up arguments read from
// words, the companion commands installed. The error is a message for the
// user.
amiga::Expected<HeldSession, std::string> OpenHeldSession(const Context& context,
                                                          const amiga::DosList& dos,
                                                          const std::vector<std::string>& words);

// Whether this start was made by a relaunch; the mark is taken out of the
// environment at once, so only this start's own launch step counts as
// "right after a relaunch".
bool TakeRelaunchMark();

// Everything is saved and released: the process becomes the new start,
// marked as a relaunch. Returns only on failure, with exit code 20 after a
// complaint.
int RestartAfterRelaunch();

}  // namespace stovan::app
