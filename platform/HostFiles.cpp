#include "platform/HostFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>

#include "platform/HostWriting.h"

namespace amiga {
namespace {

Unexpected<DosError> LastError() {
    return Unexpected{DosErrorFromErrno(errno)};
}

HostStat FromStat(const struct stat& info) {
    HostStat out;
    if (S_ISREG(info.st_mode)) {
        out.type = HostType::File;
    } else if (S_ISDIR(info.st_mode)) {
        out.type = HostType::Directory;
    } else if (S_ISLNK(info.st_mode)) {
        out.type = HostType::SymbolicLink;
    } else {
        out.type = HostType::Other;
    }
    out.size = static_cast<std::uint64_t>(info.st_size);
    out.device = static_cast<std::uint64_t>(info.st_dev);
    out.inode = static_cast<std::uint64_t>(info.st_ino);
    out.modified = info.st_mtim.tv_sec;
    out.modifiedNanoseconds = info.st_mtim.tv_nsec;
    return out;
}

}  // namespace

std::string HostTemporaryName(const std::string& path) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(random()));
    return path + suffix;
}

DosStatus HostWriteAll(int descriptor, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(descriptor, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return DosErrorFromErrno(errno);
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return DosStatus::Ok();
}

Expected<HostStat, DosError> HostLstat(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return HostStat{};
        }
        return LastError();
    }
    return FromStat(info);
}

Expected<HostStat, DosError> HostStatFollow(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return HostStat{};
        }
        return LastError();
    }
    return FromStat(info);
}

Expected<std::string, DosError> HostRealPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    if (!resolved) {
        return LastError();
    }
    return std::string(resolved.get());
}

bool HostPathIsInside(std::string_view path, std::string_view folder) {
    if (folder == "/") {
        return path.starts_with('/');
    }
    return path == folder ||
           (path.starts_with(folder) && path.size() > folder.size() && path[folder.size()] == '/');
}

Expected<std::vector<std::string>, DosError> HostListDirectory(const std::string& path) {
    struct CloseDirectory {
        void operator()(DIR* directory) const { ::closedir(directory); }
    };
    std::unique_ptr<DIR, CloseDirectory> directory(::opendir(path.c_str()));
    if (!directory) {
        return LastError();
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(directory.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
        errno = 0;
    }
    if (errno != 0) {
        return LastError();
    }
    return names;
}

Expected<std::string, DosError> HostFindInDirectory(
    const std::string& path, const std::function<bool(std::string_view)>& accept) {
    struct CloseDirectory {
        void operator()(DIR* directory) const { ::closedir(directory); }
    };
    std::unique_ptr<DIR, CloseDirectory> directory(::opendir(path.c_str()));
    if (!directory) {
        return LastError();
    }
    errno = 0;
    while (const dirent* entry = ::readdir(directory.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != ".." && accept(name)) {
            return std::string(name);
        }
        errno = 0;
    }
    if (errno != 0) {
        return LastError();
    }
    return std::string();
}

Expected<std::string, DosError> HostReadFile(const std::string& path, std::size_t maxSize,
                                             bool regularOnly) {
    std::optional<HostFile> file;
    if (regularOnly) {
        const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (descriptor < 0) {
            return LastError();
        }
        file = HostFile::FromDescriptor(descriptor);
        struct stat info {};
        if (::fstat(descriptor, &info) != 0) {
            return LastError();
        }
        if (!S_ISREG(info.st_mode)) {
            return Unexpected{ERROR_OBJECT_WRONG_TYPE};
        }
        if (const int status = ::fcntl(descriptor, F_GETFL); status >= 0) {
            // A regular file, where O_NONBLOCK changes nothing: clearing it is tidiness.
            (void)::fcntl(descriptor, F_SETFL, status & ~O_NONBLOCK);
        }
    } else {
        auto opened = HostFile::Open(path, HostFile::Mode::Read);
        AMIGA_RETURN_IF_FAILED(opened);
        file = std::move(*opened);
    }
    std::string data;
    char buffer[65536];
    while (true) {
        auto got = file->Read(buffer, sizeof buffer);
        AMIGA_RETURN_IF_FAILED(got);
        if (*got == 0) {
            break;
        }
        if (data.size() + *got > maxSize) {
            return Unexpected{ERROR_OBJECT_TOO_LARGE};
        }
        data.append(buffer, *got);
    }
    return data;
}

DosStatus HostWriteFileAtomic(const std::string& path, std::string_view data) {
    const std::string temporary = HostTemporaryName(path);
    const int descriptor =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (descriptor < 0) {
        return DosErrorFromErrno(errno);
    }
    DosStatus status = HostWriteAll(descriptor, data);
    if (status.ok()) {
        status = HostSyncWritten(descriptor);
    }
    if (::close(descriptor) != 0 && status.ok()) {
        status = DosErrorFromErrno(errno);
    }
    if (status.ok() && ::rename(temporary.c_str(), path.c_str()) != 0) {
        status = DosErrorFromErrno(errno);
    }
    if (!status.ok()) {
        ::unlink(temporary.c_str());
    }
    return status;
}

DosStatus HostMakeDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) != 0) {
        return DosErrorFromErrno(errno);
    }
    return DosStatus::Ok();
}

