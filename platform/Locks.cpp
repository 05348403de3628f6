#include "platform/Locks.h"

#include "platform/AmigaPath.h"
#include "platform/HostFiles.h"
#include "platform/Latin1.h"
#include "platform/Uaem.h"

namespace amiga {
namespace {

// Assigns pointing at assigns: deeper than this is a loop.
constexpr int kMaxAssignDepth = 16;

std::string HostPathOf(const std::string& root, const std::vector<std::string>& names) {
    std::string path = root;
    for (const std::string& name : names) {
        if (!path.ends_with('/')) {
            path += '/';
        }
        path += name;
    }
    return path;
}

// Fills type, device and inode of a lock from the host object it names.
DosStatus Describe(FileLock& lock) {
    auto info = HostStatFollow(lock.hostPath);
    if (!info) {
        return info.error();
    }
    if (info->type == HostType::Missing) {
        return ERROR_OBJECT_NOT_FOUND;
    }
    lock.drawer = info->type == HostType::Directory;
    lock.device = info->device;
    lock.inode = info->inode;
    return DosStatus::Ok();
}

Expected<FileLock, DosError> VolumeRootLock(const DosList& dos, std::size_t volume) {
    // A system without volumes (nothing mounted yet) has no boot volume either.
    if (volume >= dos.volumes().size()) {
        return Unexpected{ERROR_DEVICE_NOT_MOUNTED};
    }
    auto real = HostRealPath(dos.volumes()[volume].hostFolder);
    if (!real) {
        return Unexpected{ERROR_DEVICE_NOT_MOUNTED};
    }
    FileLock lock;
    lock.volume = volume;
    lock.volumeRoot = *real;
    lock.hostPath = *real;
    if (DosStatus status = Describe(lock); !status) {
        return Unexpected{ERROR_DEVICE_NOT_MOUNTED};
    }
    if (!lock.drawer) {
        return Unexpected{ERROR_DEVICE_NOT_MOUNTED};
    }
    return lock;
}

// Checks a child that exists on disk: a symbolic link must lead to an
// existing object inside the volume.
DosStatus CheckLink(const FileLock& parent, const std::string& childPath) {
    auto info = HostLstat(childPath);
    if (!info) {
        return info.error();
    }
    if (info->type != HostType::SymbolicLink) {
        return DosStatus::Ok();
    }
    auto real = HostRealPath(childPath);
    if (!real || !HostPathIsInside(*real, parent.volumeRoot)) {
        // A dangling link could be written through to anywhere; one leading
        // out of the volume would expose host files.
        return ERROR_IS_SOFT_LINK;
    }
    return DosStatus::Ok();
}

struct WalkResult {
    FileLock lock;
    std::string missingName;  // Create mode: the last name when it does not exist
};

// Makes lock the soft link childPath itself (LockNoFollow's last name).
DosStatus DescribeLink(FileLock& lock, const std::string& childPath, const std::string& name) {
    auto info = HostLstat(childPath);
    if (!info) {
        return info.error();
    }
    if (info->type != HostType::SymbolicLink) {
        return ERROR_OBJECT_WRONG_TYPE;
    }
    lock.names.push_back(name);
    lock.hostPath = childPath;
    lock.drawer = false;
    lock.link = true;
    lock.device = info->device;
    lock.inode = info->inode;
    return DosStatus::Ok();
}

bool IsLinkPath(const std::string& path) {
    auto info = HostLstat(path);
    return info && info->type == HostType::SymbolicLink;
}

Expected<WalkResult, DosError> Walk(FileLock lock, const std::vector<PathStep>& steps,
                                    LockMode mode, bool followLast) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const PathStep& step = steps[i];
        const bool last = i + 1 == steps.size();
        if (step.parent) {
            if (lock.names.empty()) {
                return Unexpected{ERROR_OBJECT_NOT_FOUND};
            }
            lock.names.pop_back();
            lock.hostPath = HostPathOf(lock.volumeRoot, lock.names);
            if (DosStatus status = Describe(lock); !status) {
                return Unexpected{status.error()};
            }
            continue;
        }
        if (!lock.drawer) {
            return Unexpected{ERROR_OBJECT_WRONG_TYPE};
        }
        auto found = FindNameInFolder(lock.hostPath, step.name);
        AMIGA_RETURN_IF_FAILED(found);
        if (found->empty()) {
            if (last && mode == LockMode::Create) {
                return WalkResult{std::move(lock), step.name};
            }
            return Unexpected{ERROR_OBJECT_NOT_FOUND};
        }
        const std::string childPath = lock.hostPath + "/" + *found;
        if (last && !followLast && IsLinkPath(childPath)) {
            if (DosStatus status = DescribeLink(lock, childPath, *found); !status) {
                return Unexpected{status.error()};
            }
            break;
        }
        if (DosStatus status = CheckLink(lock, childPath); !status) {
            return Unexpected{status.error()};
        }
        lock.names.push_back(*found);
        lock.hostPath = childPath;
        if (DosStatus status = Describe(lock); !status) {
            return Unexpected{status.error()};
        }
    }
    return WalkResult{std::move(lock), {}};
}

