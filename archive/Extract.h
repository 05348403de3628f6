#pragma once
// Reading archives: LhA (every header level and method, through liblhasa,
// self-extracting Amiga archives included) and ZIP and tar (plain, gzip,
// bzip2, xz; through libarchive). The format is told by the file's first
// bytes, never by its name.
//
// Extraction never writes outside the target drawer: entries with absolute
// names, ".." components, device or volume names ("SYS:foo", "C:"), and
// links that point outside are refused, and no path is followed through a
// symbolic link already on disk. Limits on the total size and the number of
// entries stop archives that unpack to far more than they hold.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveTypes.h"
#include "platform/Expected.h"

namespace stovan::archive {

enum class OverwriteMode {
    Replace,  // an existing file is replaced (new data written first, then renamed over it)
    Skip,     // an existing file is kept and the entry skipped
    Fail,     // an existing file stops the extraction with Kind::Exists
};

inline constexpr std::uint64_t kDefaultMaxTotalBytes = std::uint64_t{2} << 30;  // 2 GiB
inline constexpr std::uint64_t kDefaultMaxEntries = 100000;

struct ExtractOptions {
    bool flat = false;  // "e": every file straight into the target drawer, no drawers
    OverwriteMode overwrite = OverwriteMode::Replace;
    bool quiet = false;  // no line per entry on the output stream
    // Which entries to take, by their name in the archive ('/'-separated);
    // empty takes all. The shell passes its AmigaDOS pattern matcher here.
    std::function<bool(const std::string& entryName)> select;
    // Stop (Kind::LimitExceeded) before writing more than this many bytes or
    // creating more than this many entries. 0 means no limit.
    std::uint64_t maxTotalBytes = kDefaultMaxTotalBytes;
    std::uint64_t maxEntries = kDefaultMaxEntries;
    // The host folder of the volume holding the target drawer, or "". When
    // set (and the target lies below it) the target is opened relative to
    // that folder by the host layer, so a drawer on the way swapped for a
    // link while the extraction starts cannot send it outside the volume.
    std::string containingRoot;
};

struct ExtractSummary {
    std::uint64_t files = 0;
    std::uint64_t drawers = 0;
    std::uint64_t links = 0;
    std::uint64_t skipped = 0;  // not selected, existing (Skip), or of a kind not extracted
    std::uint64_t bytes = 0;
};

// Unpacks the archive into targetHostDir (created when missing). Every
// created file and drawer gets the archive's date as host modification time
// and, through sink (may be null), its Amiga metadata. One line per entry
// goes to out unless quiet. On failure the files already extracted stay; a
// file being written when the error came is removed.
Expected<ExtractSummary, ArchiveError> ExtractArchive(const std::string& archiveHostPath,
                                                      const std::string& targetHostDir,
                                                      const ExtractOptions& options,
                                                      MetadataSink* sink, std::ostream& out);

// Decodes every selected entry and checks its CRC without writing anything
// ("t"). Limits do not apply.
Expected<ExtractSummary, ArchiveError> TestArchive(const std::string& archiveHostPath,
                                                   const ExtractOptions& options,
                                                   std::ostream& out);

}  // namespace stovan::archive
