#pragma once
// What the volume information tells of the file system under a host path:
// whether it is one of the old kinds that cannot keep long names or the
// full protection bits (on AmigaOS the DOS\0 to DOS\5 and MSD\0 disks and
// NTFS; on a Linux host the FAT family and NTFS).

#include <string>

namespace amiga {

// True when the file system holding the existing host object at hostPath
// is of a limited kind; false for every other kind and when it cannot be
// asked.
bool OnLimitedFileSystem(const std::string& hostPath);

}  // namespace amiga
