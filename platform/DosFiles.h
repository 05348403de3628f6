#pragma once
// Files and drawers by Amiga path: examining, listing, creating, deleting,
// renaming and copying them, their dates, comments and protection bits
// (kept in ".uaem" sidecars, see Uaem.h), and reading and writing their
// content. Every path is resolved with Locks.h, so the same safety rules
// hold: nothing outside a volume's host folder is ever reached.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DateStamp.h"
#include "platform/DosErrors.h"
#include "platform/Expected.h"
#include "platform/HostFiles.h"
#include "platform/Locks.h"
#include "platform/Uaem.h"

namespace amiga {

// What Examine() learns (the FileInfoBlock fields that matter).
struct FileInfo {
    std::string name;  // on-disk name; the volume name for a root
    bool drawer = false;
    bool link = false;  // a soft link itself (a lock from LockNoFollow)
    std::uint64_t size = 0;
    DateStamp date;
    std::uint32_t protection = kDefaultProtection;
    std::string comment;
};

// Type, size, date (host modification time as a local DateStamp),
// protection and comment (from the sidecar) of a locked object.
Expected<FileInfo, DosError> Examine(const FileLock& lock);
Expected<FileInfo, DosError> Examine(const DosList& dos, std::string_view path,
                                     const FileLock* drawer = nullptr);

struct DrawerEntry {
    std::string name;
    bool drawer = false;
    // A soft link (ST_SOFTLINK): listed wherever it leads, never a drawer to
    // enter; a walk over drawers that skips links always ends.
    bool link = false;
};

// The entries of a drawer, sorted by byte value as FS-UAE lists them.
// Hidden: ".uaem" sidecars, "_UAEFSDB.___", "Thumbs.db", ".DS_Store",
// "UAEFS.ini" (any case), names no Amiga path can reach (holding ":" or
// failing IsValidName) and temporary files of atomic writes in progress.
// Soft links are listed with link set (and drawer false).
Expected<std::vector<DrawerEntry>, DosError> ListDrawer(const FileLock& drawer);

// dos.library CreateDir(): makes one drawer (its parent must exist).
// ERROR_OBJECT_EXISTS when the name is taken.
Expected<FileLock, DosError> CreateDir(const DosList& dos, std::string_view path,
                                       const FileLock* drawer = nullptr);

// Called for every drawer CreateDrawerPath creates (with its Amiga path), so
// that the icon module can give it a default drawer icon.
using DrawerCreatedHook = std::function<void(const DosList& dos, const std::string& path)>;
// Creates every missing drawer along path, from the first name to the last;
// drawers that exist are left alone. Fails (ERROR_OBJECT_WRONG_TYPE) when a
// file stands where a drawer is needed.
DosStatus CreateDrawerPath(const DosList& dos, std::string_view path,
                           const DrawerCreatedHook& onCreated = {},
                           const FileLock* drawer = nullptr);

// dos.library DeleteFile(): one file, soft link (the link itself, never
// what it points to) or empty drawer, with its sidecar.
// ERROR_DIRECTORY_NOT_EMPTY for a drawer with entries (sidecars of vanished
// files do not count), ERROR_DELETE_PROTECTED when the d bit is cleared,
// ERROR_OBJECT_WRONG_TYPE for a volume root.
DosStatus DeleteFile(const DosList& dos, std::string_view path, const FileLock* drawer = nullptr);
// Deletes a file or a drawer with everything in it (protection ignored, as
// "Delete ALL FORCE"); links inside are removed, never followed, and a
// link named by path is removed itself. ERROR_TOO_MANY_LEVELS for trees
// deeper than kMaxBeneathDepth.
DosStatus DeleteAll(const DosList& dos, std::string_view path, const FileLock* drawer = nullptr);

// Removes what atomic writes of the file `name` in `drawer` left behind
// when their process was killed ("<name>.<16 hex digits>.tmp"). Only for a
// caller that holds the lock every writer of that file takes, since a
// write in progress has such a name too. Returns how many were removed;
// a drawer that cannot be read removes none.
std::size_t RemoveTemporaryFiles(const DosList& dos, std::string_view drawer,
                                 std::string_view name);

// dos.library Rename(): moves or renames an object inside one volume; its
// sidecar moves with it (and the move is undone when the sidecar cannot
// follow). ERROR_RENAME_ACROSS_DEVICES between volumes,
// ERROR_OBJECT_EXISTS when the new name is taken by another object (a
// change of case only is allowed).
DosStatus Rename(const DosList& dos, std::string_view from, std::string_view to,
                 const FileLock* drawer = nullptr);

// Copies one file with its protection bits, comment and date (any volume
// to any volume); an existing target file is replaced.
DosStatus CopyFile(const DosList& dos, std::string_view from, std::string_view to,
                   const FileLock* drawer = nullptr);

DosStatus SetFileDate(const DosList& dos, std::string_view path, const DateStamp& date,
                      const FileLock* drawer = nullptr);
// ERROR_COMMENT_TOO_BIG beyond kMaxCommentLength characters.
DosStatus SetComment(const DosList& dos, std::string_view path, std::string_view comment,
                     const FileLock* drawer = nullptr);
DosStatus SetProtection(const DosList& dos, std::string_view path, std::uint32_t protection,
                        const FileLock* drawer = nullptr);

// dos.library MakeLink(LINK_SOFT): a soft link at path holding target, a
// host path relative to the link's drawer ("../Shared"). ERROR_IS_SOFT_LINK
// when target is absolute or climbs out of the volume; ERROR_OBJECT_EXISTS
// when path is taken.
DosStatus MakeSoftLink(const DosList& dos, std::string_view path, std::string_view target,
                       const FileLock* drawer = nullptr);
// dos.library ReadLink(): the text of the soft link path names;
// ERROR_OBJECT_WRONG_TYPE when it is no link.
Expected<std::string, DosError> ReadSoftLink(const DosList& dos, std::string_view path,
                                             const FileLock* drawer = nullptr);

// The largest file ReadFile() reads whole.
inline constexpr std::size_t kMaxWholeFileSize = std::size_t{256} << 20;

// The whole content of a file ("" for NIL:).
Expected<std::string, DosError> ReadFile(const DosList& dos, std::string_view path,
                                         const FileLock* drawer = nullptr);
// Replaces (or creates) a file in one step through a temporary name: a
// crash leaves the old content or the new, never a mix. Keeps the file's
// sidecar. ERROR_WRITE_PROTECTED when the w bit is cleared. NIL: swallows.
DosStatus WriteFile(const DosList& dos, std::string_view path, std::string_view data,
                    const FileLock* drawer = nullptr);

// dos.library Open() modes.
enum class OpenMode {
    OldFile,    // MODE_OLDFILE: existing file, read (and write)
    NewFile,    // MODE_NEWFILE: created or emptied
    ReadWrite,  // MODE_READWRITE: created when missing, kept otherwise
    Append,     // the shell's ">>": created when missing, every write at the end
};

// An open file for incremental reading or writing (Read/Write/Seek/Close),
// NIL: included (reads end at once, writes vanish). The file is opened by
// descriptor below its volume's root, so no write lands outside the volume
// even while another process swaps a drawer on the way for a link.
class FileHandle {
  public:
    static Expected<FileHandle, DosError> Open(const DosList& dos, std::string_view path,
                                               OpenMode mode, const FileLock* drawer = nullptr);
    bool isNil() const { return nil_; }
    Expected<std::size_t, DosError> Read(char* buffer, std::size_t length);
    DosStatus Write(std::string_view data);
    // Appends a line feed.
    DosStatus WriteLine(std::string_view text);
    Expected<std::int64_t, DosError> Seek(std::int64_t offset, int whence);
    // Closes the file; reports a failed write-back. Also done (silently) by
    // the destructor.
    DosStatus Close();
    // Gives the host descriptor away (the caller closes it); -1 for NIL:.
    int ReleaseDescriptor();

  private:
    HostFile file_;
    bool nil_ = false;
};

// The sidecar of a locked object (its host path plus ".uaem"); "" for a
// volume root, which has none.
std::string SidecarPath(const FileLock& lock);

}  // namespace amiga
