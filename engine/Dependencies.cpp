#include "engine/Dependencies.h"

#include <string>
#include <unordered_map>
#include <utility>

#include "core/Log.h"
#include "core/MessageIds.h"
#include "core/Messages.h"
#include "engine/Processing.h"
#include "platform/Latin1.h"

namespace stovan {

namespace {

// Asks about the collection and distributes it: to the queue's tail with
// the operation's mode when the user goes on, else back to the item list's
// tail with the modes untouched. The mode an item had is kept in its saved
// mode (unless an entry point already saved it), so a run that ends before
// the item is processed gives it back: a dependency the user never saw
// installed must not be left in a mode that installs it later.
DependencyOutcome Distribute(ApplicationItem& item, ItemList& collection, ItemList& queue,
                             ItemList& itemList, Frontend& frontend, MessageId question,
                             ItemMode mode) {
    DependencyOutcome outcome;
    if (collection.empty()) {
        return outcome;
    }
    std::string names;
    for (const ApplicationItem& collected : collection) {
        names += '\'';
        names += collected.displayText();
        names += "'\n";
    }
    const std::string body = MessageText(question, {item.displayText(), names});
    outcome.go = frontend.Request(GetString(msg::RequesterTitle), body,
                                  GetString(msg::AskDependenciesButtons)) == 1;
    while (ApplicationItem* collected = collection.front()) {
        if (outcome.go) {
            if (!collected->savedMode) {
                collected->savedMode = collected->mode;
            }
            collected->mode = mode;
            if (collection.TransferToBack(*collected, queue).ok()) {
                continue;
            }
            // No memory to link it into the queue: it goes back unqueued.
            collected->mode = *collected->savedMode;
            collected->savedMode.reset();
        }
        if (!collection.TransferToBack(*collected, itemList).ok()) {
            // The list cannot take it back either; keep it in the run's reach
            // rather than lose it.
            collection.MoveToBack(*collected);
            break;
        }
        outcome.returned.push_back(collected);
    }
    return outcome;
}

bool InEither(const ItemList& a, const ItemList& b, const std::string& name) {
    return a.FindItem(name, false) != nullptr || b.FindItem(name, false) != nullptr;
}

}  // namespace

DependencyOutcome CollectInstallDependencies(ApplicationItem& item, ItemList& queue,
                                             ItemList& itemList, Frontend& frontend) {
    ItemList collection;
    // Depth first in order of discovery, without recursion: a long chain of
    // dependencies cannot exhaust the stack.
    std::vector<std::pair<ApplicationItem*, std::size_t>> stack{{&item, 0}};
    while (!stack.empty()) {
        auto& [current, next] = stack.back();
        const std::vector<std::string>& names = current->dependencies();
        if (next >= names.size()) {
            stack.pop_back();
            continue;
        }
        const std::string& name = names[next++];
        if (InEither(collection, queue, name)) {
            continue;
        }
        ApplicationItem* found = itemList.FindItem(name, false);
        if (found == nullptr || found->state == ItemState::INSTALLED) {
            continue;
        }
        if (!itemList.TransferToBack(*found, collection).ok()) {
            continue;
        }
        stack.emplace_back(found, 0);
    }
    return Distribute(item, collection, queue, itemList, frontend, msg::AskInstallDependencies,
                      ItemMode::OP_INSTALL);
}

DependencyOutcome CollectUninstallDependencies(ApplicationItem& item, ItemList& queue,
                                               ItemList& itemList, Frontend& frontend) {
    // Who depends on whom, among the installed items, in list order: one
    // pass over the list instead of a rescan after every find.
    std::unordered_map<std::string, std::vector<ApplicationItem*>, amiga::NoCaseHash,
                       amiga::NoCaseEqual>
        dependants;
    for (ApplicationItem& candidate : itemList) {
        if (candidate.state != ItemState::INSTALLED && candidate.state != ItemState::OUTDATED) {
            continue;
        }
        for (const std::string& name : candidate.dependencies()) {
            std::vector<ApplicationItem*>& bucket = dependants[name];
            if (bucket.empty() || bucket.back() != &candidate) {
                bucket.push_back(&candidate);
            }
        }
    }
    ItemList collection;
    std::vector<std::pair<ApplicationItem*, std::size_t>> stack{{&item, 0}};
    while (!stack.empty()) {
        auto& [current, next] = stack.back();
        const auto bucket = dependants.find(current->name());
        if (bucket == dependants.end() || next >= bucket->second.size()) {
            stack.pop_back();
            continue;
        }
        ApplicationItem* found = bucket->second[next++];
        if (!itemList.Contains(*found)) {
            continue;
        }
        if (!itemList.TransferToBack(*found, collection).ok()) {
            continue;
        }
        stack.emplace_back(found, 0);
    }
    return Distribute(item, collection, queue, itemList, frontend, msg::AskUninstallDependencies,
                      ItemMode::OP_UNINSTALL);
}

}  // namespace stovan
