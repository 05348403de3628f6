#include "platform/DosFiles.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "platform/AmigaPath.h"
#include "platform/HostBeneath.h"
#include "platform/Latin1.h"

namespace amiga {
namespace {

constexpr std::size_t kMaxSidecarSize = 4096;

bool IsNil(const DosList& dos, std::string_view path) {
    const std::size_t colon = path.find(':');
    if (colon == std::string_view::npos || colon == 0) {
        return false;
    }
    auto device = dos.FindDevice(path.substr(0, colon));
    return device && device->kind == DeviceLookup::Kind::Nil;
}

DateStamp DateFromHost(std::time_t seconds, long nanoseconds) {
    DateStamp date = DateStampFromHostTime(seconds);
    if (date.days > 0 || date.minute > 0 || date.tick > 0) {
        date.tick += static_cast<std::int32_t>(nanoseconds / (1000000000L / kTicksPerSecond));
    }
    return date;
}

// The metadata of a host object: the sidecar's protection and comment, the
// host's modification time (the sidecar's date is written for FS-UAE but
// the host time is what changes when a host program edits the file). A
// soft link is described itself, not what it points to.
Expected<UaemInfo, DosError> ReadMetadata(const std::string& hostPath, const std::string& sidecar,
                                          bool link = false) {
    auto info = link ? HostLstat(hostPath) : HostStatFollow(hostPath);
    AMIGA_RETURN_IF_FAILED(info);
    if (info->type == HostType::Missing) {
        return Unexpected{ERROR_OBJECT_NOT_FOUND};
    }
    UaemInfo fallback;
    fallback.date = DateFromHost(info->modified, info->modifiedNanoseconds);
    if (sidecar.empty()) {
        return fallback;
    }
    auto text = HostReadFile(sidecar, kMaxSidecarSize);
    if (!text) {
        if (text.error() == ERROR_OBJECT_NOT_FOUND) {
            return fallback;
        }
        return Unexpected{text.error()};
    }
    UaemInfo parsed = ParseUaem(*text, fallback);
    parsed.date = fallback.date;
    return parsed;
}

bool NeedsSidecar(const UaemInfo& info) {
    return (info.protection & 0xFF) != kDefaultProtection || !info.comment.empty();
}

// The sidecar of a lock as a path below its volume root; "" for a root.
std::string SidecarRelative(const FileLock& lock) {
    if (lock.names.empty()) {
        return {};
    }
    return RelativePath(lock) + std::string(kUaemSuffix);
}

// Writes the sidecar when the metadata needs one and removes it otherwise.
DosStatus WriteMetadata(const FileLock& lock, const UaemInfo& info) {
    const std::string sidecar = SidecarRelative(lock);
    if (sidecar.empty()) {
        return ERROR_OBJECT_WRONG_TYPE;
    }
    if (NeedsSidecar(info)) {
        return HostWriteFileAtomicBeneath(lock.volumeRoot, sidecar, FormatUaem(info));
    }
    DosStatus status = HostRemoveBeneath(lock.volumeRoot, sidecar);
    if (!status && status.error() != ERROR_OBJECT_NOT_FOUND) {
        return status;
    }
    return DosStatus::Ok();
}

// Removes the sidecar of an object that is gone.
DosStatus RemoveSidecar(const FileLock& lock) {
    const std::string sidecar = SidecarRelative(lock);
    if (sidecar.empty()) {
        return DosStatus::Ok();
    }
    DosStatus status = HostRemoveBeneath(lock.volumeRoot, sidecar);
    if (!status && status.error() != ERROR_OBJECT_NOT_FOUND) {
        return status;
    }
    return DosStatus::Ok();
}

bool SidecarExists(const std::string& sidecar) {
    auto info = HostLstat(sidecar);
    return info && info->type != HostType::Missing;
}

// After the content of a file changed: a sidecar that exists gets the new
// date, so FS-UAE sees the same date as the host.
DosStatus RefreshSidecarDate(const FileLock& lock) {
    const std::string sidecar = SidecarPath(lock);
    if (sidecar.empty() || !SidecarExists(sidecar)) {
        return DosStatus::Ok();
    }
    auto info = ReadMetadata(lock.hostPath, sidecar);
    if (!info) {
        return info.error();
    }
    return WriteMetadata(lock, *info);
}

// Temporary names of HostWriteFileAtomic: "<name>.<16 hex digits>.tmp".
bool IsTemporaryName(std::string_view name) {
    if (name.size() < 22 || !name.ends_with(".tmp")) {
        return false;
    }
    const std::string_view digits = name.substr(name.size() - 20, 16);
    if (name[name.size() - 21] != '.') {
        return false;
    }
    return std::all_of(digits.begin(), digits.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool IsHiddenName(std::string_view name) {
    return IsUaemName(name) || EqualsNoCase(name, "_UAEFSDB.___") ||
           EqualsNoCase(name, "Thumbs.db") || EqualsNoCase(name, ".DS_Store") ||
           EqualsNoCase(name, "UAEFS.ini") || !IsValidName(name) || IsTemporaryName(name);
}

std::string LastName(std::string_view path) {
    auto parsed = ParsePath(path);
    if (!parsed || parsed->steps.empty() || parsed->steps.back().parent) {
        return {};
    }
    return parsed->steps.back().name;
}

FileLock ChildLock(const FileLock& parent, const std::string& name) {
    FileLock child = parent;
    child.link = false;
    child.names.push_back(name);
    child.hostPath = parent.hostPath + "/" + name;
    return child;
}

Expected<UaemInfo, DosError> MetadataOf(const FileLock& lock) {
    return ReadMetadata(lock.hostPath, SidecarPath(lock), lock.link);
}

}  // namespace

std::string SidecarPath(const FileLock& lock) {
    if (lock.names.empty()) {
        return {};
    }
    return lock.hostPath + std::string(kUaemSuffix);
}

Expected<FileInfo, DosError> Examine(const FileLock& lock) {
    auto host = lock.link ? HostLstat(lock.hostPath) : HostStatFollow(lock.hostPath);
    AMIGA_RETURN_IF_FAILED(host);
    auto meta = MetadataOf(lock);
    AMIGA_RETURN_IF_FAILED(meta);
    FileInfo info;
    info.name = lock.names.empty() ? std::string() : lock.names.back();
    info.link = lock.link;
    info.drawer = !lock.link && host->type == HostType::Directory;
    info.size = info.drawer || info.link ? 0 : host->size;
    info.date = meta->date;
    info.protection = meta->protection;
    info.comment = std::move(meta->comment);
    return info;
}

Expected<FileInfo, DosError> Examine(const DosList& dos, std::string_view path,
                                     const FileLock* drawer) {
    auto lock = Lock(dos, path, drawer);
    AMIGA_RETURN_IF_FAILED(lock);
    auto info = Examine(*lock);
    if (info && lock->names.empty()) {
        info->name = dos.volumes()[lock->volume].name;
    }
    return info;
}

Expected<std::vector<DrawerEntry>, DosError> ListDrawer(const FileLock& drawer) {
    if (!drawer.drawer) {
        return Unexpected{ERROR_OBJECT_WRONG_TYPE};
    }
    auto names = HostListDirectory(drawer.hostPath);
    AMIGA_RETURN_IF_FAILED(names);
    std::sort(names->begin(), names->end());
    std::vector<DrawerEntry> entries;
    entries.reserve(names->size());
    for (std::string& name : *names) {
        if (IsHiddenName(name)) {
            continue;
        }
        auto info = HostLstat(drawer.hostPath + "/" + name);
        if (!info || info->type == HostType::Missing) {
            continue;  // vanished while listing
        }
        // A link is an entry of its own wherever it leads (a drawer holding
        // only a link must not look empty), and never a drawer to enter.
        const bool link = info->type == HostType::SymbolicLink;
        entries.push_back({std::move(name), info->type == HostType::Directory, link});
    }
    return entries;
}

Expected<FileLock, DosError> CreateDir(const DosList& dos, std::string_view path,
                                       const FileLock* drawer) {
    if (IsNil(dos, path)) {
        return Unexpected{ERROR_DEVICE_NOT_MOUNTED};
    }
    auto target = LockForCreate(dos, path, drawer);
    AMIGA_RETURN_IF_FAILED(target);
    if (target->exists) {
        return Unexpected{ERROR_OBJECT_EXISTS};
    }
    FileLock lock = ChildLock(target->parent, target->name);
    if (DosStatus status = HostMakeDirectoryBeneath(lock.volumeRoot, RelativePath(lock)); !status) {
        return Unexpected{status.error()};
    }
    auto info = HostLstatBeneath(lock.volumeRoot, RelativePath(lock));
    AMIGA_RETURN_IF_FAILED(info);
    lock.drawer = true;
    lock.device = info->device;
    lock.inode = info->inode;
    return lock;
}

DosStatus CreateDrawerPath(const DosList& dos, std::string_view path,
                           const DrawerCreatedHook& onCreated, const FileLock* drawer) {
    auto parsed = ParsePath(path);
    if (!parsed) {
        return parsed.error();
    }
    std::string prefix;
    if (parsed->start == PathStart::Device) {
        prefix = parsed->device + ":";
    } else if (parsed->start == PathStart::VolumeRoot) {
        prefix = ":";
    }
    const std::size_t fixedLength = prefix.size();
    for (std::size_t i = 0; i < parsed->steps.size(); ++i) {
        const PathStep& step = parsed->steps[i];
        if (prefix.size() > fixedLength || (i > 0)) {
            prefix += '/';
        }
        if (step.parent) {
            continue;  // an empty name between two "/" climbs one drawer
        }
        prefix += step.name;
        auto existing = Lock(dos, prefix, drawer);
        if (existing) {
            if (!existing->drawer) {
                return ERROR_OBJECT_WRONG_TYPE;
            }
            continue;
        }
        if (existing.error() != ERROR_OBJECT_NOT_FOUND) {
            return existing.error();
        }
        auto created = CreateDir(dos, prefix, drawer);
        if (!created) {
            // Another process made the drawer since the check: what was
            // wanted is there.
            if (created.error() == ERROR_OBJECT_EXISTS) {
                if (auto appeared = Lock(dos, prefix, drawer); appeared && appeared->drawer) {
                    continue;
                }
            }
            return created.error();
        }
        if (onCreated) {
            onCreated(dos, NameFromLock(dos, *created));
        }
    }
    return DosStatus::Ok();
}

namespace {

std::string ChildRelative(const FileLock& drawer, std::string_view name) {
    std::string relative = RelativePath(drawer);
    if (!relative.empty()) {
        relative += '/';
    }
    relative += name;
    return relative;
}

}  // namespace

DosStatus DeleteFile(const DosList& dos, std::string_view path, const FileLock* drawer) {
    auto lock = LockNoFollow(dos, path, drawer);
    if (!lock) {
        return lock.error();
    }
    if (lock->names.empty()) {
        return ERROR_OBJECT_WRONG_TYPE;
    }
    auto meta = MetadataOf(*lock);
    if (!meta) {
        return meta.error();
    }
    if (meta->protection & FIBF_DELETE) {
        return ERROR_DELETE_PROTECTED;
    }
    const std::string relative = RelativePath(*lock);
    if (lock->drawer) {
        auto names = HostListDirectory(lock->hostPath);
        if (!names) {
            return names.error();
        }
        std::vector<std::string> orphans;
        for (const std::string& name : *names) {
            if (!IsUaemName(name)) {
                return ERROR_DIRECTORY_NOT_EMPTY;
            }
            auto owner =
                HostLstat(lock->hostPath + "/" + name.substr(0, name.size() - kUaemSuffix.size()));
            if (owner && owner->type != HostType::Missing) {
                return ERROR_DIRECTORY_NOT_EMPTY;
            }
            orphans.push_back(name);
        }
        for (const std::string& orphan : orphans) {
            if (DosStatus status = HostRemoveBeneath(lock->volumeRoot, relative + "/" + orphan);
                !status) {
                return status;
            }
        }
    }
    // A link goes itself; what it points to stays.
    if (DosStatus status = HostRemoveBeneath(lock->volumeRoot, relative); !status) {
        return status;
    }
    return RemoveSidecar(*lock);
}

DosStatus DeleteAll(const DosList& dos, std::string_view path, const FileLock* drawer) {
    auto lock = LockNoFollow(dos, path, drawer);
    if (!lock) {
        return lock.error();
    }
    if (lock->names.empty()) {
        return ERROR_OBJECT_WRONG_TYPE;
    }
    if (DosStatus status = HostRemoveTreeBeneath(lock->volumeRoot, RelativePath(*lock)); !status) {
        return status;
    }
    return RemoveSidecar(*lock);
}

DosStatus Rename(const DosList& dos, std::string_view from, std::string_view to,
                 const FileLock* drawer) {
    auto source = LockNoFollow(dos, from, drawer);
    if (!source) {
        return source.error();
    }
    if (source->names.empty()) {
        return ERROR_OBJECT_WRONG_TYPE;
    }
    auto target = LockForCreate(dos, to, drawer);
    if (!target) {
        return target.error();
    }
    if (target->parent.volume != source->volume) {
        return ERROR_RENAME_ACROSS_DEVICES;
    }
    // The name as the caller spelled it, so that a change of case works.
    const std::string newName = LastName(to);
    const FileLock destination = ChildLock(target->parent, newName);
    if (target->exists) {
        auto existing = LockNoFollow(dos, to, drawer);
        if (!existing || !SameLock(*existing, *source)) {
            return ERROR_OBJECT_EXISTS;
        }
    }
    if (destination.hostPath == source->hostPath) {
        return DosStatus::Ok();
    }
    const std::string& root = source->volumeRoot;
    const std::string fromRelative = RelativePath(*source);
    const std::string toRelative = RelativePath(destination);
    if (DosStatus status = HostRenameBeneath(root, fromRelative, toRelative, true); !status) {
        return status;
    }
    if (SidecarExists(SidecarPath(*source))) {
        DosStatus status =
            HostRenameBeneath(root, SidecarRelative(*source), SidecarRelative(destination), false);
        if (!status) {
            // Keep file and metadata together: undo the move. Should the undo
            // fail too, the sidecar's failure is still what the caller hears.
            (void)HostRenameBeneath(root, toRelative, fromRelative, true);
            return status;
        }
    }
    return DosStatus::Ok();
}

DosStatus CopyFile(const DosList& dos, std::string_view from, std::string_view to,
                   const FileLock* drawer) {
    auto source = Lock(dos, from, drawer);
    if (!source) {
        return source.error();
    }
    if (source->drawer) {
        return ERROR_OBJECT_WRONG_TYPE;
    }
    auto meta = MetadataOf(*source);
    if (!meta) {
        return meta.error();
    }
    auto target = LockForCreate(dos, to, drawer);
    if (!target) {
        return target.error();
    }
    const FileLock destination =
        ChildLock(target->parent, target->exists ? target->name : LastName(to));
    if (target->exists) {
        auto existing = HostStatFollow(destination.hostPath);
        if (existing && existing->type == HostType::Directory) {
            return ERROR_OBJECT_WRONG_TYPE;
        }
    }
    auto input =
        HostOpenFileBeneath(source->volumeRoot, RelativePath(*source), HostFile::Mode::Read);
    if (!input) {
        return input.error();
    }
    const std::string relative = RelativePath(destination);
    if (DosStatus status = HostCopyFileBeneath(*input, destination.volumeRoot, relative); !status) {
        return status;
    }
    const std::time_t seconds = HostTimeFromDateStamp(meta->date);
    const long nanoseconds = (meta->date.tick % kTicksPerSecond) * (1000000000L / kTicksPerSecond);
    if (DosStatus status =
            HostSetModifiedBeneath(destination.volumeRoot, relative, seconds, nanoseconds);
        !status) {
        return status;
    }
    return WriteMetadata(destination, *meta);
}

DosStatus SetFileDate(const DosList& dos, std::string_view path, const DateStamp& date,
                      const FileLock* drawer) {
    auto lock = Lock(dos, path, drawer);
    if (!lock) {
        return lock.error();
    }
    const std::time_t seconds = HostTimeFromDateStamp(date);
    const long nanoseconds = (date.tick % kTicksPerSecond) * (1000000000L / kTicksPerSecond);
    if (DosStatus status =
            HostSetModifiedBeneath(lock->volumeRoot, RelativePath(*lock), seconds, nanoseconds);
        !status) {
        return status;
    }
    return RefreshSidecarDate(*lock);
}

DosStatus SetComment(const DosList& dos, std::string_view path, std::string_view comment,
                     const FileLock* drawer) {
    if (comment.size() > kMaxCommentLength) {
        return ERROR_COMMENT_TOO_BIG;
    }
    if (comment.find_first_of(std::string_view("\0\n\r", 3)) != std::string_view::npos) {
        return ERROR_INVALID_COMPONENT_NAME;
    }
    auto lock = Lock(dos, path, drawer);
    if (!lock) {
        return lock.error();
    }
    auto meta = MetadataOf(*lock);
    if (!meta) {
        return meta.error();
    }
    meta->comment = std::string(comment);
    return WriteMetadata(*lock, *meta);
}

DosStatus SetProtection(const DosList& dos, std::string_view path, std::uint32_t protection,
                        const FileLock* drawer) {
    auto lock = Lock(dos, path, drawer);
    if (!lock) {
        return lock.error();
    }
    auto meta = MetadataOf(*lock);
    if (!meta) {
        return meta.error();
    }
    meta->protection = protection & 0xFF;
    return WriteMetadata(*lock, *meta);
}

DosStatus MakeSoftLink(const DosList& dos, std::string_view path, std::string_view target,
                       const FileLock* drawer) {
    if (IsNil(dos, path)) {
        return ERROR_DEVICE_NOT_MOUNTED;
    }
    if (LockNoFollow(dos, path, drawer)) {
        return ERROR_OBJECT_EXISTS;  // also a link leading nowhere
    }
    auto place = LockForCreate(dos, path, drawer);
    if (!place) {
        return place.error();
    }
    if (place->exists) {
        return ERROR_OBJECT_EXISTS;
    }
    // Judged by its text from the link's own drawer: a link that climbs out
    // of the volume (or starts at the host's root) is never made.
    if (target.empty() || target.front() == '/' || target.find('\0') != std::string_view::npos) {
        return ERROR_IS_SOFT_LINK;
    }
    std::ptrdiff_t depth = static_cast<std::ptrdiff_t>(place->parent.names.size());
    std::size_t start = 0;
    while (start <= target.size()) {
        std::size_t end = target.find('/', start);
        if (end == std::string_view::npos) {
            end = target.size();
        }
        const std::string_view name = target.substr(start, end - start);
        if (name == "..") {
            if (--depth < 0) {
                return ERROR_IS_SOFT_LINK;
            }
        } else if (!name.empty() && name != ".") {
            ++depth;
        }
        start = end + 1;
    }
    return HostMakeLinkBeneath(place->parent.volumeRoot, ChildRelative(place->parent, place->name),
                               target);
}

Expected<std::string, DosError> ReadSoftLink(const DosList& dos, std::string_view path,
                                             const FileLock* drawer) {
    auto lock = LockNoFollow(dos, path, drawer);
    AMIGA_RETURN_IF_FAILED(lock);
    if (!lock->link) {
        return Unexpected{ERROR_OBJECT_WRONG_TYPE};
    }
    return HostReadLinkBeneath(lock->volumeRoot, RelativePath(*lock));
}

Expected<std::string, DosError> ReadFile(const DosList& dos, std::string_view path,
                                         const FileLock* drawer) {
    if (IsNil(dos, path)) {
        return std::string();
    }
    auto lock = Lock(dos, path, drawer);
    AMIGA_RETURN_IF_FAILED(lock);
    if (lock->drawer) {
        return Unexpected{ERROR_OBJECT_WRONG_TYPE};
    }
    // Only a plain file is read whole: a FIFO or device put where a file was
    // expected would block the read for ever (or never end). O_NONBLOCK keeps
    // the open itself from waiting for a FIFO's writer.
    auto opened =
        HostOpenBeneath(lock->volumeRoot, RelativePath(*lock), O_RDONLY | O_NONBLOCK | O_NOCTTY);
    AMIGA_RETURN_IF_FAILED(opened);
    struct stat info {};
    if (::fstat(opened->get(), &info) != 0) {
        return Unexpected{DosErrorFromErrno(errno)};
    }
    if (!S_ISREG(info.st_mode)) {
        return Unexpected{ERROR_OBJECT_WRONG_TYPE};
    }
    if (const int status = ::fcntl(opened->get(), F_GETFL); status >= 0) {
        // A regular file, where O_NONBLOCK changes nothing: clearing it is tidiness.
        (void)::fcntl(opened->get(), F_SETFL, status & ~O_NONBLOCK);
    }
    auto file = std::optional<HostFile>(HostFile::FromDescriptor(opened->Release()));
    std::string data;
    std::vector<char> buffer(65536);
    while (true) {
        auto got = file->Read(buffer.data(), buffer.size());
        AMIGA_RETURN_IF_FAILED(got);
        if (*got == 0) {
            return data;
        }
        if (data.size() + *got > kMaxWholeFileSize) {
            return Unexpected{ERROR_OBJECT_TOO_LARGE};
        }
        data.append(buffer.data(), *got);
    }
}

namespace {

// Resolves a file about to be written: a drawer or a write-protected file
// refuses.
Expected<FileLock, DosError> WritableTarget(const DosList& dos, std::string_view path,
                                            const FileLock* drawer) {
    auto target = LockForCreate(dos, path, drawer);
    AMIGA_RETURN_IF_FAILED(target);
    FileLock lock = ChildLock(target->parent, target->name);
    if (target->exists) {
        auto meta = MetadataOf(lock);
        AMIGA_RETURN_IF_FAILED(meta);
        auto host = HostStatFollow(lock.hostPath);
        if (host && host->type == HostType::Directory) {
            return Unexpected{ERROR_OBJECT_WRONG_TYPE};
        }
        if (meta->protection & FIBF_WRITE) {
            return Unexpected{ERROR_WRITE_PROTECTED};
        }
    }
    return lock;
}

}  // namespace

DosStatus WriteFile(const DosList& dos, std::string_view path, std::string_view data,
                    const FileLock* drawer) {
    if (IsNil(dos, path)) {
        return DosStatus::Ok();
    }
    auto lock = WritableTarget(dos, path, drawer);
    if (!lock) {
        return lock.error();
    }
    if (DosStatus status = HostWriteFileAtomicBeneath(lock->volumeRoot, RelativePath(*lock), data);
        !status) {
        return status;
    }
    return RefreshSidecarDate(*lock);
}

Expected<FileHandle, DosError> FileHandle::Open(const DosList& dos, std::string_view path,
                                                OpenMode mode, const FileLock* drawer) {
    FileHandle handle;
    if (IsNil(dos, path)) {
        handle.nil_ = true;
        return handle;
    }
    FileLock lock;
    HostFile::Mode hostMode = HostFile::Mode::Read;
    if (mode == OpenMode::OldFile) {
        auto found = Lock(dos, path, drawer);
        AMIGA_RETURN_IF_FAILED(found);
        if (found->drawer) {
            return Unexpected{ERROR_OBJECT_WRONG_TYPE};
        }
        lock = std::move(*found);
    } else {
        auto found = WritableTarget(dos, path, drawer);
        AMIGA_RETURN_IF_FAILED(found);
        lock = std::move(*found);
        hostMode = mode == OpenMode::ReadWrite ? HostFile::Mode::ReadWrite : HostFile::Mode::Write;
    }
    // Opened below the volume's root by descriptor: a drawer on the way
    // swapped for a link since the look-up cannot lead the open outside.
    auto file = HostOpenFileBeneath(lock.volumeRoot, RelativePath(lock), hostMode,
                                    mode == OpenMode::Append);
    AMIGA_RETURN_IF_FAILED(file);
    handle.file_ = std::move(*file);
    return handle;
}

int FileHandle::ReleaseDescriptor() {
    return file_.Release();
}

Expected<std::size_t, DosError> FileHandle::Read(char* buffer, std::size_t length) {
    if (nil_) {
        return std::size_t{0};
    }
    return file_.Read(buffer, length);
}

DosStatus FileHandle::Write(std::string_view data) {
    if (nil_) {
        return DosStatus::Ok();
    }
    return file_.Write(data);
}

DosStatus FileHandle::WriteLine(std::string_view text) {
    std::string line(text);
    line += '\n';
    return Write(line);
}

Expected<std::int64_t, DosError> FileHandle::Seek(std::int64_t offset, int whence) {
    if (nil_) {
        return std::int64_t{0};
    }
    return file_.Seek(offset, whence);
}

DosStatus FileHandle::Close() {
    if (nil_) {
        return DosStatus::Ok();
    }
    return file_.Close();
}

std::size_t RemoveTemporaryFiles(const DosList& dos, std::string_view drawer,
                                 std::string_view name) {
    auto lock = Lock(dos, drawer);
    if (!lock || !lock->drawer) {
        return 0;
    }
    auto names = HostListDirectory(lock->hostPath);
    if (!names) {
        return 0;
    }
    std::size_t removed = 0;
    for (const std::string& entry : *names) {
        // name + "." + 16 digits + ".tmp"
        if (entry.size() == name.size() + 21 && entry.starts_with(name) && IsTemporaryName(entry) &&
            HostRemoveFile(lock->hostPath + "/" + entry).ok()) {
            ++removed;
        }
    }
    return removed;
}

}  // namespace amiga
