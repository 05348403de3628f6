#pragma once
// What the processing queue decided for one item, carried out: obtain the
// archive, write and run the install script, or write and run the
// uninstall script, then tidy up. Backups are part of the scripts (the
// {STANDARDBACKUP} template). Also the clean-up of the temporary drawers,
// the changelog display, the refresh of related items' versions, and what
// happens when Stovan installs itself or one of its database packages.

#include <string_view>

#include "core/Status.h"
#include "database/Item.h"
#include "engine/Processing.h"

namespace stovan {

// The return code from which an install script counts as failed.
inline constexpr std::int32_t kScriptFailure = 10;

// True for the item of Stovan itself (type STOVAN, name "Stovan").
bool IsStovanProgram(const ApplicationItem& item);

// Carries out the operation flags' work for the item. Installation
// (OPF_ARCHIVE, OPF_FETCH, OPF_UPDATE, OPF_INSTALL, OPF_REPAIR): obtain the
// archive, then for the install kinds prune old archives (never the one
// just obtained), write "{TEMPDIR}{NAME}.bat" and the text files with
// URLARCHIVE naming the local archive, run it, and delete the archive
// unless KEEP_ARCHIVES is set; a pure download keeps its archive.
// Uninstallation (OPF_UNINSTALL): the warning of message 366 for
// UNINSTALL_WARN items, then the uninstall script. Stovan's own item raises
// the relaunch and a database package the reload only when its script
// ended below 10; a failed self-update is logged and the run goes on.
// 0 also when a script failed or was aborted (shown in a requester); the
// download's or the script writer's failure otherwise (315, 329, 339, 340,
// a transfer error), which stops the run.
Status PerformOperation(ProcessContext& context, ApplicationItem& item, std::uint32_t opFlags);

// Removes the temporary drawers: "{TEMPDIR}"'s "StovanTemp" drawer with
// everything in it (a new scratch number when something resisted) and
// "{DOWNLOADDIR}StovanTemp". Links inside are removed, never followed.
void CleanTemporary(Engine& engine);

// With SHOW_CHANGELOG: the item's changelog in the user's language (the
// first whose expanded path exists, else the English one) is opened with
// "multiview <path>" without waiting.
void ShowChangelog(ProcessContext& context, const ApplicationItem& item);

// Refreshes the item's versions, then those of the item whose drawer it
// follows (its INSTALLDIR names it), of its duplicate entries and of the
// items that follow its drawer. Stops at the first failure and returns it.
Status UpdateRelatedVersions(ProcessContext& context, ApplicationItem& item, CheckMode mode);

}  // namespace stovan
