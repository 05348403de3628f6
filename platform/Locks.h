#pragma once
// Locks: an Amiga path resolved against the volumes and assigns of a
// DosList to one existing object on a host folder. Look-ups ignore case
// and keep the case on disk (exact name first, then a scan of the drawer);
// no path can leave its volume's host folder ("/" above the root fails with
// ERROR_OBJECT_NOT_FOUND, a symbolic link leading outside with
// ERROR_IS_SOFT_LINK, "." / ".." / NUL / ".uaem" names with
// ERROR_INVALID_COMPONENT_NAME). There is no global current drawer: a
// relative path is taken relative to the drawer lock the caller passes
// (the boot volume's root when none is passed).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DosErrors.h"
#include "platform/Expected.h"
#include "platform/Volumes.h"

namespace amiga {

class FileLock {
  public:
    std::size_t volume = 0;          // index into DosList::volumes()
    std::vector<std::string> names;  // on-disk names below the volume root
    std::string hostPath;            // the host path of the object
    std::string volumeRoot;          // the volume's host folder, links resolved
    bool drawer = false;
    // The object is a soft link itself (only from LockNoFollow): drawer is
    // false and device/inode describe the link, not what it points to.
    bool link = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

// Whether the object a path names must exist.
enum class LockMode {
    Existing,  // every name must exist
    // every name but the last must exist; the last may be missing (for
    // creating it). Multi-directory assigns then use their first directory.
    Create,
};

// A resolved path for creation: the drawer that holds the object and the
// object's name (its on-disk spelling when it exists).
struct NewObject {
    FileLock parent;
    std::string name;
    bool exists = false;
    std::string hostPath() const { return parent.hostPath + "/" + name; }
};

// dos.library Lock(): the existing object a path names. Multi-directory
// assigns are tried in order while the error is ERROR_OBJECT_NOT_FOUND.
// NIL: and unknown devices give ERROR_DEVICE_NOT_MOUNTED; a volume whose
// host folder is missing gives ERROR_DEVICE_NOT_MOUNTED too.
Expected<FileLock, DosError> Lock(const DosList& dos, std::string_view path,
                                  const FileLock* drawer = nullptr);

// Lock() that takes a soft link in the last name as the object itself, the
// way a drawer listing shows it (ST_SOFTLINK): deleting, renaming or
// examining the link never touches what it points to, and a link leading
// outside the volume or nowhere can still be named (and removed). Links in
// the names before the last are followed as Lock() does.
Expected<FileLock, DosError> LockNoFollow(const DosList& dos, std::string_view path,
                                          const FileLock* drawer = nullptr);

// The names of a lock below its volume root joined by "/" ("" for a root):
// the relative host path the host layer resolves below volumeRoot.
std::string RelativePath(const FileLock& lock);

// Resolves a path whose last name may be missing. A path naming a volume
// root or ending in a parent step fails with ERROR_OBJECT_EXISTS (it always
// exists and cannot be created); ERROR_OBJECT_WRONG_TYPE when the holder
// is a file.
Expected<NewObject, DosError> LockForCreate(const DosList& dos, std::string_view path,
                                            const FileLock* drawer = nullptr);

// The lock of the drawer holding lock; ERROR_OBJECT_NOT_FOUND at a root.
Expected<FileLock, DosError> ParentDir(const DosList& dos, const FileLock& lock);

// dos.library NameFromLock(): "Volume:Drawer/Name" with the on-disk case
// ("Work:" for a root).
std::string NameFromLock(const DosList& dos, const FileLock& lock);

// dos.library SameLock(): true when both locks are the same host object
// (device and inode).
bool SameLock(const FileLock& a, const FileLock& b);

// The on-disk name of "name" in a host folder: the exact name when it
// exists, else the first entry equal to it without regard to case (sidecars
// skipped). "" when there is none.
Expected<std::string, DosError> FindNameInFolder(const std::string& folder, std::string_view name);

}  // namespace amiga
