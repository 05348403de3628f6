#pragma once
// What the front ends share around a processing run started for one item
// or for all: the one-shot mode of a request, why an item's state does not
// allow it, the Quick check of items never checked on this root, the
// offered version of the item asked for, and the run's outcome as an exit
// code.

#include <optional>
#include <string>
#include <string_view>

#include "engine/Processing.h"
#include "engine/Queue.h"

namespace stovan {

enum class OperationRequest { Install, Update, Repair, Uninstall, Download };

// "install", "update", "repair", "uninstall", "download".
std::string_view RequestWord(OperationRequest request);
// The mode an entry point sets: OP_INSTALL, INSTALL ("Update"),
// OP_REPAIR, OP_UNINSTALL, OP_DOWNLOAD.
ItemMode RequestMode(OperationRequest request);
// The ACT_* bit the request's mode needs.
std::uint32_t NeededAction(ItemMode mode);

// Why the item cannot be processed in `mode` ("'Foo' is up to date"), or
// none when its state allows it. Texts for the user, in ISO-8859-1.
std::optional<std::string> RefusalReason(const ApplicationItem& item, ItemMode mode);

// The Quick check of every item whose state is still UNKNOWN (the launch
// step would have given them one), so a fresh root knows what is installed
// before a run. Returns 315 when aborted.
Status QuickCheckUnknown(ProcessContext& context);

// The server step for an item the user asked to process whose offered
// version is not known yet (whatever its automatic mode), so that an update
// finds the item outdated and an install fetches the offered archive. 0, 315
// when aborted, or the failure of the fetch (already logged).
Status LearnOfferedVersion(ProcessContext& context, ApplicationItem& item);

// After a run for a version the user chose (scope OtherVersion): gives the
// item the offered version back and, since its state was judged against the
// chosen one, judges it again (an installed older version is OUTDATED).
void RestoreOfferedVersion(ApplicationItem& item, const VersionTriple& offered);

// 0 done; 5 something skipped or declined; 10 a script failed; 20 the run
// stopped on a failure (an abort included).
int ExitCodeFor(const ProcessOutcome& outcome, const ProcessContext& context);

struct RequestOutcome {
    int exitCode = 0;     // as ExitCodeFor; 5 when refused
    std::string refusal;  // why the item's state does not allow the request
    Status result;        // the failure that stopped the run, else Ok
};

// One request for one item, as a button or `stovan install|update|...`
// makes it: with `chosen`, for that version instead of the offered one (the
// offered version comes back afterwards). A request the item's state does
// not allow is refused (nothing runs); otherwise the item's one-shot mode
// is set and its processing run made. The item may be made anew by a
// reload during the run (a database package), so it is not used after.
RequestOutcome RunRequest(ProcessContext& context, ApplicationItem& item, OperationRequest request,
                          std::optional<VersionTriple> chosen = std::nullopt);

}  // namespace stovan
