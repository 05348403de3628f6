#include "engine/Queue.h"

#include <array>
#include <unordered_map>
#include <vector>

#include "core/Log.h"
#include "core/MessageIds.h"
#include "core/Messages.h"
#include "engine/Dependencies.h"
#include "engine/Operations.h"
#include "prefs/Preferences.h"

namespace stovan {

namespace {

// The refresh before an operation: the installed side in the run's mode,
// and the offered side as well when the item has never learned it (a root
// never checked, a dependency nobody looked at) and the operation fetches
// its archive, whose name and address follow from the offered version. A
// failed server step is logged and leaves the versionless name.
Status RefreshBeforeOperation(ProcessContext& context, ApplicationItem& item, CheckMode mode,
                              std::uint32_t opFlags) {
    Status result = UpdateItemVersion(context.check, item, mode);
    const bool fetches = (opFlags & (OPF_ARCHIVE | OPF_FETCH)) != 0;
    if (fetches && result.message() != msg::ProcessingAborted && !item.serverInfo().present() &&
        context.check.serverStep) {
        result = UpdateItemVersion(context.check, item, CheckMode::Server);
    }
    return result;
}

// AvailableActions by state (rows) and mode (columns).
constexpr std::array<std::array<std::uint32_t, kItemModeCount>, kItemStateCount> kActions{{
    {0x0A0, 0x1000A0, 0x1000A0, 0x1000A0, 0x000, 0x000, 0x0A0, 0x000},
    {0x2A0, 0x1002A0, 0x1002A0, 0x1002A6, 0x0AA, 0x000, 0x0A0, 0x000},
    {0xCE0, 0x100CE0, 0x100CE0, 0x100CE0, 0xC50, 0xC50, 0xCF0, 0xCF0},
    {0xDA0, 0x100DE1, 0x100DE3, 0x100DEF, 0xDEF, 0xC50, 0xCF0, 0xCF0},
}};

// One row of the confirmation table.
struct Confirmation {
    std::uint32_t needs = 0;
    std::uint32_t flags = 0;
    MessageId question = 0;
    MessageId singleButtons = 0;
    MessageId multiButtons = 0;
    std::uint32_t askBit = 0;
};

Confirmation ConfirmationFor(ItemMode mode) {
    switch (mode) {
        case ItemMode::DOWNLOAD:
            return {ACT_DOWNLOAD,
                    OPF_ARCHIVE,
                    msg::AskDownload,
                    msg::AskDownloadButtons,
                    msg::AskDownloadMultiButtons,
                    ASK_DOWNLOAD};
        case ItemMode::INSTALL:
            return {ACT_UPDATE,
                    OPF_ARCHIVE | OPF_UPDATE,
                    msg::AskUpdate,
                    msg::AskUpdateButtons,
                    msg::AskUpdateMultiButtons,
                    ASK_UPDATE};
        case ItemMode::OP_INSTALL:
            return {ACT_INSTALL,
                    OPF_ARCHIVE | OPF_INSTALL,
                    msg::AskInstall,
                    msg::AskInstallButtons,
                    msg::AskInstallMultiButtons,
                    ASK_INSTALL};
        case ItemMode::OP_UNINSTALL:
            return {ACT_UNINSTALL,
                    OPF_UNINSTALL,
                    msg::AskUninstall,
                    msg::AskUninstallButtons,
                    msg::AskUninstallMultiButtons,
                    ASK_UNINSTALL};
        case ItemMode::OP_DOWNLOAD:
            return {ACT_FETCH,
                    OPF_FETCH,
                    msg::AskDownload,
                    msg::AskDownloadButtons,
                    msg::AskDownloadMultiButtons,
                    ASK_DOWNLOAD};
        case ItemMode::OP_REPAIR:
            return {ACT_REPAIR,
                    OPF_ARCHIVE | OPF_REPAIR,
                    msg::AskRepair,
                    msg::AskRepairButtons,
                    msg::AskRepairMultiButtons,
                    ASK_REPAIR};
        case ItemMode::IGNORE:
        case ItemMode::NOTIFY:
            break;
    }
    return {};
}

// Step d of a processed item: the mode after the run.
void RestoreMode(ApplicationItem& item, bool performed) {
    if (!item.savedMode) {
        return;
    }
    if (performed) {
        if (item.mode == ItemMode::OP_REPAIR || item.mode == ItemMode::OP_INSTALL) {
            item.savedMode = ItemMode::INSTALL;
        } else if (item.mode == ItemMode::OP_UNINSTALL) {
            item.savedMode = ItemMode::IGNORE;
        }
    }
    item.mode = *item.savedMode;
    item.savedMode.reset();
}

// Builds the run's queue: the items in the order they are processed.
class QueueBuilder {
  public:
    QueueBuilder(ProcessContext& context, ProcessOutcome& outcome)
        : context_(context), items_(context.engine().items()), outcome_(outcome) {}

