#include "platform/HostBeneath.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <deque>
#include <memory>
#include <random>
#include <vector>

#include "platform/HostWriting.h"

namespace amiga {
namespace {

// Links followed in one resolution before it counts as a loop (the
// kernel's own limit).
constexpr int kMaxLinks = 40;
// openat2() asks for a retry (EAGAIN) when a rename raced the look-up.
constexpr int kMaxRaceRetries = 256;

std::atomic<bool> forceFallback{false};
std::atomic<bool> noOpenat2{false};

// EXDEV from a resolution means "would leave the root"; from renameat it
// means another file system. Both are kept apart here.
DosError BeneathError(int hostErrno) {
    if (hostErrno == EXDEV) {
        return ERROR_IS_SOFT_LINK;
    }
    return DosErrorFromErrno(hostErrno);
}

std::deque<std::string> SplitNames(std::string_view relative) {
    std::deque<std::string> names;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find('/', start);
        if (end == std::string_view::npos) {
            end = relative.size();
        }
        std::string_view name = relative.substr(start, end - start);
        if (!name.empty() && name != ".") {
            names.emplace_back(name);
        }
        start = end + 1;
    }
    return names;
}

// readlinkat() of any length; false when the name is no link.
bool ReadLinkAt(int drawer, const std::string& name, std::string& target) {
    std::vector<char> buffer(256);
    while (true) {
        const ssize_t got = ::readlinkat(drawer, name.c_str(), buffer.data(), buffer.size());
        if (got < 0) {
            return false;
        }
        if (static_cast<std::size_t>(got) < buffer.size()) {
            target.assign(buffer.data(), static_cast<std::size_t>(got));
            return true;
        }
        if (buffer.size() >= 65536) {
            errno = ENAMETOOLONG;
            return false;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// The walk for kernels without openat2(): one openat(O_NOFOLLOW) per name
// from a stack of drawer descriptors. A link's text is read and its names
// put in front of the remaining ones; ".." pops the stack and fails at the
// root; an absolute link fails. Returns a descriptor or -errno.
int WalkOpen(int root, std::string_view relative, int flags, int permissions) {
    const bool followLast = (flags & O_NOFOLLOW) == 0;
    std::deque<std::string> pending = SplitNames(relative);
    std::vector<HostDescriptor> stack;
    stack.emplace_back(::fcntl(root, F_DUPFD_CLOEXEC, 0));
    if (stack.back().get() < 0) {
        return -errno;
    }
    int links = 0;
    while (!pending.empty()) {
        const std::string name = std::move(pending.front());
        pending.pop_front();
        const int top = stack.back().get();
        if (name == "..") {
            if (stack.size() == 1) {
                return -EXDEV;
            }
            stack.pop_back();
            continue;
        }
        std::string target;
        if (pending.empty()) {
            const int descriptor = ::openat(top, name.c_str(), flags | O_NOFOLLOW, permissions);
            if (descriptor >= 0) {
                struct stat info {};
                const bool isLink = (flags & O_PATH) != 0 && followLast &&
                                    ::fstat(descriptor, &info) == 0 && S_ISLNK(info.st_mode);
                if (!isLink) {
                    return descriptor;
                }
                ::close(descriptor);
            } else {
                const int saved = errno;
                if (!followLast || (saved != ELOOP && saved != ENOTDIR)) {
                    return -saved;
                }
            }
            if (!ReadLinkAt(top, name, target)) {
                return -ELOOP;
            }
        } else {
            const int descriptor =
                ::openat(top, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (descriptor >= 0) {
                stack.emplace_back(descriptor);
                if (stack.size() > static_cast<std::size_t>(kMaxBeneathDepth)) {
                    return -ELOOP;
                }
                continue;
            }
            const int saved = errno;
            if ((saved != ENOTDIR && saved != ELOOP) || !ReadLinkAt(top, name, target)) {
                return -saved;
            }
        }
        if (++links > kMaxLinks) {
            return -ELOOP;
        }
        if (target.empty() || target.front() == '/') {
            return -EXDEV;
        }
        std::deque<std::string> inner = SplitNames(target);
        pending.insert(pending.begin(), inner.begin(), inner.end());
    }
    // The path ended on a drawer of the stack ("", "a/.." or a link to ".").
    const int descriptor =
        ::openat(stack.back().get(), ".", flags & ~(O_CREAT | O_EXCL | O_NOFOLLOW | O_TRUNC), 0);
    return descriptor >= 0 ? descriptor : -errno;
}

int Openat2Beneath(int root, std::string_view relative, int flags, int permissions) {
    const std::string path = relative.empty() ? std::string(".") : std::string(relative);
    struct open_how how {};
    how.flags = static_cast<std::uint64_t>(flags);
    how.mode = (flags & O_CREAT) != 0 ? static_cast<std::uint64_t>(permissions) : 0;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    for (int attempt = 0; attempt < kMaxRaceRetries; ++attempt) {
        const long descriptor = ::syscall(SYS_openat2, root, path.c_str(), &how, sizeof how);
        if (descriptor >= 0) {
            return static_cast<int>(descriptor);
        }
        if (errno != EAGAIN && errno != EINTR) {
            return -errno;
        }
    }
    return -EAGAIN;
}

int OpenAt(int root, std::string_view relative, int flags, int permissions) {
    flags |= O_CLOEXEC;
    if (!forceFallback.load(std::memory_order_relaxed) &&
        !noOpenat2.load(std::memory_order_relaxed)) {
        const int result = Openat2Beneath(root, relative, flags, permissions);
        if (result != -ENOSYS) {
            return result;
        }
        noOpenat2.store(true, std::memory_order_relaxed);
    }
    return WalkOpen(root, relative, flags, permissions);
}

Expected<HostDescriptor, DosError> OpenRoot(const std::string& root) {
    const int descriptor = ::open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        return Unexpected{DosErrorFromErrno(errno)};
    }
    return HostDescriptor(descriptor);
}

// The drawer holding the last name of relative, opened below root, and
// that name.
struct Placed {
    HostDescriptor drawer;
    std::string name;
};

Expected<Placed, DosError> PlaceBeneath(const std::string& root, std::string_view relative) {
    const std::size_t slash = relative.rfind('/');
    Placed placed;
    std::string_view drawer;
    if (slash == std::string_view::npos) {
        placed.name = std::string(relative);
    } else {
        drawer = relative.substr(0, slash);
        placed.name = std::string(relative.substr(slash + 1));
    }
    if (placed.name.empty() || placed.name == "." || placed.name == "..") {
        return Unexpected{ERROR_INVALID_COMPONENT_NAME};
    }
    auto opened = HostOpenBeneath(root, drawer, O_PATH | O_DIRECTORY);
    AMIGA_RETURN_IF_FAILED(opened);
    placed.drawer = std::move(*opened);
    return placed;
}

// Writes through a temporary name in placed's drawer and renames it over
// the name; fill() writes the content.
template <typename Fill>
DosStatus WriteReplacing(const Placed& placed, Fill fill) {
    const std::string temporary = HostTemporaryName(placed.name);
    const int descriptor = ::openat(placed.drawer.get(), temporary.c_str(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (descriptor < 0) {
        return DosErrorFromErrno(errno);
    }
    DosStatus status = fill(descriptor);
    if (status.ok()) {
        status = HostSyncWritten(descriptor);
    }
    if (::close(descriptor) != 0 && status.ok()) {
        status = DosErrorFromErrno(errno);
    }
    if (status.ok() && ::renameat(placed.drawer.get(), temporary.c_str(), placed.drawer.get(),
                                  placed.name.c_str()) != 0) {
        status = DosErrorFromErrno(errno);
    }
    if (!status.ok()) {
        ::unlinkat(placed.drawer.get(), temporary.c_str(), 0);
    }
    return status;
}

// Empties and removes the drawer `name` of `parent`; entries are examined
// without following links, and a drawer swapped for a link meanwhile is
// removed as the link it now is.
DosStatus RemoveTreeAt(int parent, const std::string& name, int depth) {
    struct stat info {};
    if (::fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? DosStatus::Ok() : DosStatus(DosErrorFromErrno(errno));
    }
    if (!S_ISDIR(info.st_mode)) {
        if (::unlinkat(parent, name.c_str(), 0) != 0 && errno != ENOENT) {
            return DosErrorFromErrno(errno);
        }
        return DosStatus::Ok();
    }
    if (depth >= kMaxBeneathDepth) {
        return ERROR_TOO_MANY_LEVELS;
    }
    const int descriptor =
        ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) {
        if (errno == ENOTDIR || errno == ELOOP) {
            return RemoveTreeAt(parent, name, depth);  // now a file or link
        }
        return DosErrorFromErrno(errno);
    }
    HostDescriptor drawer(descriptor);
    struct CloseDirectory {
        void operator()(DIR* directory) const { ::closedir(directory); }
    };
    const int listing = ::fcntl(drawer.get(), F_DUPFD_CLOEXEC, 0);
    std::unique_ptr<DIR, CloseDirectory> directory(listing >= 0 ? ::fdopendir(listing) : nullptr);
    if (!directory) {
        if (listing >= 0) {
            ::close(listing);
        }
        return DosErrorFromErrno(errno);
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(directory.get())) {
        const std::string_view entryName = entry->d_name;
        if (entryName != "." && entryName != "..") {
            names.emplace_back(entryName);
        }
        errno = 0;
    }
    if (errno != 0) {
        return DosErrorFromErrno(errno);
    }
    directory.reset();
    for (const std::string& entry : names) {
        if (DosStatus status = RemoveTreeAt(drawer.get(), entry, depth + 1); !status) {
            return status;
        }
    }
    if (::unlinkat(parent, name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT) {
        return DosErrorFromErrno(errno);
    }
    return DosStatus::Ok();
}

}  // namespace

HostDescriptor::~HostDescriptor() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

HostDescriptor& HostDescriptor::operator=(HostDescriptor&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
        descriptor_ = other.Release();
    }
    return *this;
}

void HostUseBeneathFallback(bool fallback) {
    forceFallback.store(fallback, std::memory_order_relaxed);
}

Expected<HostDescriptor, DosError> HostOpenBeneath(const std::string& root,
                                                   std::string_view relative, int flags,
                                                   int permissions) {
    auto rootDescriptor = OpenRoot(root);
    AMIGA_RETURN_IF_FAILED(rootDescriptor);
    const int result = OpenAt(rootDescriptor->get(), relative, flags, permissions);
    if (result < 0) {
        return Unexpected{BeneathError(-result)};
    }
    return HostDescriptor(result);
}

Expected<HostFile, DosError> HostOpenFileBeneath(const std::string& root, std::string_view relative,
                                                 HostFile::Mode mode, bool append) {
    int flags = 0;
    switch (mode) {
        case HostFile::Mode::Read:
            flags = O_RDONLY | O_NONBLOCK;
            break;
        case HostFile::Mode::Write:
            flags = O_WRONLY | O_CREAT | (append ? O_APPEND : O_TRUNC);
            break;
        case HostFile::Mode::ReadWrite:
            flags = O_RDWR | O_CREAT | (append ? O_APPEND : 0);
            break;
    }
    auto opened = HostOpenBeneath(root, relative, flags | O_NOCTTY);
    AMIGA_RETURN_IF_FAILED(opened);
    struct stat info {};
    if (::fstat(opened->get(), &info) != 0) {
        return Unexpected{DosErrorFromErrno(errno)};
    }
    if (S_ISDIR(info.st_mode)) {
        return Unexpected{ERROR_OBJECT_WRONG_TYPE};
    }
    if (mode == HostFile::Mode::Read) {
        // O_NONBLOCK only kept a FIFO from stalling the open itself; the file is
        // regular now, where the flag changes nothing, so clearing it may fail.
        const int status = ::fcntl(opened->get(), F_GETFL);
        if (status >= 0) {
            (void)::fcntl(opened->get(), F_SETFL, status & ~O_NONBLOCK);
        }
    }
    return HostFile::FromDescriptor(opened->Release());
}

Expected<HostStat, DosError> HostLstatBeneath(const std::string& root, std::string_view relative) {
    if (relative.empty()) {
        return HostStatFollow(root);
    }
    auto placed = PlaceBeneath(root, relative);
    if (!placed) {
        if (placed.error() == ERROR_OBJECT_NOT_FOUND) {
            return HostStat{};
        }
        return Unexpected{placed.error()};
    }
    struct stat info {};
    if (::fstatat(placed->drawer.get(), placed->name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return HostStat{};
        }
        return Unexpected{DosErrorFromErrno(errno)};
    }
    HostStat out;
    out.type = S_ISREG(info.st_mode)   ? HostType::File
               : S_ISDIR(info.st_mode) ? HostType::Directory
               : S_ISLNK(info.st_mode) ? HostType::SymbolicLink
                                       : HostType::Other;
    out.size = static_cast<std::uint64_t>(info.st_size);
    out.device = static_cast<std::uint64_t>(info.st_dev);
    out.inode = static_cast<std::uint64_t>(info.st_ino);
    out.modified = info.st_mtim.tv_sec;
    out.modifiedNanoseconds = info.st_mtim.tv_nsec;
    return out;
}

DosStatus HostMakeDirectoryBeneath(const std::string& root, std::string_view relative) {
    auto placed = PlaceBeneath(root, relative);
    if (!placed) {
        return placed.error();
    }
    if (::mkdirat(placed->drawer.get(), placed->name.c_str(), 0755) != 0) {
        return DosErrorFromErrno(errno);
    }
    return DosStatus::Ok();
}

DosStatus HostRemoveBeneath(const std::string& root, std::string_view relative) {
    auto placed = PlaceBeneath(root, relative);
    if (!placed) {
        return placed.error();
    }
    if (::unlinkat(placed->drawer.get(), placed->name.c_str(), 0) == 0) {
        return DosStatus::Ok();
    }
    if (errno != EISDIR) {
        return DosErrorFromErrno(errno);
    }
    if (::unlinkat(placed->drawer.get(), placed->name.c_str(), AT_REMOVEDIR) != 0) {
        return DosErrorFromErrno(errno);
    }
    return DosStatus::Ok();
}

DosStatus HostRemoveTreeBeneath(const std::string& root, std::string_view relative) {
    auto placed = PlaceBeneath(root, relative);
    if (!placed) {
        return placed.error();
    }
    return RemoveTreeAt(placed->drawer.get(), placed->name, 0);
}

DosStatus HostRenameBeneath(const std::string& root, std::string_view from, std::string_view to,
                            bool noReplace) {
    auto source = PlaceBeneath(root, from);
    if (!source) {
        return source.error();
    }
    auto target = PlaceBeneath(root, to);
    if (!target) {
        return target.error();
    }
    const int sourceDrawer = source->drawer.get();
    const int targetDrawer = target->drawer.get();
    if (noReplace) {
        if (::renameat2(sourceDrawer, source->name.c_str(), targetDrawer, target->name.c_str(),
                        RENAME_NOREPLACE) == 0) {
            return DosStatus::Ok();
        }
        if (errno != EEXIST) {
            if (errno != EINVAL) {
                return DosErrorFromErrno(errno);
            }
            // The file system cannot refuse by itself: check, then rename.
            struct stat there {};
            if (::fstatat(targetDrawer, target->name.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0 &&
                errno == ENOENT) {
                if (::renameat(sourceDrawer, source->name.c_str(), targetDrawer,
                               target->name.c_str()) != 0) {
                    return DosErrorFromErrno(errno);
                }
                return DosStatus::Ok();
            }
        }
        // Taken: allowed only when both names are one object (a change of
        // case on a file system that ignores case).
        struct stat a {
        }, b{};
        if (::fstatat(sourceDrawer, source->name.c_str(), &a, AT_SYMLINK_NOFOLLOW) != 0 ||
            ::fstatat(targetDrawer, target->name.c_str(), &b, AT_SYMLINK_NOFOLLOW) != 0 ||
            a.st_dev != b.st_dev || a.st_ino != b.st_ino) {
            return ERROR_OBJECT_EXISTS;
        }
    }
    if (::renameat(sourceDrawer, source->name.c_str(), targetDrawer, target->name.c_str()) != 0) {
        return DosErrorFromErrno(errno);
    }
    return DosStatus::Ok();
}

DosStatus HostWriteFileAtomicBeneath(const std::string& root, std::string_view relative,
                                     std::string_view data) {
    auto placed = PlaceBeneath(root, relative);
    if (!placed) {
        return placed.error();
    }
    return WriteReplacing(*placed,
                          [data](int descriptor) { return HostWriteAll(descriptor, data); });
}

DosStatus HostCopyFileBeneath(HostFile& source, const std::string& root,
                              std::string_view relative) {
    auto placed = PlaceBeneath(root, relative);
    if (!placed) {
        return placed.error();
    }
    return WriteReplacing(*placed, [&source](int descriptor) {
        std::vector<char> buffer(65536);
        while (true) {
            auto got = source.Read(buffer.data(), buffer.size());
            if (!got) {
                return DosStatus(got.error());
            }
            if (*got == 0) {
                return DosStatus::Ok();
            }
            if (DosStatus status = HostWriteAll(descriptor, std::string_view(buffer.data(), *got));
                !status) {
                return status;
            }
        }
    });
}

DosStatus HostSetModifiedBeneath(const std::string& root, std::string_view relative,
                                 std::time_t seconds, long nanoseconds) {
    // A descriptor that can change times (O_PATH ones cannot); O_NONBLOCK
    // keeps a FIFO from stalling the open.
    auto opened = HostOpenBeneath(root, relative, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (!opened) {
        return opened.error();
    }
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = seconds;
    times[1].tv_nsec = nanoseconds;
    if (::futimens(opened->get(), times) != 0) {
        return DosErrorFromErrno(errno);
    }
    return DosStatus::Ok();
}

DosStatus HostMakeLinkBeneath(const std::string& root, std::string_view relative,
                              std::string_view target) {
    auto placed = PlaceBeneath(root, relative);
    if (!placed) {
        return placed.error();
    }
    if (::symlinkat(std::string(target).c_str(), placed->drawer.get(), placed->name.c_str()) != 0) {
        return DosErrorFromErrno(errno);
    }
    return DosStatus::Ok();
}

Expected<std::string, DosError> HostReadLinkBeneath(const std::string& root,
                                                    std::string_view relative) {
    auto placed = PlaceBeneath(root, relative);
    AMIGA_RETURN_IF_FAILED(placed);
    std::string target;
    if (!ReadLinkAt(placed->drawer.get(), placed->name, target)) {
        return Unexpected{errno == EINVAL ? ERROR_OBJECT_WRONG_TYPE : DosErrorFromErrno(errno)};
    }
    return target;
}

}  // namespace amiga
