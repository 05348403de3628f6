#pragma once
// Telling an archive's format by its first bytes, never by its name.

#include <string>

#include "archive/ArchiveTypes.h"

namespace stovan::archive {

enum class ArchiveFormat { Unknown, Lha, Zip, Tar };

// Looks at the first bytes: LhA header at the start or within the first
// 64 KiB (an Amiga self-extracting program), ZIP, tar, or tar compressed with
// gzip, bzip2 or xz (reported as Tar). NotFound/ReadFailed when unreadable.
Expected<ArchiveFormat, ArchiveError> DetectArchiveFormat(const std::string& archiveHostPath);

}  // namespace stovan::archive
