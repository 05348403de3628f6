#pragma once
// The volume and assign mapping of one system root: which host folder each
// Amiga volume is, and which Amiga paths each assign stands for. Built from
// the mount table; assigns can be changed at run time (AssignAdd for the
// companion-command drawer) and handed to child processes through the
// environment, so that every process of a run sees the same table.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/DosErrors.h"
#include "platform/Expected.h"
#include "platform/MountTable.h"

namespace amiga {

// Environment variables that carry the table to child processes.
inline constexpr const char* kRootVariable = "STOVAN_ROOT";
inline constexpr const char* kAssignsVariable = "STOVAN_ASSIGNS";

struct Volume {
    std::string name;        // "Work"
    std::string device;      // "DH1", or "" when the table gives none
    std::string hostFolder;  // absolute host folder
    bool boot = false;
};

struct Assign {
    std::string name;                  // "C"
    std::vector<std::string> targets;  // absolute Amiga paths, in search order
};

// One entry of the list of mounted devices (dos.library's device list).
struct MountedDevice {
    std::string name;        // the device name, or the volume name when it has none
    std::size_t volume = 0;  // index into DosList::volumes()
    bool boot = false;
};

// What a name before ":" stands for.
struct DeviceLookup {
    enum class Kind { Volume, Assign, Nil } kind = Kind::Volume;
    std::size_t index = 0;  // into volumes() or assigns()
};

class DosList {
  public:
    DosList() = default;
    // rootFolder is absolute; relative host folders of the table are taken
    // relative to it.
    DosList(std::string rootFolder, const MountTable& table);

    const std::string& rootFolder() const { return rootFolder_; }
    const SystemProfile& profile() const { return profile_; }
    const std::vector<Volume>& volumes() const { return volumes_; }
    const std::vector<Assign>& assigns() const { return assigns_; }
    std::size_t bootVolume() const { return bootVolume_; }
    // The mounted devices in mount-table order, the boot volume marked.
    std::vector<MountedDevice> Devices() const;

    // Finds a volume, device or assign name without regard to case. "SYS"
    // is the boot volume unless a volume, device or assign of that name
    // exists; "NIL" is the NIL: device. ERROR_DEVICE_NOT_MOUNTED otherwise.
    Expected<DeviceLookup, DosError> FindDevice(std::string_view name) const;

    // dos.library AssignPath/AssignLock: (re)defines name as target alone.
    // A name that is a volume or device fails with ERROR_OBJECT_EXISTS; a
    // target without ":" with ERROR_INVALID_COMPONENT_NAME.
    DosStatus AssignPath(std::string_view name, std::string_view target);
    // AssignAdd: appends a directory to an existing assign
    // (ERROR_OBJECT_NOT_FOUND when there is none; a target already listed
    // is not added twice).
    DosStatus AssignAdd(std::string_view name, std::string_view target);
    // RemAssignList: removes one directory (compared without regard to
    // case); the assign goes away with its last directory.
    DosStatus RemAssignList(std::string_view name, std::string_view target);
    // Removes an assign entirely.
    DosStatus RemoveAssign(std::string_view name);

    // The current assigns in one line for STOVAN_ASSIGNS, and back: entries
    // "NAME=target|target" joined by ";", with "%", ";", "|", "=" and bytes
    // outside printable ASCII written as %xx.
    std::string SerializeAssigns() const;
    // Replaces all assigns by the serialized list. Malformed text fails with
    // ERROR_BAD_TEMPLATE and leaves the assigns unchanged.
    DosStatus ApplySerializedAssigns(std::string_view text);

    // The variables a child process needs to see this table:
    // STOVAN_ROOT=<root> and STOVAN_ASSIGNS=<assigns>.
    std::vector<std::pair<std::string, std::string>> ChildEnvironment() const;

  private:
    Assign* FindAssign(std::string_view name);

    std::string rootFolder_;
    SystemProfile profile_;
    std::vector<Volume> volumes_;
    std::vector<Assign> assigns_;
    std::size_t bootVolume_ = 0;
};

}  // namespace amiga
