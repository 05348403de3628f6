#include "prefs/FinderPaths.h"

#include <algorithm>
#include <deque>

#include "platform/Latin1.h"

namespace stovan {
namespace {

// Devices that are no disks, and drawers that hold copies, caches or
// version-control data rather than installed applications.
constexpr std::string_view kExcludedNames[] = {
    "prt",      "pipe",       "ps",       "ram",     "rawdisk",     ".recycled",
    ".recycle", "random",     "ixpipe",   "debug",   "sourcecodes", "sources",
    ".svn",     "cvs",        ".objects", ".object", "cd0",         "cd1",
    "download", "downloads",  "backups",  "backup",  "extract",     "t",
    "temp",     "multimedia", "cache",    "data",    "untitled",
};

}  // namespace

bool IsExcludedName(std::string_view path) {
    if (!path.empty() && (path.back() == '/' || path.back() == ':')) {
        path.remove_suffix(1);
    }
    const std::size_t separator = path.find_last_of("/:");
    const std::string_view last =
        separator == std::string_view::npos ? path : path.substr(separator + 1);
    return std::any_of(std::begin(kExcludedNames), std::end(kExcludedNames),
                       [last](std::string_view word) { return amiga::EqualsNoCase(last, word); });
}

std::string DefaultFinderPaths(std::span<const FinderDevice> devices) {
    std::deque<std::string> list;
    for (const FinderDevice& device : devices) {
        const std::string name = device.name + ":";
        if (!device.usable || IsExcludedName(name)) {
            continue;
        }
        if (device.isBootVolume) {
            // Each put in front of the previous one, so the list starts
            // "SYS:", "SYS:Games", "SYS:Applications".
            list.push_front("SYS:Applications");
            list.push_front("SYS:Games");
            list.push_front("SYS:");
        } else {
            list.push_back(name);
        }
    }
    std::string text;
    for (const std::string& entry : list) {
        if (!text.empty()) {
            text.push_back(',');
        }
        text += entry;
    }
    return text;
}

}  // namespace stovan
