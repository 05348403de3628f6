#pragma once
// The processing queue: turns the items' modes into operations. Automatic
// modes (IGNORE, NOTIFY, DOWNLOAD, INSTALL) say what a run does with an
// item whenever its state allows it; the one-shot modes (OP_INSTALL,
// OP_UNINSTALL, OP_DOWNLOAD, OP_REPAIR) are set for one run by an entry
// point, which keeps the old mode in savedMode. ProcessItems queues the
// items that have something to do (Stovan's own items first, dependencies
// before the items that need them), asks as the preferences say, and runs
// PerformOperation for each in turn.

#include <cstdint>

#include "core/Status.h"
#include "database/Item.h"
#include "engine/Processing.h"

namespace stovan {

enum class ProcessScope : std::uint32_t {
    All = 0,           // every item of the list
    One = 1,           // only the given item
    Stovan = 2,        // only items of type STOVAN
    OtherVersion = 3,  // only the given item, with a version the user chose
};

// The fixed table by (state, mode), less what the item's scripts cannot do
// (no INSTALL block: not 0x004 and 0x200; no UNINSTALL block: not 0x010 and
// 0x400). The low seven bits are processing's ACT_* bits; the others are
// read by the user interface.
std::uint32_t AvailableActions(const ApplicationItem& item);
// The same for the item as if it were in `mode`.
std::uint32_t AvailableActions(const ApplicationItem& item, ItemMode mode);

enum class Answer : int { Abort = 0, Go = 1, All = 2, Skip = 3 };

// Adds the operation flags of the item's mode to opFlags when the action
// that mode needs is available (else Skip), and asks the mode's question
// when askMask holds its preference bit (for Stovan's own items and
// database packages also ASK_STOVAN_UPDATE or ASK_DATABASE_UPDATE for
// update and repair). OPF_SINGLE in opFlags picks the two-button form. An
// "A_ll" answer takes the bit out of askMask for the rest of the run.
Answer ConfirmOperation(ProcessContext& context, ApplicationItem& item, std::uint32_t& opFlags,
                        std::uint32_t& askMask);

// What one run did, for a front end's summary.
struct ProcessOutcome {
    Status result;                // the failure that stopped the run, else Ok
    std::uint32_t queued = 0;     // items in the run
    std::uint32_t performed = 0;  // items whose operation ran (answered Go or All)
    std::uint32_t skipped = 0;    // items answered Skip or Abort, or left unqueued
    bool stoppedEarly = false;    // the run ended before its last item
};

// One processing run (scope One and OtherVersion look only at `item`).
// Every item is refreshed (System check) before its operation and its
// related items after it. The run stops after a failure of an operation
// (a download that failed or was aborted), after a single-item run's item,
// and once a relaunch is pending. Whatever the end, every item whose
// one-shot mode the run or its entry point set gets its saved mode back
// (after an operation that ran, OP_INSTALL and OP_REPAIR become INSTALL
// and OP_UNINSTALL becomes IGNORE), so nothing is left in a one-shot mode.
// Logs "Processing Done." and a separator, cleans the temporary drawers,
// and reloads the databases when a database package was installed and no
// relaunch is pending.
ProcessOutcome ProcessItems(ProcessContext& context, ProcessScope scope,
                            ApplicationItem* item = nullptr);

// An entry point's one-shot request: keeps the item's mode in savedMode
// (unless already kept) and sets the one-shot mode.
void SetOneShotMode(ApplicationItem& item, ItemMode mode);

}  // namespace stovan
