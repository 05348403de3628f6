#include "engine/VersionCheck.h"

#include <array>
#include <vector>

#include "core/Log.h"
#include "core/MessageIds.h"
#include "core/Messages.h"
#include "engine/InstalledVersion.h"
#include "engine/Operations.h"
#include "platform/DateStamp.h"

namespace stovan {

namespace {

// Logs "Version x.y of 'name' is word." (311, build 0) or with the build (312).
void LogVersionLine(Log& log, const VersionTriple& triple, const std::string& name,
                    std::string_view word) {
    if (triple.build == 0) {
        log.AddLogEntry(msg::VersionTwoPartIs, triple.version, triple.revision, name, word);
    } else {
        // Five arguments: one more than AddLogEntry takes.
        const std::array<LogArgument, 5> arguments{
            LogArgument(triple.version), LogArgument(triple.revision), LogArgument(triple.build),
            LogArgument(name), LogArgument(word)};
        log.addEntry(msg::VersionThreePartIs, arguments);
    }
}

}  // namespace

MessageId CheckModeLabel(CheckMode mode) {
    switch (mode) {
        case CheckMode::Quick:
            return msg::CheckModeQuick;
        case CheckMode::Server:
            return msg::CheckModeServer;
        case CheckMode::System:
            return msg::CheckModeSystem;
        case CheckMode::Full:
            return msg::CheckModeFull;
    }
    return msg::CheckModeQuick;
}

bool IsOutdated(const ApplicationItem& item) {
    const VersionInfo installed = item.installedInfo();
    const VersionInfo server = item.serverInfo();
    if (isNewer(installed, server)) {
        return true;
    }
    // CompareDates is negative when its first date is the later one.
    return !server.triple.known() && amiga::CompareDates(server.date, installed.date) < 0;
}

bool TakesServerStep(const ApplicationItem& item, CheckMode mode) {
    return item.mode != ItemMode::IGNORE &&
           (mode == CheckMode::Server || mode == CheckMode::Full ||
            (mode == CheckMode::Quick && !item.serverInfo().present()));
}

Status UpdateItemVersion(VersionCheckContext& context, ApplicationItem& item, CheckMode mode) {
    Engine& engine = context.engine;
    Status result;
    const bool installedStep = mode == CheckMode::System || mode == CheckMode::Full ||
                               (mode == CheckMode::Quick && !item.installedInfo().present());
    if (installedStep) {
        result = DetermineInstalledVersion(engine, context.loop, item);
        if (result.message() == msg::ProcessingAborted) {
            return result;
        }
    }
    if (TakesServerStep(item, mode) && context.serverStep) {
        result = context.serverStep(item);
    }
    if (item.state == ItemState::UNKNOWN && item.installedInfo().present()) {
        item.state = ItemState::INSTALLED;
    }
    if (item.state == ItemState::INSTALLED && item.installedInfo().present() &&
        item.serverInfo().present() && IsOutdated(item)) {
        item.state = ItemState::OUTDATED;
        if (item.mode != ItemMode::IGNORE && context.outdatedNotice) {
            context.outdatedNotice(item);
        }
    }
    if (item.mode == ItemMode::IGNORE) {
        item.installedVersion = {};
        item.installedDate = {};
        item.serverVersion = {};
        item.serverDate = {};
    }
    Log& log = engine.log();
    const std::string& name = item.displayText();
    if (item.serverInfo().present()) {
        LogVersionLine(log, item.serverVersion, name, GetString(msg::WordAvailable));
    } else {
        log.AddLogEntry(msg::NotAvailableForDownload, name);
    }
    if (item.installedInfo().present()) {
        LogVersionLine(log, item.installedVersion, name, GetString(StateLabel(item.state)));
    } else {
        log.AddLogEntry(msg::NotInstalled, name);
    }
    return result;
}

Status VersionCheckRun(VersionCheckContext& context, CheckMode mode, CheckScope scope,
                       ApplicationItem* item) {
    Engine& engine = context.engine;
    Frontend& frontend = context.frontend;
    frontend.SetBusy(true);
    frontend.ShowGauge(true);
    if (!context.processingActive) {
        CleanTemporary(engine);
    }
    engine.log().AddLogEntry(msg::VersionCheckStarting, GetString(CheckModeLabel(mode)));
    const std::uint32_t total =
        scope == CheckScope::One ? 1 : static_cast<std::uint32_t>(engine.items().size());
    if (context.serverStep && context.serverStepsAhead) {
        std::vector<ApplicationItem*> ahead;
        const auto plan = [&](ApplicationItem& planned) {
            if ((scope != CheckScope::Stovan || planned.type == AppType::STOVAN) &&
                TakesServerStep(planned, mode)) {
                ahead.push_back(&planned);
            }
        };
        if (scope == CheckScope::One) {
            if (item != nullptr) {
                plan(*item);
            }
        } else {
            for (ApplicationItem& planned : engine.items()) {
                plan(planned);
            }
        }
        context.serverStepsAhead(ahead);
    }
    std::uint32_t counter = 0;
    auto step = [&](ApplicationItem& current) -> bool {
        ++counter;
        const std::array<LogArgument, 3> arguments{LogArgument(current.name()),
                                                   LogArgument(counter), LogArgument(total)};
        frontend.ShowProgress(
            FormatText(GetString(msg::ProgressVersionInfo), arguments, kMaxLogText).value_or(""));
        frontend.SetGauge(counter, total);
        if (scope == CheckScope::Stovan && current.type != AppType::STOVAN) {
            return true;
        }
        const Status result = UpdateItemVersion(context, current, mode);
        frontend.RefreshList();
        if (result.message() == msg::ProcessingAborted) {
            context.aborted = true;
            return false;
        }
        return context.relaunchRequested == nullptr || *context.relaunchRequested == 0;
    };
    if (scope == CheckScope::One) {
        if (item != nullptr) {
            (void)step(*item);  // whether to go on: there is no next item
        }
    } else {
        for (ApplicationItem& current : engine.items()) {
            if (!step(current)) {
                break;
            }
        }
    }
    if (context.serverStep && context.serverStepsAhead) {
        context.serverStepsAhead({});
    }
    engine.log().AddLogEntry(msg::VersionCheckDone);
    frontend.RefreshList();
    frontend.ShowGauge(false);
    frontend.SetBusy(false);
    return Status::Ok();
}

}  // namespace stovan