DosStatus HostRemoveFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0) {
        return DosErrorFromErrno(errno);
    }
    return DosStatus::Ok();
}

DosStatus HostRemoveDirectory(const std::string& path) {
    if (::rmdir(path.c_str()) != 0) {
        return DosErrorFromErrno(errno);
    }
    return DosStatus::Ok();
}

DosStatus HostRename(const std::string& from, const std::string& to, bool noReplace) {
    if (noReplace) {
        auto target = HostLstat(to);
        if (!target) {
            return target.error();
        }
        if (target->type != HostType::Missing) {
            auto source = HostLstat(from);
            const bool same =
                source && source->device == target->device && source->inode == target->inode;
            if (!same) {
                return ERROR_OBJECT_EXISTS;
            }
        }
    }
    if (::rename(from.c_str(), to.c_str()) != 0) {
        return DosErrorFromErrno(errno);
    }
    return DosStatus::Ok();
}

DosStatus HostSetModified(const std::string& path, std::time_t seconds, long nanoseconds) {
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = seconds;
    times[1].tv_nsec = nanoseconds;
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
        return DosErrorFromErrno(errno);
    }
    return DosStatus::Ok();
}

DosStatus HostSetExecutable(const std::string& path) {
    if (::chmod(path.c_str(), 0755) != 0) {
        return DosErrorFromErrno(errno);
    }
    return DosStatus::Ok();
}

DosStatus HostCopyFile(const std::string& from, const std::string& to) {
    auto source = HostFile::Open(from, HostFile::Mode::Read);
    if (!source) {
        return source.error();
    }
    const std::string temporary = HostTemporaryName(to);
    const int descriptor =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (descriptor < 0) {
        return DosErrorFromErrno(errno);
    }
    DosStatus status;
    char buffer[65536];
    while (status.ok()) {
        auto got = source->Read(buffer, sizeof buffer);
        if (!got) {
            status = got.error();
            break;
        }
        if (*got == 0) {
            break;
        }
        status = HostWriteAll(descriptor, std::string_view(buffer, *got));
    }
    if (::close(descriptor) != 0 && status.ok()) {
        status = DosErrorFromErrno(errno);
    }
    if (status.ok() && ::rename(temporary.c_str(), to.c_str()) != 0) {
        status = DosErrorFromErrno(errno);
    }
    if (!status.ok()) {
        ::unlink(temporary.c_str());
    }
    return status;
}

namespace {
thread_local SyncBatch* currentBatch = nullptr;
}  // namespace

SyncBatch::SyncBatch() : outer_(currentBatch) {
    currentBatch = this;
}

SyncBatch::~SyncBatch() {
    (void)Finish();  // a destructor cannot report: who needs the result calls Finish()
    currentBatch = outer_;
}