Expected<WalkResult, DosError> Resolve(const DosList& dos, std::string_view path,
                                       const FileLock* drawer, LockMode mode, int depth,
                                       const std::vector<PathStep>& extraSteps,
                                       bool followLast = true) {
    if (depth > kMaxAssignDepth) {
        return Unexpected{ERROR_TOO_MANY_LEVELS};
    }
    auto parsed = ParsePath(path);
    AMIGA_RETURN_IF_FAILED(parsed);
    std::vector<PathStep> steps = std::move(parsed->steps);
    steps.insert(steps.end(), extraSteps.begin(), extraSteps.end());

    switch (parsed->start) {
        case PathStart::CurrentDrawer: {
            if (drawer != nullptr) {
                return Walk(*drawer, steps, mode, followLast);
            }
            auto root = VolumeRootLock(dos, dos.bootVolume());
            AMIGA_RETURN_IF_FAILED(root);
            return Walk(std::move(*root), steps, mode, followLast);
        }
        case PathStart::VolumeRoot: {
            auto root = VolumeRootLock(dos, drawer ? drawer->volume : dos.bootVolume());
            AMIGA_RETURN_IF_FAILED(root);
            return Walk(std::move(*root), steps, mode, followLast);
        }
        case PathStart::Device:
            break;
    }
    auto device = dos.FindDevice(parsed->device);
    AMIGA_RETURN_IF_FAILED(device);
    switch (device->kind) {
        case DeviceLookup::Kind::Nil:
            return Unexpected{ERROR_DEVICE_NOT_MOUNTED};
        case DeviceLookup::Kind::Volume: {
            auto root = VolumeRootLock(dos, device->index);
            AMIGA_RETURN_IF_FAILED(root);
            return Walk(std::move(*root), steps, mode, followLast);
        }
        case DeviceLookup::Kind::Assign:
            break;
    }
    // A multi-directory assign: an existing object is looked for in each
    // directory while it is not found; a new one goes to the first.
    const Assign& assign = dos.assigns()[device->index];
    DosError lastError = ERROR_OBJECT_NOT_FOUND;
    for (const std::string& target : assign.targets) {
        auto result = Resolve(dos, target, nullptr, mode, depth + 1, steps, followLast);
        if (result || result.error() != ERROR_OBJECT_NOT_FOUND || mode == LockMode::Create) {
            return result;
        }
        lastError = result.error();
    }
    return Unexpected{lastError};
}

}  // namespace

Expected<std::string, DosError> FindNameInFolder(const std::string& folder, std::string_view name) {
    const std::string exact = folder + "/" + std::string(name);
    auto info = HostLstat(exact);
    AMIGA_RETURN_IF_FAILED(info);
    if (info->type != HostType::Missing) {
        return std::string(name);
    }
    return HostFindInDirectory(folder, [name](std::string_view candidate) {
        return candidate.size() == name.size() && EqualsNoCase(candidate, name) &&
               !IsUaemName(candidate);
    });
}

Expected<FileLock, DosError> Lock(const DosList& dos, std::string_view path,
                                  const FileLock* drawer) {
    auto result = Resolve(dos, path, drawer, LockMode::Existing, 0, {});
    AMIGA_RETURN_IF_FAILED(result);
    return std::move(result->lock);
}

Expected<FileLock, DosError> LockNoFollow(const DosList& dos, std::string_view path,
                                          const FileLock* drawer) {
    auto result = Resolve(dos, path, drawer, LockMode::Existing, 0, {}, false);
    AMIGA_RETURN_IF_FAILED(result);
    return std::move(result->lock);
}

std::string RelativePath(const FileLock& lock) {
    std::string relative;
    for (const std::string& name : lock.names) {
        if (!relative.empty()) {
            relative += '/';
        }
        relative += name;
    }
    return relative;
}

Expected<NewObject, DosError> LockForCreate(const DosList& dos, std::string_view path,
                                            const FileLock* drawer) {
    auto parsed = ParsePath(path);
    AMIGA_RETURN_IF_FAILED(parsed);
    // The device itself ("NIL:") is checked by Resolve; a path whose last
    // step is not a name names something that always exists.
    if (parsed->steps.empty() || parsed->steps.back().parent) {
        auto existing = Resolve(dos, path, drawer, LockMode::Existing, 0, {});
        AMIGA_RETURN_IF_FAILED(existing);
        return Unexpected{ERROR_OBJECT_EXISTS};
    }
    auto result = Resolve(dos, path, drawer, LockMode::Create, 0, {});
    AMIGA_RETURN_IF_FAILED(result);
    NewObject object;
    if (!result->missingName.empty()) {
        object.parent = std::move(result->lock);
        object.name = std::move(result->missingName);
        return object;
    }
    // It exists: split it into its drawer and on-disk name.
    FileLock& found = result->lock;
    object.name = found.names.back();
    object.exists = true;
    auto parent = ParentDir(dos, found);
    AMIGA_RETURN_IF_FAILED(parent);
    object.parent = std::move(*parent);
    return object;
}

Expected<FileLock, DosError> ParentDir(const DosList& /*dos*/, const FileLock& lock) {
    if (lock.names.empty()) {
        return Unexpected{ERROR_OBJECT_NOT_FOUND};
    }
    FileLock parent = lock;
    parent.link = false;
    parent.names.pop_back();
    parent.hostPath = HostPathOf(parent.volumeRoot, parent.names);
    if (DosStatus status = Describe(parent); !status) {
        return Unexpected{status.error()};
    }
    return parent;
}

std::string NameFromLock(const DosList& dos, const FileLock& lock) {
    std::string name = dos.volumes()[lock.volume].name + ":";
    for (std::size_t i = 0; i < lock.names.size(); ++i) {
        if (i > 0) {
            name += '/';
        }
        name += lock.names[i];
    }
    return name;
}

bool SameLock(const FileLock& a, const FileLock& b) {
    return a.device == b.device && a.inode == b.inode;
}

}  // namespace amiga
