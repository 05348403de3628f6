#pragma once
// Repairs and normalises the preferences record: fills the finder's search
// list, makes the drawers absolute, creates the download, image and backup
// drawers, keeps them off the RAM disk and clamps the numbers. Run after
// every load at start-up and before every save.

#include <optional>
#include <string>
#include <string_view>

#include "prefs/Preferences.h"

namespace stovan {

// What validation needs of the file system. The system implementation works
// on the mounted volumes (SystemPreferencesHost); tests may substitute their
// own to reach failures a real file system will not produce on demand.
class PreferencesHost {
  public:
    virtual ~PreferencesHost() = default;
    // Lock and NameFromLock: the full path of an existing object ("Work:Cache/
    // Downloads" for "PROGDIR:Cache/Downloads/"), or none when it cannot be
    // locked.
    virtual std::optional<std::string> fullPath(std::string_view path) = 0;
    // Creates the drawer and every missing parent, without icons.
    virtual bool createDrawerPath(std::string_view path) = 0;
    // True when the volume or device name (without the colon) is the RAM disk
    // of this system, under any of its names.
    virtual bool isRamDisk(std::string_view deviceName) = 0;
    // The finder's default search list, or none when it cannot be built.
    virtual std::optional<std::string> defaultFinderPaths() = 0;
};

// The longest path validation handles; longer strings are cut to this.
inline constexpr std::size_t kMaxValidatedPath = 65536;

// True when path begins with "RAM:" or "RAM DISK:" (without regard to case),
// or with another name under which host knows the RAM disk.
bool IsOnRamDisk(std::string_view path, PreferencesHost& host);

// AddPart: path and name joined with "/" unless path is empty or ends in ":"
// or "/".
std::string JoinPath(std::string_view path, std::string_view name);

// Validates the record in place; see the header comment.
void validatePreferences(Preferences& record, PreferencesHost& host);

}  // namespace stovan
