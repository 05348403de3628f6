#include "engine/Launch.h"

#include "core/MessageIds.h"
#include "core/Messages.h"
#include "database/Loader.h"
#include "engine/Queue.h"
#include "engine/VersionCheck.h"
#include "platform/DosFiles.h"
#include "platform/Locks.h"
#include "platform/RootLock.h"
#include "prefs/SystemPreferences.h"

namespace stovan {

namespace {

constexpr std::string_view kEnvPath = "ENV:STOVANPATH";
constexpr std::string_view kEnvArcPath = "ENVARC:STOVANPATH";

// The warning once: the requester, then the flag set and the preferences
// saved under their lock, so a later start does not show it again.
void ShowDatabaseWarning(Engine& engine, Frontend& frontend) {
    (void)frontend.Request(GetString(msg::RequesterTitle), GetString(msg::FirstLaunchWarning),
                           GetString(msg::RequesterOk));
    Preferences& preferences = engine.preferences();
    preferences.flags |= DATABASE_WARNING_SHOWN;
    auto lock = amiga::LockRoot(engine.dos().rootFolder(), std::string(kPreferencesLockName));
    if (!lock || !SaveLivePreferences(preferences, engine.dos()).ok()) {
        engine.log().AddLogEntry(msg::CannotOpen, kPreferencesPath);
    }
}

// The check logs what it finds, and an abort shows in check.aborted.
void QuickCheckAll(ProcessContext& context) {
    (void)VersionCheckRun(context.check, CheckMode::Quick, CheckScope::All);
}

}  // namespace

std::uint32_t OutdatedCount(const Engine& engine) {
    std::uint32_t count = 0;
    for (const ApplicationItem& item : engine.items()) {
        count += item.state == ItemState::OUTDATED ? 1 : 0;
    }
    return count;
}

void PrepareRelaunch(Engine& engine) {
    for (ApplicationItem& item : engine.items()) {
        if (item.type == AppType::STOVAN) {
            item.installedVersion = {};
            item.installedDate = {};
            item.state = ItemState::UNKNOWN;
        }
    }
}

void ApplyStovanPathRule(Engine& engine) {
    const amiga::DosList& dos = engine.dos();
    if ((engine.preferences().flags2 & STORE_PATH) == 0) {
        // A variable that stays would still tell every script the path the
        // user asked not to keep: that is said, as a failed write is.
        for (std::string_view variable : {kEnvPath, kEnvArcPath}) {
            if (const amiga::DosStatus deleted = amiga::DeleteFile(dos, variable);
                !deleted.ok() && deleted.error() != amiga::ERROR_OBJECT_NOT_FOUND) {
                engine.log().AddLogEntry(msg::CannotOpen, variable);
            }
        }
        return;
    }
    if (auto existing = amiga::Lock(dos, kEnvArcPath);
        existing || existing.error() != amiga::ERROR_OBJECT_NOT_FOUND) {
        return;  // kept from an earlier start (or unreadable: not overwritten blindly)
    }
    auto program = amiga::Lock(dos, "PROGDIR:");
    if (!program) {
        engine.log().AddLogEntry(msg::CannotOpen, "PROGDIR:");
        return;
    }
    // The full path has no length limit here: the variable holds the whole
    // path, never a cut one.
    const std::string path = amiga::NameFromLock(dos, *program);
    for (std::string_view variable : {kEnvPath, kEnvArcPath}) {
        if (!amiga::WriteFile(dos, variable, path).ok()) {
            engine.log().AddLogEntry(msg::CannotOpen, variable);
        }
    }
}

ProcessOutcome UpdateStovanItems(ProcessContext& context) {
    // As in QuickCheckAll: the check logs what it finds.
    (void)VersionCheckRun(context.check, CheckMode::Quick, CheckScope::Stovan);
    if (context.relaunchRequested != 0) {
        return {};
    }
    return ProcessItems(context, ProcessScope::Stovan);
}

LaunchOutcome RunLaunchStep(ProcessContext& context, const LaunchSettings& settings) {
    LaunchOutcome outcome;
    Engine& engine = context.engine();
    outcome.result = LaunchReload(engine);
    if (!outcome.result.ok()) {
        engine.log().AddLogEntry(outcome.result.message());
        return outcome;
    }
    if (settings.loaded) {
        settings.loaded();
    }
    const Preferences& preferences = engine.preferences();
    outcome.windowOpens = settings.popUp || settings.qualifierHeld;

    if ((preferences.flags & WARN_NEW_DATABASE) != 0 &&
        (preferences.flags & DATABASE_WARNING_SHOWN) == 0) {
        ShowDatabaseWarning(engine, context.frontend());
        outcome.warningShown = true;
    }

    // Stovan's own items first: this is how it updates itself and its
    // database packages at every start.
    // A failure that stopped the run was logged where it happened.
    (void)UpdateStovanItems(context);
    if (context.relaunchRequested != 0) {
        PrepareRelaunch(engine);
        outcome.relaunch = true;
        return outcome;
    }

    ApplyStovanPathRule(engine);
    if ((preferences.flags & FIND_APPLICATIONS) != 0) {
        outcome.found = FindApplications(engine, context.frontend());
    }
    if ((preferences.flags & SCAN_MISSING_IMAGES) != 0 && settings.retryMissingImages) {
        settings.retryMissingImages();
    }

    switch (preferences.launchAction) {
        case LAUNCH_VERSION_CHECK:
            QuickCheckAll(context);
            break;
        case LAUNCH_UPDATE:
            QuickCheckAll(context);
            if (!context.check.aborted && context.relaunchRequested == 0) {
                (void)ProcessItems(context, ProcessScope::All);  // its failures are in the log
            }
            break;
        default:
            break;
    }
    if (context.relaunchRequested != 0) {
        // Stovan replaced itself during the launch action's run.
        PrepareRelaunch(engine);
        outcome.relaunch = true;
        return outcome;
    }

    outcome.outdated = OutdatedCount(engine);
    if (outcome.outdated != 0 && (preferences.flags & OPEN_ON_UPDATES) != 0) {
        outcome.windowOpens = true;
    }
    outcome.quit = outcome.outdated == 0 && (preferences.flags & QUIT_AFTER_CHECK) != 0 &&
                   !settings.qualifierHeld && !outcome.windowOpens;
    return outcome;
}

}  // namespace stovan
