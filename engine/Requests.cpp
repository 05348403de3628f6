#include "engine/Requests.h"

#include <functional>
#include <utility>

#include "core/MessageIds.h"

namespace stovan {

std::string_view RequestWord(OperationRequest request) {
    switch (request) {
        case OperationRequest::Install:
            return "install";
        case OperationRequest::Update:
            return "update";
        case OperationRequest::Repair:
            return "repair";
        case OperationRequest::Uninstall:
            return "uninstall";
        case OperationRequest::Download:
            return "download";
    }
    return "install";
}

ItemMode RequestMode(OperationRequest request) {
    switch (request) {
        case OperationRequest::Install:
            return ItemMode::OP_INSTALL;
        case OperationRequest::Update:
            return ItemMode::INSTALL;
        case OperationRequest::Repair:
            return ItemMode::OP_REPAIR;
        case OperationRequest::Uninstall:
            return ItemMode::OP_UNINSTALL;
        case OperationRequest::Download:
            return ItemMode::OP_DOWNLOAD;
    }
    return ItemMode::OP_INSTALL;
}

std::uint32_t NeededAction(ItemMode mode) {
    switch (mode) {
        case ItemMode::DOWNLOAD:
            return ACT_DOWNLOAD;
        case ItemMode::INSTALL:
            return ACT_UPDATE;
        case ItemMode::OP_INSTALL:
            return ACT_INSTALL;
        case ItemMode::OP_UNINSTALL:
            return ACT_UNINSTALL;
        case ItemMode::OP_DOWNLOAD:
            return ACT_FETCH;
        case ItemMode::OP_REPAIR:
            return ACT_REPAIR;
        case ItemMode::IGNORE:
        case ItemMode::NOTIFY:
            break;
    }
    return 0;
}

std::optional<std::string> RefusalReason(const ApplicationItem& item, ItemMode mode) {
    const std::uint32_t needed = NeededAction(mode);
    if (needed == 0) {
        return "nothing to do in this mode";
    }
    if ((AvailableActions(item, mode) & needed) != 0) {
        return std::nullopt;
    }
    const std::string name = "'" + item.displayText() + "'";
    if ((mode == ItemMode::OP_UNINSTALL) && item.uninstallScript().empty() &&
        (item.state == ItemState::INSTALLED || item.state == ItemState::OUTDATED)) {
        return name + " has no uninstall script";
    }
    if (mode == ItemMode::INSTALL && item.installScript().empty()) {
        return name + " has no install script";
    }
    switch (item.state) {
        case ItemState::UNKNOWN:
            return "the state of " + name + " is unknown";
        case ItemState::NOTINSTALLED:
            return name + " is not installed";
        case ItemState::INSTALLED:
            return mode == ItemMode::INSTALL ? name + " is up to date"
                                             : name + " is already installed";
        case ItemState::OUTDATED:
            return name + " is already installed; update it instead";
    }
    return name + " cannot be processed so";
}

Status QuickCheckUnknown(ProcessContext& context) {
    // The installed side only: the sites of items nobody asked for are left
    // alone (the items a run processes learn theirs before their operation).
    std::function<Status(ApplicationItem&)> serverStep = std::move(context.check.serverStep);
    context.check.serverStep = nullptr;
    Status result;
    for (ApplicationItem& item : context.engine().items()) {
        if (item.state != ItemState::UNKNOWN) {
            continue;
        }
        result = UpdateItemVersion(context.check, item, CheckMode::Quick);
        if (result.message() == msg::ProcessingAborted) {
            break;
        }
    }
    context.check.serverStep = std::move(serverStep);
    return result.message() == msg::ProcessingAborted ? result : Status::Ok();
}

Status LearnOfferedVersion(ProcessContext& context, ApplicationItem& item) {
    if (item.serverInfo().present() || !context.check.serverStep) {
        return Status::Ok();
    }
    // The user asked for this item: its mode (IGNORE by default) must not
    // keep the check from its site.
    const ItemMode mode = item.mode;
    if (mode == ItemMode::IGNORE) {
        item.mode = ItemMode::NOTIFY;
    }
    const Status result = UpdateItemVersion(context.check, item, CheckMode::Server);
    item.mode = mode;
    return result;
}

void RestoreOfferedVersion(ApplicationItem& item, const VersionTriple& offered) {
    item.serverVersion = offered;
    if (item.state == ItemState::INSTALLED && IsOutdated(item)) {
        item.state = ItemState::OUTDATED;
    } else if (item.state == ItemState::OUTDATED && !IsOutdated(item)) {
        item.state = ItemState::INSTALLED;
    }
}

int ExitCodeFor(const ProcessOutcome& outcome, const ProcessContext& context) {
    if (!outcome.result.ok()) {
        return 20;
    }
    if (context.failedScripts != 0) {
        return 10;
    }
    if (outcome.skipped != 0 || outcome.queued == 0) {
        return 5;
    }
    return 0;
}

RequestOutcome RunRequest(ProcessContext& context, ApplicationItem& item, OperationRequest request,
                          std::optional<VersionTriple> chosen) {
    RequestOutcome result;
    const VersionTriple offered = item.serverVersion;
    if (chosen) {
        item.serverVersion = *chosen;
    }
    const ItemMode mode = RequestMode(request);
    if (auto reason = RefusalReason(item, mode)) {
        item.serverVersion = offered;
        result.exitCode = 5;
        result.refusal = std::move(*reason);
        return result;
    }
    const std::string key = item.key();
    const bool byDupeName = item.HasFlags(HAS_DUPENAME);
    SetOneShotMode(item, mode);
    const ProcessOutcome outcome =
        ProcessItems(context, chosen ? ProcessScope::OtherVersion : ProcessScope::One, &item);
    if (chosen) {
        if (ApplicationItem* again = context.engine().items().FindItem(key, byDupeName)) {
            RestoreOfferedVersion(*again, offered);
        }
    }
    result.exitCode = ExitCodeFor(outcome, context);
    result.result = outcome.result;
    return result;
}

}  // namespace stovan
