#pragma once
// Listing an archive's entries ("l"), in any format the readers know.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "archive/ArchiveTypes.h"

namespace stovan::archive {

struct ArchiveEntryInfo {
    std::string name;  // '/'-separated; drawers end with '/'
    bool isDir = false;
    bool isLink = false;
    std::uint64_t size = 0;
    std::uint64_t packedSize = 0;
    std::string method;  // "-lh5-" for LhA, "" where the format does not say
    ArchiveMetadata metadata;
};

Expected<std::vector<ArchiveEntryInfo>, ArchiveError> ListArchive(
    const std::string& archiveHostPath);

// The "l" listing: size, packed size, ratio, date, time and name per entry,
// file comments on a line of their own after ": ", and a total line.
void PrintArchiveListing(const std::vector<ArchiveEntryInfo>& entries, std::ostream& out);

}  // namespace stovan::archive
