#include "prefs/Validation.h"

#include <algorithm>

#include "platform/Latin1.h"

namespace stovan {
namespace {

// Indexes of the drawers validation makes absolute, in the order it does so:
// temporary, download, image and backup drawers, then the type drawers.
constexpr std::size_t kTempDir = 0;
constexpr std::size_t kDownloadDir = 1;
constexpr std::size_t kImageDir = 12;
constexpr std::size_t kBackupDir = 17;
constexpr std::size_t kDrawerOrder[] = {0, 1, 12, 17, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 15};
constexpr int kPasses = 3;

// The default of a drawer Stovan creates itself, or none for the others.
std::optional<std::string_view> OwnDrawerDefault(std::size_t index) {
    switch (index) {
        case kDownloadDir:
            return kDefaultDownloadDir;
        case kImageDir:
            return kDefaultImageDir;
        case kBackupDir:
            return kDefaultBackupDir;
        default:
            return std::nullopt;
    }
}

// Up to three passes: lock the path and take its full name; create a missing
// drawer of Stovan's own and try again; move a drawer off the RAM disk (only
// the temporary drawer may live there) and try again. A path that never
// settles is kept as last computed.
std::string NormaliseDrawer(std::size_t index, std::string buffer, PreferencesHost& host) {
    const auto ownDefault = OwnDrawerDefault(index);
    for (int pass = 0; pass < kPasses; ++pass) {
        auto full = host.fullPath(buffer);
        if (!full) {
            if (!ownDefault) {
                break;  // a missing type or temporary drawer is kept as typed
            }
            (void)host.createDrawerPath(buffer);  // a failure shows in the next pass
            continue;
        }
        buffer = std::move(*full);
        if (buffer.size() > kMaxValidatedPath) {
            buffer.resize(kMaxValidatedPath);
        }
        if (!IsOnRamDisk(buffer, host)) {
            break;
        }
        if (index == kTempDir) {
            break;  // the RAM disk is the right place for temporary files
        }
        if (ownDefault) {
            buffer = *ownDefault;
            (void)host.createDrawerPath(buffer);  // a failure shows in the next pass
        } else {
            buffer = "SYS:";
        }
    }
    return buffer;
}

std::uint32_t Clamp(std::uint32_t value, std::uint32_t minimum, std::uint32_t maximum) {
    return std::clamp(value, minimum, maximum);
}

}  // namespace

bool IsOnRamDisk(std::string_view path, PreferencesHost& host) {
    if (amiga::StartsWithNoCase(path, "RAM:") || amiga::StartsWithNoCase(path, "RAM DISK:")) {
        return true;
    }
    const std::size_t colon = path.find(':');
    return colon != std::string_view::npos && colon > 0 && host.isRamDisk(path.substr(0, colon));
}

std::string JoinPath(std::string_view path, std::string_view name) {
    std::string joined(path);
    if (!joined.empty() && joined.back() != ':' && joined.back() != '/') {
        joined.push_back('/');
    }
    joined.append(name);
    return joined;
}

void validatePreferences(Preferences& record, PreferencesHost& host) {
    if (record.finderPaths.empty()) {
        if (auto paths = host.defaultFinderPaths()) {
            record.finderPaths = std::move(*paths);
        }
    }
    if (record.backupDir.empty()) {
        record.backupDir = kDefaultBackupDir;
    }
    if (record.imageDir.empty()) {
        record.imageDir = kDefaultImageDir;
    }

    // Older versions kept the images one level deeper, in a drawer "Images"
    // inside the image drawer; follow them there.
    if (host.fullPath(record.imageDir) && host.fullPath(JoinPath(record.imageDir, "Images"))) {
        record.imageDir = JoinPath(record.imageDir, "Images");
    }

    for (std::size_t index : kDrawerOrder) {
        std::string& text = record.string(index);
        std::string buffer = text.substr(0, kMaxValidatedPath);
        text = NormaliseDrawer(index, std::move(buffer), host);
    }

    // A word that is zero was never set (an older file or none at all).
    if (record.connectTimeout == 0) {
        record.connectTimeout = 2;
    }
    if (record.transferTimeout == 0) {
        record.transferTimeout = 3;
    }
    if (record.connectRetries == 0) {
        record.connectRetries = 4;
    }
    record.maxArchives = Clamp(record.maxArchives, 2, 32);
    if (record.parallelTransfers == 0) {
        record.parallelTransfers = kDefaultParallelTransfers;
    }
    record.parallelTransfers = std::min(record.parallelTransfers, kMaxParallelTransfers);
    // Only a damaged or foreign file holds values the window cannot show;
    // bring them into its ranges so that no control is handed an index or a
    // wait it cannot take.
    record.connectTimeout = std::min<std::uint32_t>(record.connectTimeout, 30);
    record.transferTimeout = std::min<std::uint32_t>(record.transferTimeout, 30);
    record.connectRetries = std::min<std::uint32_t>(record.connectRetries, 30);
    if (record.launchAction > LAUNCH_UPDATE) {
        record.launchAction = LAUNCH_VERSION_CHECK;
    }
    if (record.stateFilterPreset > 4) {
        record.stateFilterPreset = 0;
    }
    if (record.modeFilterPreset > 4) {
        record.modeFilterPreset = 0;
    }
}

}  // namespace stovan
