#include "platform/SystemRoot.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "platform/DosFiles.h"
#include "platform/HostFiles.h"

namespace amiga {
namespace {

namespace fs = std::filesystem;

std::string Absolute(const std::string& folder) {
    std::error_code error;
    fs::path path = fs::absolute(fs::path(folder), error);
    if (error) {
        return folder;
    }
    std::string text = path.lexically_normal().string();
    while (text.size() > 1 && text.ends_with('/')) {
        text.pop_back();
    }
    return text;
}

bool IsMissingOrEmpty(const std::string& folder) {
    auto info = HostLstat(folder);
    if (!info || info->type == HostType::Missing) {
        return info.ok();
    }
    if (info->type != HostType::Directory) {
        return false;
    }
    auto names = HostListDirectory(folder);
    return names && names->empty();
}

}  // namespace

std::string PortsFolder(const DosList& dos) {
    return dos.rootFolder() + "/Ports";
}

std::string DefaultRootFolder() {
    std::string data = HostEnvironment("XDG_DATA_HOME");
    if (data.empty() || data.front() != '/') {
        const std::string home = HostEnvironment("HOME");
        if (home.empty()) {
            return {};
        }
        data = home + "/.local/share";
    }
    return data + "/stovan/root";
}

MountTable DefaultMountTable(const SystemProfile& profile) {
    MountTable table;
    table.profile = profile;
    table.volumes = {
        {"SYS", "SYS", "DH0", true, 0},
        {"Work", "Work", "DH1", false, 0},
        {"RAM", "RAM", "", false, 0},
    };
    table.assigns = {
        {"PROGDIR", {"Work:Stovan"}, 0},
        {"T", {"RAM:T"}, 0},
        {"ENV", {"RAM:ENV"}, 0},
        {"ENVARC", {"SYS:Prefs/Env-Archive"}, 0},
        {"S", {"SYS:S"}, 0},
        {"C", {"SYS:C"}, 0},
        // The system drawers every Amiga system assigns at boot: entries
        // install libraries, devices and fonts there.
        {"L", {"SYS:L"}, 0},
        {"LIBS", {"SYS:Libs"}, 0},
        {"DEVS", {"SYS:Devs"}, 0},
        {"FONTS", {"SYS:Fonts"}, 0},
        {"LOCALE", {"SYS:Locale"}, 0},
    };
    return table;
}

namespace {

// Fills the new root folder `folder` (already created, empty): the volume
// folders, the drawer tree and, last, the mount table.
Expected<DosList, std::string> FillRoot(const std::string& folder, const MountTable& table,
                                        const SystemProfile& profile) {
    std::error_code error;
    for (const VolumeEntry& volume : table.volumes) {
        fs::create_directories(fs::path(folder) / volume.hostFolder, error);
        if (error) {
            return Unexpected{"cannot create " + (fs::path(folder) / volume.hostFolder).string() +
                              ": " + error.message()};
        }
    }
    const std::string commands = profile.kind == SystemKind::MorphOS
                                     ? "PROGDIR:Database/Commands/MorphOS"
                                     : "PROGDIR:Database/Commands/AmigaOS4";
    DosList dos(folder, table);
    const std::string drawers[] = {
        "Work:Stovan",
        "PROGDIR:Database/Internal",
        "PROGDIR:Database/User",
        commands,
        "PROGDIR:Database/Images",
        "PROGDIR:Prefs",
        "PROGDIR:Cache/Downloads",
        "PROGDIR:Cache/Backups",
        "PROGDIR:Cache/Images",
        "SYS:C",
        "SYS:S",
        "SYS:L",
        "SYS:Libs",
        "SYS:Devs",
        "SYS:Fonts",
        "SYS:Locale",
        "SYS:Prefs/Env-Archive",
        "RAM:T",
        "RAM:ENV",
    };
    for (const std::string& drawer : drawers) {
        if (DosStatus status = CreateDrawerPath(dos, drawer); !status) {
            return Unexpected{"cannot create " + drawer + " in " + folder + ": " +
                              FaultText(status.error())};
        }
    }
    // The table is written last: a root with a mount table is complete.
    const std::string tablePath = folder + "/" + std::string(kMountTableName);
    if (DosStatus status = HostWriteFileAtomic(tablePath, FormatMountTable(table)); !status) {
        return Unexpected{"cannot write " + tablePath + ": " + FaultText(status.error())};
    }
    return dos;
}

bool HasMountTable(const std::string& folder) {
    auto table = HostLstat(folder + "/" + std::string(kMountTableName));
    return table && table->type == HostType::File;
}

}  // namespace

Expected<DosList, std::string> CreateDefaultRoot(const std::string& rawFolder,
                                                 const SystemProfile& profile) {
    const std::string folder = Absolute(rawFolder);
    if (!IsMissingOrEmpty(folder)) {
        if (HasMountTable(folder)) {
            return OpenSystemRoot(folder);  // another run made it meanwhile
        }
        return Unexpected{"cannot make a system root in " + folder +
                          ": the folder is not empty and has no " + std::string(kMountTableName)};
    }
    std::error_code error;
    fs::create_directories(fs::path(folder).parent_path(), error);
    if (error) {
        return Unexpected{"cannot create " + fs::path(folder).parent_path().string() + ": " +
                          error.message()};
    }
    // The root is built under a name of its own beside the final one and
    // renamed into place whole, so that several runs starting on a new
    // root at once never see (or make) half of one: the first rename wins,
    // the others find a complete root and use it.
    const std::string building = folder + ".new-" + std::to_string(::getpid()) + "-" +
                                 std::to_string(std::random_device{}());
    fs::create_directory(building, error);
    if (error) {
        return Unexpected{"cannot create " + building + ": " + error.message()};
    }
    const MountTable table = DefaultMountTable(profile);
    auto built = FillRoot(building, table, profile);
    if (built) {
        // rename() replaces a missing or empty folder, and fails when
        // another run's root is already there.
        if (::rename(building.c_str(), folder.c_str()) == 0) {
            return DosList(folder, table);
        }
        built = Unexpected{"cannot create " + folder + ": " + std::strerror(errno)};
    }
    fs::remove_all(building, error);
    if (HasMountTable(folder)) {
        return OpenSystemRoot(folder);
    }
    return built;
}

Expected<DosList, std::string> OpenSystemRoot(const std::string& rawFolder) {
    const std::string folder = Absolute(rawFolder);
    const std::string tablePath = folder + "/" + std::string(kMountTableName);
    auto text = HostReadFile(tablePath, kMaxMountTableSize);
    if (!text) {
        return Unexpected{"cannot read " + tablePath + ": " + FaultText(text.error())};
    }
    auto table = ParseMountTable(*text);
    if (!table) {
        return Unexpected{tablePath + " " + table.error()};
    }
    return DosList(folder, *table);
}

Expected<DosList, std::string> OpenProcessRoot(const std::string& commandLineRoot) {
    const std::string inherited = HostEnvironment(kRootVariable);
    std::string folder = commandLineRoot;
    if (folder.empty()) {
        folder = inherited;
    }
    if (folder.empty()) {
        folder = DefaultRootFolder();
        if (folder.empty()) {
            return Unexpected{
                std::string("no system root: give --root or set STOVAN_ROOT (HOME is not set)")};
        }
    }
    folder = Absolute(folder);
    auto table = HostLstat(folder + "/" + std::string(kMountTableName));
    Expected<DosList, std::string> dos = (table && table->type == HostType::Missing)
                                             ? CreateDefaultRoot(folder)
                                             : OpenSystemRoot(folder);
    if (!dos) {
        return dos;
    }
    if (!inherited.empty() && Absolute(inherited) == folder) {
        const std::string assigns = HostEnvironment(kAssignsVariable);
        if (!assigns.empty()) {
            if (DosStatus status = dos->ApplySerializedAssigns(assigns); !status) {
                return Unexpected{std::string("the assigns in STOVAN_ASSIGNS are malformed")};
            }
        }
    }
    return dos;
}

}  // namespace amiga
