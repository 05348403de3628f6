#pragma once
// The drawers the application finder searches by default, and the names it
// never searches. The preferences use both: an empty "Paths:" setting is
// filled with the default list when the preferences are validated.

#include <span>
#include <string>
#include <string_view>

namespace stovan {

// True when the last name component of path (after dropping one trailing "/"
// or ":") is one of the words the finder skips: devices such as "RAM", "PIPE"
// or "CD0" and drawers such as "Download", "Temp" or ".recycled", compared
// without regard to case.
bool IsExcludedName(std::string_view path);

// One entry of the system's device list as the default search list sees it.
struct FinderDevice {
    std::string name;           // without the colon, e.g. "DH1"
    bool usable = true;         // its handler runs (or it is no device) and it can be locked
    bool isBootVolume = false;  // its root is the same object as "SYS:"
};

// The comma-separated default search list: "SYS:", "SYS:Games",
// "SYS:Applications" first for the boot device, then every other usable
// device that IsExcludedName lets through, as "NAME:", in list order.
std::string DefaultFinderPaths(std::span<const FinderDevice> devices);

}  // namespace stovan