    void Scan(ProcessScope scope, ApplicationItem* item) {
        if (scope == ProcessScope::One || scope == ProcessScope::OtherVersion) {
            if (item != nullptr && items_.Contains(*item)) {
                Consider(*item, scope);
            }
            return;
        }
        // One pass in list order. Taking the first unvisited item from the
        // head after every move would give the same order, since moves only
        // take items out of the list, except that items given back by a
        // declined dependency requester go to its tail: they are appended
        // to the pass and their old place in it is void.
        for (ApplicationItem& candidate : items_) {
            pass_.push_back(&candidate);
        }
        for (std::size_t index = 0; index < pass_.size(); ++index) {
            ApplicationItem* candidate = pass_[index];
            if (const auto moved = latest_.find(candidate);
                moved != latest_.end() && moved->second != index) {
                continue;
            }
            if (items_.Contains(*candidate)) {
                Consider(*candidate, scope);
            }
        }
    }

    ItemList& queue() { return queue_; }

  private:
    void Consider(ApplicationItem& candidate, ProcessScope scope) {
        if (candidate.visited() ||
            (scope == ProcessScope::Stovan && candidate.type != AppType::STOVAN) ||
            (AvailableActions(candidate) & ACT_PROCESSING) == 0) {
            return;
        }
        const std::uint32_t actions = AvailableActions(candidate);
        Frontend& frontend = context_.frontend();
        DependencyOutcome dependencies;
        if (((actions & ACT_UPDATE) != 0 && candidate.mode == ItemMode::INSTALL) ||
            ((actions & ACT_INSTALL) != 0 && candidate.mode == ItemMode::OP_INSTALL) ||
            ((actions & ACT_REPAIR) != 0 && candidate.mode == ItemMode::OP_REPAIR)) {
            dependencies = CollectInstallDependencies(candidate, queue_, items_, frontend);
        } else if ((actions & ACT_UNINSTALL) != 0 && candidate.mode == ItemMode::OP_UNINSTALL) {
            dependencies = CollectUninstallDependencies(candidate, queue_, items_, frontend);
        }
        for (ApplicationItem* returned : dependencies.returned) {
            latest_[returned] = pass_.size();
            pass_.push_back(returned);
        }
        // A cycle may already have brought the item into the queue, behind
        // the dependency that needs it: it stays there.
        if (dependencies.go && items_.Contains(candidate)) {
            const Status moved = candidate.type == AppType::STOVAN
                                     ? items_.TransferToFront(candidate, queue_)
                                     : items_.TransferToBack(candidate, queue_);
            dependencies.go = moved.ok();
        }
        if (!dependencies.go) {
            ++outcome_.skipped;
        }
        candidate.SetVisited(true);
    }

