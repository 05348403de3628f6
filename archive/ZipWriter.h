#pragma once
// Creating ZIP archives with libarchive (deflate), from the same inputs the
// LhA writer takes: files and drawers with their names in the archive. The
// archive is written under a temporary name beside its place and renamed
// into place, so a failure leaves nothing half-written behind.

#include <string>
#include <vector>

#include "archive/ArchiveTypes.h"
#include "archive/LhaWriter.h"

namespace stovan::archive {

// Writes every input in order (drawers as entries of their own, files with
// their data and host modification time). Protection bits and comments are
// not kept: ZIP archives on Amiga systems carry neither.
Expected<std::uint64_t, ArchiveError> CreateZipArchive(const std::string& archiveHostPath,
                                                       const std::vector<LhaInput>& inputs);

}  // namespace stovan::archive
