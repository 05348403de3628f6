#pragma once
// The version check run: brings the version information and the state of
// items up to date and writes the outcome to the log. The installed side is
// learned here (engine/InstalledVersion.h); the server side is a step the
// caller provides (the transfer layer), absent until then.

#include <cstdint>
#include <functional>
#include <span>

#include "core/EventLoop.h"
#include "core/Frontend.h"
#include "core/Status.h"
#include "database/Engine.h"
#include "database/Item.h"

namespace stovan {

enum class CheckMode : std::uint32_t { Quick = 0, Server = 1, System = 2, Full = 3 };
enum class CheckScope : std::uint32_t { All = 0, One = 1, Stovan = 2 };

// The log's word for a mode: messages 284 to 287.
MessageId CheckModeLabel(CheckMode mode);

struct VersionCheckContext {
    Engine& engine;
    EventLoop& loop;
    Frontend& frontend;
    // DetermineServerVersion for an item; unset: the server step is skipped.
    std::function<Status(ApplicationItem&)> serverStep;
    // While not 0 the run stops after the current item.
    const std::uint32_t* relaunchRequested = nullptr;
    // Set by a run that the user aborted.
    bool aborted = false;
    // The update notification, for an item that just became OUTDATED and
    // whose mode is not IGNORE; the front end decides whether to show it.
    std::function<void(const ApplicationItem&)> outdatedNotice{};
    // True while a processing run is active: its temporary drawers are in
    // use, so a check run leaves them alone.
    bool processingActive = false;
    // Told which items the run takes the server step for, in the order it
    // takes them, before the first item (and an empty list when the run
    // ends), so that their fetches can start ahead. Unset: not told.
    std::function<void(std::span<ApplicationItem* const>)> serverStepsAhead{};
};

// Whether UpdateItemVersion runs the server step for the item in this mode:
// Server and Full, or Quick without server information; never for an
// IGNORE item.
bool TakesServerStep(const ApplicationItem& item, CheckMode mode);

// Outdated: the server triple is greater, or equal with a later date; or the
// server triple is 0.0.0 and its date later than the installed date.
bool IsOutdated(const ApplicationItem& item);

// One item: installed step (System and Full, or Quick without installed
// information), server step (Server and Full, or Quick without server
// information; never for IGNORE items), the state, IGNORE items' version
// information cleared, then the server line (311/312 with "available",
// else 309) and the installed line (311/312 with the state, else 310).
// Returns the last step's result; msg::ProcessingAborted from the
// installed step at once.
Status UpdateItemVersion(VersionCheckContext& context, ApplicationItem& item, CheckMode mode);

// The run: removes the temporary drawers first (unless a processing run is
// active), logs 305 with the mode, shows 409 with the item's name and
// counter for each item (scope One: only `item`; Stovan: only items of type
// STOVAN, the total still counting all), stops after an abort or when a
// relaunch is pending, logs 306 and refreshes the list. The items' lines
// show their new state as they go.
Status VersionCheckRun(VersionCheckContext& context, CheckMode mode, CheckScope scope,
                       ApplicationItem* item = nullptr);

}  // namespace stovan