bool SyncBatch::Active() {
    return currentBatch != nullptr;
}

void SyncBatch::Note(int descriptor) {
    SyncBatch* batch = currentBatch;
    struct stat info {};
    if (batch == nullptr || ::fstat(descriptor, &info) != 0) {
        return;
    }
    const auto device = static_cast<std::uint64_t>(info.st_dev);
    for (std::uint64_t known : batch->devices_) {
        if (known == device) {
            return;
        }
    }
    const int kept = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (kept >= 0) {
        batch->devices_.push_back(device);
        batch->fileSystems_.push_back(kept);
    }
}

DosStatus SyncBatch::Finish() {
    DosStatus status;
    for (int descriptor : fileSystems_) {
        if (::syncfs(descriptor) != 0 && status.ok()) {
            status = DosErrorFromErrno(errno);
        }
        ::close(descriptor);
    }
    fileSystems_.clear();
    devices_.clear();
    return status;
}

DosStatus HostSyncWritten(int descriptor) {
    if (SyncBatch::Active()) {
        SyncBatch::Note(descriptor);
        return DosStatus::Ok();
    }
    if (::fsync(descriptor) != 0) {
        return DosErrorFromErrno(errno);
    }
    return DosStatus::Ok();
}

HostFile::~HostFile() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

HostFile::HostFile(HostFile&& other) noexcept : descriptor_(other.descriptor_) {
    other.descriptor_ = -1;
}

HostFile& HostFile::operator=(HostFile&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
        descriptor_ = other.descriptor_;
        other.descriptor_ = -1;
    }
    return *this;
}

Expected<HostFile, DosError> HostFile::Open(const std::string& path, Mode mode) {
    int flags = O_CLOEXEC;
    switch (mode) {
        case Mode::Read:
            flags |= O_RDONLY;
            break;
        case Mode::Write:
            flags |= O_WRONLY | O_CREAT | O_TRUNC;
            break;
        case Mode::ReadWrite:
            flags |= O_RDWR | O_CREAT;
            break;
    }
    const int descriptor = ::open(path.c_str(), flags, 0644);
    if (descriptor < 0) {
        return LastError();
    }
    struct stat info {};
    if (::fstat(descriptor, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(descriptor);
        return Unexpected{ERROR_OBJECT_WRONG_TYPE};
    }
    HostFile file;
    file.descriptor_ = descriptor;
    return file;
}

HostFile HostFile::FromDescriptor(int descriptor) {
    HostFile file;
    file.descriptor_ = descriptor;
    return file;
}

int HostFile::Release() {
    const int descriptor = descriptor_;
    descriptor_ = -1;
    return descriptor;
}

Expected<std::size_t, DosError> HostFile::Read(char* buffer, std::size_t length) {
    if (descriptor_ < 0) {
        return Unexpected{ERROR_INVALID_LOCK};
    }
    while (true) {
        const ssize_t got = ::read(descriptor_, buffer, length);
        if (got >= 0) {
            return static_cast<std::size_t>(got);
        }
        if (errno != EINTR) {
            return LastError();
        }
    }
}

DosStatus HostFile::Write(std::string_view data) {
    if (descriptor_ < 0) {
        return ERROR_INVALID_LOCK;
    }
    return HostWriteAll(descriptor_, data);
}

Expected<std::int64_t, DosError> HostFile::Seek(std::int64_t offset, int whence) {
    if (descriptor_ < 0) {
        return Unexpected{ERROR_INVALID_LOCK};
    }
    const off_t position = ::lseek(descriptor_, static_cast<off_t>(offset), whence);
    if (position < 0) {
        return Unexpected{ERROR_SEEK_ERROR};
    }
    return static_cast<std::int64_t>(position);
}

DosStatus HostFile::Close() {
    if (descriptor_ < 0) {
        return DosStatus::Ok();
    }
    const int result = ::close(descriptor_);
    descriptor_ = -1;
    return result == 0 ? DosStatus::Ok() : DosStatus(DosErrorFromErrno(errno));
}

std::string HostEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

}  // namespace amiga
