#pragma once
// The only code of the host layer that makes host system calls. Every
// function takes host paths (already resolved and checked by the caller)
// and turns errno into an AmigaDOS error through DosErrorFromErrno.

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DosErrors.h"
#include "platform/Expected.h"

namespace amiga {

enum class HostType { Missing, File, Directory, SymbolicLink, Other };

struct HostStat {
    HostType type = HostType::Missing;
    std::uint64_t size = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::time_t modified = 0;  // seconds since 1970, UTC
    long modifiedNanoseconds = 0;
};

// lstat(): a missing path is HostType::Missing, not an error.
Expected<HostStat, DosError> HostLstat(const std::string& path);
// stat(): follows symbolic links; a dangling link is HostType::Missing.
Expected<HostStat, DosError> HostStatFollow(const std::string& path);
// realpath(): the path with every link and "." / ".." resolved.
Expected<std::string, DosError> HostRealPath(const std::string& path);
// True when path is folder itself or lies inside it (both already real paths).
bool HostPathIsInside(std::string_view path, std::string_view folder);

// The names in a directory (without "." and ".."), in the order the host
// returns them.
Expected<std::vector<std::string>, DosError> HostListDirectory(const std::string& path);

// The first name in a directory that accept() takes, read straight from the
// directory without collecting the others; "" when none.
Expected<std::string, DosError> HostFindInDirectory(
    const std::string& path, const std::function<bool(std::string_view)>& accept);

// The whole content of a file; ERROR_OBJECT_TOO_LARGE beyond maxSize bytes.
// With regularOnly anything but a plain file (a FIFO, a device) is
// ERROR_OBJECT_WRONG_TYPE, found without waiting for a FIFO's writer.
Expected<std::string, DosError> HostReadFile(const std::string& path, std::size_t maxSize,
                                             bool regularOnly = false);
// Writes data to a temporary file beside path, flushes it and renames it
// over path, so that readers see the old or the new content, never a part.
DosStatus HostWriteFileAtomic(const std::string& path, std::string_view data);

DosStatus HostMakeDirectory(const std::string& path);
DosStatus HostRemoveFile(const std::string& path);
DosStatus HostRemoveDirectory(const std::string& path);
// rename(); with noReplace the call fails with ERROR_OBJECT_EXISTS instead
// of replacing an existing target (except when both are the same object,
// which lets a name change only its case).
DosStatus HostRename(const std::string& from, const std::string& to, bool noReplace);
DosStatus HostSetModified(const std::string& path, std::time_t seconds, long nanoseconds);
// Lets everyone read and run the file, only its owner write it (0755): a
// host program put in place by copying.
DosStatus HostSetExecutable(const std::string& path);
// Copies a regular file's content to a new file (replacing it) through a
// temporary name.
DosStatus HostCopyFile(const std::string& from, const std::string& to);

// An open host file descriptor, closed by the destructor.
class HostFile {
  public:
    enum class Mode { Read, Write, ReadWrite };
    HostFile() = default;
    ~HostFile();
    HostFile(HostFile&& other) noexcept;
    HostFile& operator=(HostFile&& other) noexcept;
    HostFile(const HostFile&) = delete;
    HostFile& operator=(const HostFile&) = delete;

    // Read: existing file; Write: created or truncated; ReadWrite: created
    // when missing, kept otherwise, positioned at the start.
    static Expected<HostFile, DosError> Open(const std::string& path, Mode mode);
    // Takes over an open descriptor (closed by this object from now on).
    static HostFile FromDescriptor(int descriptor);

    bool isOpen() const { return descriptor_ >= 0; }
    // Bytes read (0 at the end of the file).
    Expected<std::size_t, DosError> Read(char* buffer, std::size_t length);
    DosStatus Write(std::string_view data);
    // whence: SEEK_SET, SEEK_CUR or SEEK_END; returns the new position.
    Expected<std::int64_t, DosError> Seek(std::int64_t offset, int whence);
    // Closes the file, reporting a failure of the final write-back.
    DosStatus Close();
    // Gives the descriptor away (the caller closes it); -1 when closed.
    int Release();

  private:
    int descriptor_ = -1;
};

// While a SyncBatch lives on a thread, the atomic writes of that thread
// (HostWriteFileAtomic and the ones below a root) skip their own fsync and
// note the file system they wrote to; Finish() (or the destructor) then
// syncs each of those file systems once. A bulk writer (an extraction
// writing thousands of ".uaem" sidecars) pays one sync instead of one per
// file; a crash before Finish() can lose the batch's newest files but
// never leaves a half-written file under a final name on a journalling
// file system that orders data before renames (ext4, xfs, btrfs).
class SyncBatch {
  public:
    SyncBatch();
    ~SyncBatch();
    SyncBatch(const SyncBatch&) = delete;
    SyncBatch& operator=(const SyncBatch&) = delete;
    // Syncs what the batch wrote; the first failure is returned.
    DosStatus Finish();
    // True when an atomic write on this thread belongs to a batch.
    static bool Active();
    // Notes the file system of an open descriptor for the final sync.
    static void Note(int descriptor);

  private:
    SyncBatch* outer_ = nullptr;
    std::vector<int> fileSystems_;  // one open descriptor per file system
    std::vector<std::uint64_t> devices_;
};

// Syncs a written descriptor: fsync now, or noted for the running batch.
DosStatus HostSyncWritten(int descriptor);

// The value of a host environment variable, "" when unset.
std::string HostEnvironment(const char* name);

}  // namespace amiga