    ProcessContext& context_;
    ItemList& items_;
    ProcessOutcome& outcome_;
    ItemList queue_;
    std::vector<ApplicationItem*> pass_;
    std::unordered_map<ApplicationItem*, std::size_t> latest_;
};

}  // namespace

std::uint32_t AvailableActions(const ApplicationItem& item) {
    return AvailableActions(item, item.mode);
}

std::uint32_t AvailableActions(const ApplicationItem& item, ItemMode itemMode) {
    const auto state = static_cast<std::uint32_t>(item.state);
    const auto mode = static_cast<std::uint32_t>(itemMode);
    if (state >= kItemStateCount || mode >= kItemModeCount) {
        return 0;
    }
    std::uint32_t actions = kActions[state][mode];
    if (item.installScript().empty()) {
        actions &= ~std::uint32_t{0x204};
    }
    if (item.uninstallScript().empty()) {
        actions &= ~std::uint32_t{0x410};
    }
    return actions;
}

Answer ConfirmOperation(ProcessContext& context, ApplicationItem& item, std::uint32_t& opFlags,
                        std::uint32_t& askMask) {
    const Confirmation row = ConfirmationFor(item.mode);
    if (row.needs == 0 || (AvailableActions(item) & row.needs) == 0) {
        return Answer::Skip;
    }
    opFlags |= row.flags;
    bool ask = (askMask & row.askBit) != 0;
    if (item.type == AppType::STOVAN &&
        (item.mode == ItemMode::INSTALL || item.mode == ItemMode::OP_REPAIR)) {
        ask = ask &&
              (askMask & (IsStovanProgram(item) ? ASK_STOVAN_UPDATE : ASK_DATABASE_UPDATE)) != 0;
    }
    if (!ask) {
        return Answer::Go;
    }
    Frontend& frontend = context.frontend();
    frontend.ShowProgress(GetString(msg::ProgressWaitingForUser));
    const std::string body = MessageText(
        row.question,
        {item.displayText(), item.installedVersion.version, item.installedVersion.revision});
    const bool single = (opFlags & OPF_SINGLE) != 0;
    const int chosen = frontend.Request(GetString(msg::RequesterTitle), body,
                                        GetString(single ? row.singleButtons : row.multiButtons));
    const Answer answer = chosen >= 0 && chosen <= 3 ? static_cast<Answer>(chosen) : Answer::Abort;
    if (answer == Answer::All) {
        askMask &= ~row.askBit;
    }
    return answer;
}

void SetOneShotMode(ApplicationItem& item, ItemMode mode) {
    if (!item.savedMode) {
        item.savedMode = item.mode;
    }
    item.mode = mode;
}

ProcessOutcome ProcessItems(ProcessContext& context, ProcessScope scope, ApplicationItem* item) {
    Engine& engine = context.engine();
    Frontend& frontend = context.frontend();
    ProcessOutcome outcome;
    frontend.SetBusy(true);
    frontend.ShowProgress("");
    ++context.runNesting;
    std::uint32_t askMask = engine.preferences().flags;
    for (ApplicationItem& each : engine.items()) {
        each.SetVisited(false);
    }

    std::vector<ApplicationItem*> order;
    {
        QueueBuilder builder(context, outcome);
        builder.Scan(scope, item);
        ItemList& queue = builder.queue();
        order.reserve(queue.size());
        while (ApplicationItem* queued = queue.front()) {
            if (!queue.TransferToBack(*queued, engine.items()).ok()) {
                break;  // out of memory: the rest is not processed
            }
            order.push_back(queued);
        }
        // Anything the queue could not give back is lost with it only in
        // the most extreme shortage; it is dropped with the queue.
    }
    for (ApplicationItem& each : engine.items()) {
        each.SetVisited(false);
    }
    outcome.queued = static_cast<std::uint32_t>(order.size());

    // Installing another version refreshes only the installed side: a
    // server check would replace the version the user chose.
    const CheckMode checkMode = CheckMode::System;
    std::size_t done = 0;
    if (!order.empty()) {
        CleanTemporary(engine);
        const auto total = static_cast<std::int64_t>(order.size());
        for (std::size_t pos = 0; pos < order.size(); ++pos) {
            ApplicationItem& current = *order[pos];
            std::uint32_t opFlags = order.size() == 1 ? OPF_SINGLE : 0;
            const Answer answer = ConfirmOperation(context, current, opFlags, askMask);
            Status result;
            const bool go = answer == Answer::Go || answer == Answer::All;
            if (go) {
                frontend.ShowProgress(
                    MessageText(msg::ProgressUpdatingVersion, {current.displayText()}));
                const Status refreshed =
                    RefreshBeforeOperation(context, current, checkMode, opFlags);
                frontend.RefreshList();
                if (refreshed.message() == msg::ProcessingAborted) {
                    result = refreshed;
                } else {
                    frontend.ShowProgress(MessageText(
                        msg::ProgressProcessing,
                        {current.displayText(), static_cast<std::int64_t>(pos), total}));
                    result = PerformOperation(context, current, opFlags);
                    const Status related =
                        UpdateRelatedVersions(context, current, CheckMode::System);
                    if (result.ok()) {
                        result = related.message() == msg::ProcessingAborted ? related : result;
                    }
                }
            } else {
                ++outcome.skipped;
            }
            // An operation that failed (an aborted download) did nothing:
            // the item goes back to the mode it had, not to "Update".
            const bool performed = go && result.ok();
            outcome.performed += performed ? 1 : 0;
            RestoreMode(current, performed);
            frontend.RefreshList();
            done = pos + 1;
            if (!result.ok()) {
                outcome.result = result;
                break;
            }
            if ((opFlags & OPF_SINGLE) != 0 || context.relaunchRequested != 0) {
                break;
            }
        }
    }
    // A run that stopped early gives every item it did not reach its mode
    // back; so does a single item that never made it into the queue.
    outcome.stoppedEarly = done < order.size();
    for (std::size_t pos = done; pos < order.size(); ++pos) {
        RestoreMode(*order[pos], false);
    }
    if (item != nullptr && (scope == ProcessScope::One || scope == ProcessScope::OtherVersion) &&
        order.empty()) {
        RestoreMode(*item, false);
    }

    --context.runNesting;
    frontend.RefreshList();
    engine.log().AddLogEntry(msg::ProcessingDone);
    engine.log().AddLogSeparator();
    if (!order.empty()) {
        CleanTemporary(engine);
    }
    if (context.databasesChanged != 0 && context.relaunchRequested == 0 &&
        context.reloadDatabases) {
        frontend.ShowProgress(GetString(msg::ProgressLoadingDatabase));
        const Status reloaded = context.reloadDatabases();
        if (!reloaded.ok()) {
            // Nothing below logs it, and a run started at launch has no
            // other way to tell the user.
            engine.log().AddLogEntry(reloaded.message());
        }
        if (outcome.result.ok()) {
            outcome.result = reloaded;
        }
    }
    context.databasesChanged = 0;
    frontend.SetBusy(false);
    return outcome;
}

}  // namespace stovan
