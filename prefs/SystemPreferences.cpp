#include "prefs/SystemPreferences.h"

#include <vector>

#include "core/MessageIds.h"
#include "platform/DosFiles.h"
#include "platform/Icon.h"
#include "platform/Latin1.h"
#include "platform/Locks.h"
#include "prefs/FinderPaths.h"
#include "prefs/PreferencesFile.h"

namespace stovan {
namespace {

// Reads at most one byte more than a preferences file may have, so that a
// huge file is refused without being read whole.
std::optional<std::string> ReadPreferencesBytes(const amiga::DosList& dos, std::string_view path) {
    auto file = amiga::FileHandle::Open(dos, path, amiga::OpenMode::OldFile);
    if (!file.ok()) {
        return std::nullopt;
    }
    std::string content;
    char buffer[8192];
    for (;;) {
        auto got = file->Read(buffer, sizeof buffer);
        if (!got.ok()) {
            return std::nullopt;
        }
        if (*got == 0) {
            return content;
        }
        content.append(buffer, *got);
        if (content.size() > kMaxPreferencesFileSize) {
            return std::nullopt;
        }
    }
}

}  // namespace

std::optional<std::string> SystemPreferencesHost::fullPath(std::string_view path) {
    auto lock = amiga::Lock(dos_, path);
    if (!lock.ok()) {
        return std::nullopt;
    }
    return amiga::NameFromLock(dos_, *lock);
}

bool SystemPreferencesHost::createDrawerPath(std::string_view path) {
    return amiga::CreateDrawerPath(dos_, path).ok();
}

bool SystemPreferencesHost::isRamDisk(std::string_view deviceName) {
    auto found = dos_.FindDevice(deviceName);
    if (!found.ok() || found->kind != amiga::DeviceLookup::Kind::Volume) {
        return false;
    }
    const amiga::Volume& volume = dos_.volumes()[found->index];
    for (std::string_view name : {std::string_view("RAM"), std::string_view("RAM Disk")}) {
        if (amiga::EqualsNoCase(volume.name, name) || amiga::EqualsNoCase(volume.device, name)) {
            return true;
        }
    }
    return false;
}

std::optional<std::string> SystemPreferencesHost::defaultFinderPaths() {
    return DefaultFinderPaths(dos_);
}

std::optional<std::string> DefaultFinderPaths(const amiga::DosList& dos) {
    auto system = amiga::Lock(dos, "SYS:");
    if (!system.ok()) {
        return std::nullopt;
    }
    std::vector<FinderDevice> devices;
    for (const amiga::MountedDevice& mounted : dos.Devices()) {
        FinderDevice device;
        device.name = mounted.name;
        auto root = amiga::Lock(dos, mounted.name + ":");
        device.usable = root.ok();
        device.isBootVolume = root.ok() && amiga::SameLock(*root, *system);
        devices.push_back(std::move(device));
    }
    return DefaultFinderPaths(devices);
}

Status loadPreferences(Preferences& record, const amiga::DosList& dos, std::string_view path,
                       amiga::SystemKind system) {
    if (path.empty()) {
        return Status::Ok();
    }
    if (auto bytes = ReadPreferencesBytes(dos, path)) {
        auto decoded = DecodePreferences(*bytes);
        if (decoded.ok()) {
            record = std::move(*decoded);
            return Status::Ok();
        }
    }
    setDefaultPreferences(record, system);
    return Status(msg::PrefsInvalidUsingDefaults);
}

Status savePreferences(Preferences& record, const amiga::DosList& dos, std::string_view path) {
    if (path.empty()) {
        return Status::Ok();
    }
    record.stringsOffset = kPreferencesFixedSize;
    if (!amiga::WriteFile(dos, path, EncodePreferences(record)).ok()) {
        return Status(msg::CannotOpen);
    }
    return Status::Ok();
}

void validatePreferences(Preferences& record, const amiga::DosList& dos) {
    SystemPreferencesHost host(dos);
    validatePreferences(record, host);
}

Status LoadLivePreferences(Preferences& record, const amiga::DosList& dos) {
    setDefaultPreferences(record, dos.profile().kind);
    const Status status = loadPreferences(record, dos, kPreferencesPath, dos.profile().kind);
    validatePreferences(record, dos);
    return status;
}

Status SaveLivePreferences(Preferences& record, const amiga::DosList& dos) {
    // Every level created gets a drawer icon, as the Workbench would show it.
    // A failure here shows as the save's own failure.
    (void)amiga::CreateDrawerPathWithIcons(dos, kPreferencesDrawer);
    validatePreferences(record, dos);
    return savePreferences(record, dos, kPreferencesPath);
}

}  // namespace stovan
