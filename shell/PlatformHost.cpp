#include "shell/PlatformHost.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/DosFiles.h"
#include "platform/Latin1.h"
#include "platform/Variables.h"

namespace amiga {

namespace {

bool IsNil(std::string_view path) {
    return EqualsNoCase(path, "NIL:");
}

int OpenHost(const std::string& hostPath, int flags) {
    int fd = -1;
    do {
        fd = ::open(hostPath.c_str(), flags | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

PlatformHost::PlatformHost(DosList dos) : dos_(std::move(dos)), currentName_("SYS:") {
    if (auto root = Lock(dos_, "SYS:")) {
        current_ = std::move(*root);
        currentName_ = NameFromLock(dos_, current_);
    }
}

ObjectInfo PlatformHost::Info(const FileLock& lock) {
    ObjectInfo info;
    info.amigaPath = NameFromLock(dos_, lock);
    info.name = lock.names.empty() ? dos_.volumes()[lock.volume].name : lock.names.back();
    info.hostPath = lock.hostPath;
    info.isDrawer = lock.drawer;
    if (auto examined = amiga::Examine(lock)) {
        info.isDrawer = examined->drawer;
        info.size = examined->size;
        info.date = examined->date;
        info.protection = examined->protection;
        info.comment = std::move(examined->comment);
    }
    struct stat status {};
    info.hostExecutable = !info.isDrawer && ::stat(lock.hostPath.c_str(), &status) == 0 &&
                          S_ISREG(status.st_mode) && ::access(lock.hostPath.c_str(), X_OK) == 0;
    return info;
}

Expected<ObjectInfo, DosError> PlatformHost::InfoNoFollow(std::string_view path,
                                                          const FileLock& drawer) {
    auto lock = LockNoFollow(dos_, path, &drawer);
    AMIGA_RETURN_IF_FAILED(lock);
    ObjectInfo info = Info(*lock);
    if (lock->link) {
        info.isLink = true;
        if (auto text = ReadSoftLink(dos_, path, &drawer)) {
            info.linkTarget = std::move(*text);
        }
        // Where it leads decides only whether it can be entered by name
        // (CD, Dir of the link itself); a link leading out of its volume or
        // nowhere is neither file nor drawer.
        auto followed = Lock(dos_, path, &drawer);
        info.isDrawer = followed && followed->drawer;
        info.hostExecutable = false;
    }
    return info;
}

Expected<ObjectInfo, DosError> PlatformHost::Examine(std::string_view path) {
    auto info = InfoNoFollow(path, current_);
    if (info && info->isLink && !info->isDrawer) {
        // A link to a file runs and reads as that file.
        if (auto lock = Lock(dos_, path, &current_); lock && !lock->drawer) {
            ObjectInfo followed = Info(*lock);
            followed.isLink = true;
            followed.linkTarget = info->linkTarget;
            return followed;
        }
    }
    return info;
}

Expected<std::vector<ObjectInfo>, DosError> PlatformHost::ExamineDrawer(std::string_view path) {
    auto drawer = Lock(dos_, path, &current_);
    AMIGA_RETURN_IF_FAILED(drawer);
    if (!drawer->drawer) {
        return Unexpected{ERROR_OBJECT_WRONG_TYPE};
    }
    auto entries = ListDrawer(*drawer);
    AMIGA_RETURN_IF_FAILED(entries);
    std::vector<ObjectInfo> objects;
    objects.reserve(entries->size());
    for (const DrawerEntry& entry : *entries) {
        // An entry that vanished since the listing is simply left out.
        if (auto info = InfoNoFollow(entry.name, *drawer)) {
            objects.push_back(std::move(*info));
        }
    }
    return objects;
}

Expected<int, DosError> PlatformHost::OpenFile(std::string_view path, StreamMode mode) {
    if (IsNil(path)) {
        int fd = OpenHost("/dev/null", O_RDWR);
        if (fd < 0) {
            return Unexpected{DosErrorFromErrno(errno)};
        }
        return fd;
    }
    OpenMode openMode = OpenMode::OldFile;
    if (mode == StreamMode::OldFile) {
        auto lock = Lock(dos_, path, &current_);
        AMIGA_RETURN_IF_FAILED(lock);
        if (lock->drawer) {
            return Unexpected{ERROR_OBJECT_WRONG_TYPE};
        }
        auto info = amiga::Examine(*lock);
        if (info && (info->protection & FIBF_READ) != 0) {
            return Unexpected{ERROR_READ_PROTECTED};
        }
    } else {
        openMode = mode == StreamMode::NewFile ? OpenMode::NewFile : OpenMode::Append;
    }
    // Opened by descriptor below the volume's root (see FileHandle): no
    // check-then-open gap for a swapped drawer to slip through.
    auto handle = FileHandle::Open(dos_, path, openMode, &current_);
    AMIGA_RETURN_IF_FAILED(handle);
    const int fd = handle->ReleaseDescriptor();
    if (fd < 0) {
        return Unexpected{ERROR_OBJECT_WRONG_TYPE};
    }
    return fd;
}

Expected<std::string, DosError> PlatformHost::HostPathFor(std::string_view path) {
    if (auto lock = Lock(dos_, path, &current_)) {
        return lock->hostPath;
    }
    auto target = LockForCreate(dos_, path, &current_);
    AMIGA_RETURN_IF_FAILED(target);
    return target->hostPath();
}

Expected<std::string, DosError> PlatformHost::VolumeRootFor(std::string_view path) {
    auto lock = Lock(dos_, path, &current_);
    AMIGA_RETURN_IF_FAILED(lock);
    return lock->volumeRoot;
}

DosResult PlatformHost::CreateDir(std::string_view path) {
    auto made = amiga::CreateDir(dos_, path, &current_);
    return made ? kNoError : made.error();
}

DosResult PlatformHost::MakeLink(std::string_view path, std::string_view target) {
    return MakeSoftLink(dos_, path, target, &current_).error();
}

DosResult PlatformHost::DeleteObject(std::string_view path) {
    return DeleteFile(dos_, path, &current_).error();
}

DosResult PlatformHost::Rename(std::string_view from, std::string_view to) {
    return amiga::Rename(dos_, from, to, &current_).error();
}

DosResult PlatformHost::SetProtection(std::string_view path, std::uint32_t bits) {
    return amiga::SetProtection(dos_, path, bits, &current_).error();
}

DosResult PlatformHost::SetComment(std::string_view path, std::string_view comment) {
    return amiga::SetComment(dos_, path, comment, &current_).error();
}

DosResult PlatformHost::SetDate(std::string_view path, const DateStamp& date) {
    return SetFileDate(dos_, path, date, &current_).error();
}

DosResult PlatformHost::SetCurrentDrawer(std::string_view path) {
    auto lock = Lock(dos_, path, &current_);
    if (!lock) {
        return lock.error();
    }
    if (!lock->drawer) {
        return ERROR_OBJECT_WRONG_TYPE;
    }
    current_ = std::move(*lock);
    currentName_ = NameFromLock(dos_, current_);
    return kNoError;
}

std::optional<std::string> PlatformHost::GetVar(std::string_view name) {
    auto value = amiga::GetVar(dos_, nullptr, name, GVF_GLOBAL_ONLY);
    if (!value) {
        return std::nullopt;
    }
    return std::move(*value);
}

DosResult PlatformHost::SetVar(std::string_view name, std::string_view value, bool save) {
    return amiga::SetVar(dos_, nullptr, name, value, GVF_GLOBAL_ONLY | (save ? GVF_SAVE_VAR : 0))
        .error();
}

DosResult PlatformHost::DeleteVar(std::string_view name, bool save) {
    return amiga::DeleteVar(dos_, nullptr, name, GVF_GLOBAL_ONLY | (save ? GVF_SAVE_VAR : 0))
        .error();
}

std::vector<AssignEntry> PlatformHost::Assigns() {
    std::vector<AssignEntry> entries;
    for (const ::amiga::Assign& assign : dos_.assigns()) {
        entries.push_back({assign.name, assign.targets});
    }
    return entries;
}

std::vector<std::string> PlatformHost::Volumes() {
    std::vector<std::string> names;
    for (const Volume& volume : dos_.volumes()) {
        names.push_back(volume.name);
    }
    return names;
}

DosResult PlatformHost::Assign(std::string_view name, const std::vector<std::string>& targets,
                               AssignMode mode) {
    std::vector<std::string> current;
    for (const ::amiga::Assign& assign : dos_.assigns()) {
        if (EqualsNoCase(assign.name, name)) {
            current = assign.targets;
        }
    }
    // The new list of targets, set in one go below so that a failure leaves
    // the old assign in place.
    std::vector<std::string> wanted;
    switch (mode) {
        case AssignMode::Replace:
            wanted = targets;
            break;
        case AssignMode::Add:
            wanted = current;
            wanted.insert(wanted.end(), targets.begin(), targets.end());
            break;
        case AssignMode::Prepend:
            wanted = targets;
            wanted.insert(wanted.end(), current.begin(), current.end());
            break;
        case AssignMode::Remove:
            if (current.empty()) {
                return ERROR_OBJECT_NOT_FOUND;
            }
            wanted = current;
            for (const std::string& target : targets) {
                std::erase_if(wanted,
                              [&](const std::string& t) { return EqualsNoCase(t, target); });
            }
            break;
    }
    if (wanted.empty()) {
        if (current.empty()) {
            return mode == AssignMode::Replace ? ERROR_OBJECT_NOT_FOUND : kNoError;
        }
        return dos_.RemoveAssign(name).error();
    }
    DosList changed = dos_;
    if (auto status = changed.AssignPath(name, wanted.front()); !status) {
        return status.error();
    }
    for (std::size_t i = 1; i < wanted.size(); ++i) {
        if (auto status = changed.AssignAdd(name, wanted[i]); !status) {
            return status.error();
        }
    }
    dos_ = std::move(changed);
    return kNoError;
}

std::vector<std::string> PlatformHost::CommandDrawers() {
    for (const ::amiga::Assign& assign : dos_.assigns()) {
        if (EqualsNoCase(assign.name, "C")) {
            return assign.targets;
        }
    }
    return {};
}

std::vector<std::string> PlatformHost::ChildEnvironment() {
    std::vector<std::string> entries;
    for (const auto& [key, value] : dos_.ChildEnvironment()) {
        entries.push_back(key + "=" + value);
    }
    return entries;
}

}  // namespace amiga
