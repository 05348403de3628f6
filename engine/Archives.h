#pragma once
// Archive files in the download drawer: an application's archive is kept
// under a name that carries its version ("Foo_v1.09.lha"), so that a later
// install or repair of the same version needs no download, and the number
// of old archives per application can be limited. Backups are named by
// {BACKUPNAME} (scripts/Placeholders.h) and never pruned.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Status.h"
#include "database/Engine.h"
#include "database/Item.h"
#include "engine/Processing.h"
#include "version/Version.h"

namespace stovan {

// The drawer downloads are received in, under the download drawer; it goes
// away with everything in it after each download.
inline constexpr std::string_view kDownloadTempDrawer = "StovanTemp";

struct ArchiveEntry {
    std::string path;  // the full Amiga path of the file
    VersionTriple triple;
    std::string label;  // "V1.9" or "V1.9.3"
};

struct ArchiveList {
    const ApplicationItem* item = nullptr;
    std::vector<ArchiveEntry> entries;  // highest version first
};

// "V%ld.%ld" for build 0, else "V%ld.%ld.%ld".
std::string ArchiveLabel(const VersionTriple& triple);

// The version an archive's file name carries after "<name>_v": decimal
// version "." decimal revision, optionally "." decimal build (else 0), then
// anything that is not a digit. None when the name does not start with the
// item's name and "_v" (without regard to case) or gives no version and
// revision ("Foo_vbeta.lha").
std::optional<VersionTriple> ArchiveVersionFromName(std::string_view fileName,
                                                    std::string_view itemName);

// The file name (without drawer) an archive of the item's server version is
// kept under, with the extension taken from downloadedName:
// "{NAME}_v{VERSION}.{0REVISION}[.{0BUILD}]{EXTENSION}", or
// "{NAME}{EXTENSION}" when the server version is unknown. 329 when the name
// cannot be expanded.
Result<std::string> ArchiveFileName(Engine& engine, ApplicationItem& item,
                                    std::string_view downloadedName);

// Leaves the full path of a local archive of the item's server version in
// `path`: a file in the download drawer whose name carries exactly that
// version (unless the item has FORCE_DOWNLOAD or the version is unknown),
// else the archive fetched from the item's expanded URLARCHIVE and renamed
// to ArchiveFileName. A file of that name is replaced only once the new one
// is in place. 0; 329; 339 when the download drawer cannot be made or
// entered; 340 when the downloaded file cannot be given its name; the
// fetch's own failure (315 when aborted).
Status ObtainArchive(ProcessContext& context, ApplicationItem& item, std::string& path);

// The item's archives in the download drawer, highest version first; none
// for items of type STOVAN and when there are none.
std::optional<ArchiveList> CollectArchives(Engine& engine, const ApplicationItem& item);

// Keeps the first `keep` entries and removes the rest from the list, with
// deleteFiles also deleting their files (failures are ignored). The entry
// whose path is `protectedPath` (without regard to case) is always kept and
// counts as one of the kept.
void DeleteSurplus(const Engine& engine, ArchiveList& list, std::size_t keep, bool deleteFiles,
                   std::string_view protectedPath = {});

// Deletes the item's archives beyond the `keep` highest versions, never
// protectedPath (the archive about to be installed); nothing for keep 0.
void PruneArchives(Engine& engine, const ApplicationItem& item, std::size_t keep,
                   std::string_view protectedPath = {});

}  // namespace stovan
