#pragma once
// Creating and adding to LhA archives ("LhA a"): level-1 headers with OS id
// 'A' as Amiga LhA writes them, so protection bits and file comments travel
// with the files, and -lh5- data from our own compressor (-lh0- where
// compressing would not make the file smaller).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveTypes.h"
#include "archive/Lh5Encoder.h"
#include "platform/Expected.h"

namespace stovan::archive {

struct LhaInput {
    std::string hostPath;     // the file or drawer to read
    std::string archiveName;  // its name in the archive, '/'-separated
    std::uint32_t protection = 0;
    std::string comment;
    std::optional<DateStamp> date;  // none: the host modification time
    bool isDir = false;
};

struct LhaWriteOptions {
    // Keep the entries of an existing archive that no input replaces (the
    // "a" command adds to an archive); false starts a new archive.
    bool addToExisting = true;
    bool compress = true;  // false stores everything as -lh0-
    Lh5Options lh5;
};

struct LhaWriteSummary {
    std::uint64_t entriesWritten = 0;  // new entries
    std::uint64_t entriesKept = 0;     // copied from the existing archive
    std::uint64_t originalBytes = 0;
    std::uint64_t packedBytes = 0;
};

// Writes the archive under a temporary name beside it and renames it into
// place, so a failure leaves the old archive (or none) untouched. Inputs
// whose archive names match an existing entry (without regard to case)
// replace it. Files of 4 GiB or more are refused (level-1 sizes are 32-bit).
Expected<LhaWriteSummary, ArchiveError> CreateLhaArchive(const std::string& archiveHostPath,
                                                         const std::vector<LhaInput>& inputs,
                                                         const LhaWriteOptions& options = {});

struct CollectOptions {
    bool recursive = false;     // -r: descend into drawers
    bool emptyDrawers = false;  // -e: store drawers as entries of their own
    // Host names inside drawers that are not content (the host layer's
    // sidecar files); null takes every name.
    std::function<bool(const std::string& hostName)> skipName;
};

// The inputs for "LhA a" with names relative to baseHostDir (the current
// drawer): a file stands for itself; a drawer for the files in it (and with
// recursive, everything below, in name order). With emptyDrawers every
// drawer met gets an entry of its own (-lhd-), so empty drawers and the
// metadata of drawers survive. Host symbolic links and special files are
// left out; so is the file at skipHostPath (the archive being written).
// Metadata comes from source when given, else default protection and the
// host modification time.
Expected<std::vector<LhaInput>, ArchiveError> CollectLhaInputs(
    const std::string& baseHostDir, const std::vector<std::string>& names,
    const CollectOptions& options, MetadataSource* source, const std::string& skipHostPath = {});

}  // namespace stovan::archive
