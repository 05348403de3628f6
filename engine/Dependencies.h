#pragma once
// Dependencies between applications: installing, updating or repairing an
// item brings the missing applications it names in its DEPENDENCIES list
// into the run first; uninstalling it takes the installed applications that
// depend on it out first. The user sees the whole list in one requester and
// accepts all of it or none.
//
// Three lists take part: the engine's item list, the run's queue, and the
// collection that exists while one top-level call runs. An item is in
// exactly one of them at any time.

#include <vector>

#include "core/Frontend.h"
#include "database/ItemList.h"

namespace stovan {

// What a top-level collection ended with.
struct DependencyOutcome {
    bool go = true;  // false: the user chose "_Abort" (or the text could not be made)
    // The items given back to the tail of the item list after an abort, in
    // collection order.
    std::vector<ApplicationItem*> returned;
};

// Collects the item's missing dependencies (state not INSTALLED, found by
// name among items without DUPENAME, in neither the collection nor the
// queue) depth first in order of discovery, asks with message 370, and
// moves them to the tail of the queue (mode OP_INSTALL, saved mode
// INSTALL) or, declined, back to the tail of the item list. No requester
// when nothing was collected.
DependencyOutcome CollectInstallDependencies(ApplicationItem& item, ItemList& queue,
                                             ItemList& itemList, Frontend& frontend);

// Collects the installed or outdated items that name this one in their
// dependencies (and, in turn, theirs), asks with message 371 and moves them
// to the queue (mode OP_UNINSTALL, saved mode IGNORE) or back.
DependencyOutcome CollectUninstallDependencies(ApplicationItem& item, ItemList& queue,
                                               ItemList& itemList, Frontend& frontend);

}  // namespace stovan
