#pragma once
// The launch step: what Stovan does once at every start, after the
// preferences are loaded and the companion commands are in C:, before the
// event loop. Every front end (the command line, the demo, the window)
// runs the same step and acts on the decisions it returns: whether the
// window opens, whether Stovan quits at once, whether it must shut down and
// start again because it has just replaced itself.

#include <cstdint>
#include <functional>
#include <vector>

#include "core/Status.h"
#include "engine/Finder.h"
#include "engine/Processing.h"
#include "engine/Queue.h"
#include "prefs/Preferences.h"

namespace stovan {

struct LaunchSettings {
    // The start-up argument CX_POPUP: the window opens at launch.
    bool popUp = true;
    // Left shift, right shift or control held at launch: the window opens
    // and Stovan does not quit after the check. The command line has no
    // keyboard to ask, so it never holds one.
    bool qualifierHeld = false;
    // The retry of the image downloads that failed earlier (preference
    // SCAN_MISSING_IMAGES). Unset: no retry. The image cache's
    // FetchMissingImages goes here.
    std::function<void()> retryMissingImages;
    // Told once the launch reload has replaced the items, before anything
    // else runs: a window showing the list takes the new items here.
    std::function<void()> loaded;
};

struct LaunchOutcome {
    // Ok, or the failure that stopped the step: a reload that could not
    // save Config.db first (nothing was loaded then, and nothing lost).
    Status result;
    // The new-database warning was shown in this launch.
    bool warningShown = false;
    // Stovan installed a new version of itself: shut down now, saving, and
    // start again. The rest of the step did not run.
    bool relaunch = false;
    // The window opens (else Stovan starts iconified).
    bool windowOpens = false;
    // Stovan quits at once: nothing is outdated, QUIT_AFTER_CHECK is on, no
    // qualifier was held and the window stays closed.
    bool quit = false;
    // Items whose state is OUTDATED at the end of the step.
    std::uint32_t outdated = 0;
    // What the finder adopted (when FIND_APPLICATIONS is on).
    std::vector<FoundApplication> found;
};

// The step, in this order: the launch reload (log cleared, Config.db saved,
// all databases loaded); the window decision from popUp and the qualifier;
// the new-database warning once (WARN_NEW_DATABASE without
// DATABASE_WARNING_SHOWN: message 355 in a requester, then the flag is set
// and the preferences saved); the Quick check and the processing of the
// STOVAN items (how Stovan updates itself and its database packages),
// stopping here when a relaunch is pending; the STOVANPATH rule; the finder
// (FIND_APPLICATIONS); the image retry (SCAN_MISSING_IMAGES); the launch
// action (1: Quick check of all items, 2: that check and a processing run
// over all items); then the window and quit decisions from the outdated
// count, OPEN_ON_UPDATES and QUIT_AFTER_CHECK.
LaunchOutcome RunLaunchStep(ProcessContext& context, const LaunchSettings& settings);

// The part of the step that updates Stovan: a Quick check of its own items
// (type STOVAN), then a processing run over them unless the check left a
// relaunch pending. The run's outcome (an empty one when it did not run);
// context.relaunchRequested tells whether Stovan replaced itself.
ProcessOutcome UpdateStovanItems(ProcessContext& context);

// The STOVANPATH rule: with STORE_PATH on, the full path of "PROGDIR:" goes
// (without line end) to "ENV:STOVANPATH" and then "ENVARC:STOVANPATH" when
// "ENVARC:STOVANPATH" does not exist yet (an existing one is left alone,
// even when Stovan has moved); with STORE_PATH off both are deleted. A
// variable that cannot be written is a WARNING in the log.
void ApplyStovanPathRule(Engine& engine);

// Before the save that precedes a relaunch: Stovan's own items (type
// STOVAN) forget their installed side and state. The refresh after Stovan
// installed itself is cut short by the pending relaunch, so what the list
// holds then is stale; saved into the version cache it would make the new
// start install the same version again. Forgotten, the new start's Quick
// check learns the installed versions afresh.
void PrepareRelaunch(Engine& engine);

// Items whose state is OUTDATED.
std::uint32_t OutdatedCount(const Engine& engine);

}  // namespace stovan
