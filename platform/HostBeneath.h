#pragma once
// Host calls that can never leave a root folder (a volume's host folder).
// Every path is a relative host path ("Apps/MyApp/file", names joined by
// "/") resolved from a descriptor of the root: symbolic links inside are
// followed only while they stay below the root, and a change (create,
// remove, rename) acts on the last name through the descriptor of the
// drawer that holds it. A drawer swapped for a link between a check and the
// use therefore cannot send a write outside the root: the kernel's
// openat2(RESOLVE_BENEATH) refuses such a step, and where the kernel lacks
// openat2 a walk of openat(O_NOFOLLOW) calls, one name at a time, resolves
// each link itself and keeps its own drawer stack for "..".
//
// Errors: ERROR_IS_SOFT_LINK when a link leads out of the root (or is
// absolute), ERROR_TOO_MANY_LEVELS for link loops or walks deeper than
// kMaxBeneathDepth, the usual errno table otherwise.

#include <ctime>
#include <string>
#include <string_view>

#include "platform/DosErrors.h"
#include "platform/Expected.h"
#include "platform/HostFiles.h"

namespace amiga {

// Drawers deeper than this below a root are refused by every walk (a
// recursive delete included), so that a walk always ends.
inline constexpr int kMaxBeneathDepth = 128;

// An owned host descriptor, closed by the destructor.
class HostDescriptor {
  public:
    HostDescriptor() = default;
    explicit HostDescriptor(int descriptor) : descriptor_(descriptor) {}
    ~HostDescriptor();
    HostDescriptor(HostDescriptor&& other) noexcept : descriptor_(other.Release()) {}
    HostDescriptor& operator=(HostDescriptor&& other) noexcept;
    HostDescriptor(const HostDescriptor&) = delete;
    HostDescriptor& operator=(const HostDescriptor&) = delete;

    int get() const { return descriptor_; }
    int Release() {
        const int descriptor = descriptor_;
        descriptor_ = -1;
        return descriptor;
    }

  private:
    int descriptor_ = -1;
};

// Opens what relative names below root with open(2) flags (O_CLOEXEC is
// added). A link in the last name is followed (below the root) unless
// flags hold O_NOFOLLOW. "" names the root itself.
Expected<HostDescriptor, DosError> HostOpenBeneath(const std::string& root,
                                                   std::string_view relative, int flags,
                                                   int permissions = 0644);

// A file for reading or writing, as HostFile::Open, below root.
Expected<HostFile, DosError> HostOpenFileBeneath(const std::string& root, std::string_view relative,
                                                 HostFile::Mode mode, bool append = false);

// lstat() of the last name (a link is described, not followed).
Expected<HostStat, DosError> HostLstatBeneath(const std::string& root, std::string_view relative);

DosStatus HostMakeDirectoryBeneath(const std::string& root, std::string_view relative);
// Removes a file, a link (never what it points to) or an empty drawer.
DosStatus HostRemoveBeneath(const std::string& root, std::string_view relative);
// Removes a file, a link or a drawer with everything in it; links inside are
// removed, never entered. ERROR_TOO_MANY_LEVELS below kMaxBeneathDepth.
DosStatus HostRemoveTreeBeneath(const std::string& root, std::string_view relative);
// Renames inside one root; with noReplace an existing other object at `to`
// fails with ERROR_OBJECT_EXISTS, decided by the kernel in the same step
// (a change of case of one object is allowed).
DosStatus HostRenameBeneath(const std::string& root, std::string_view from, std::string_view to,
                            bool noReplace);
// HostWriteFileAtomic below root: a temporary name in the same drawer,
// renamed over the last name.
DosStatus HostWriteFileAtomicBeneath(const std::string& root, std::string_view relative,
                                     std::string_view data);
// Copies a file's content from anywhere readable (a host path) to a new
// file below root (replacing it) through a temporary name.
DosStatus HostCopyFileBeneath(HostFile& source, const std::string& root, std::string_view relative);
DosStatus HostSetModifiedBeneath(const std::string& root, std::string_view relative,
                                 std::time_t seconds, long nanoseconds);
// A symbolic link holding target (written as given).
DosStatus HostMakeLinkBeneath(const std::string& root, std::string_view relative,
                              std::string_view target);
// The text of a link; ERROR_OBJECT_WRONG_TYPE when it is no link.
Expected<std::string, DosError> HostReadLinkBeneath(const std::string& root,
                                                    std::string_view relative);

// For tests: resolve with the openat() walk even where openat2() exists.
void HostUseBeneathFallback(bool fallback);

}  // namespace amiga
