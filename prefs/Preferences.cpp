#include "prefs/Preferences.h"

#include <cassert>

namespace stovan {
namespace {

constexpr std::array<std::string_view, kPreferencesStringCount> kStringNames = {
    "tempDir",           "downloadDir",       "installDirAudio",   "installDirVideo",
    "installDirText",    "installDirPicture", "installDirGame",    "installDirEmulator",
    "installDirNetwork", "installDirTool",    "installDirUtility", "installDirApplication",
    "imageDir",          "imageServer",       "listFormat",        "installDirDesktop",
    "finderPaths",       "backupDir",
};

// The ranges are those of the window's sliders and cycles; the state filter
// also takes 1 (unknown), which the record allows although the window has no
// entry for it.
constexpr PreferencesWordName kWordNames[] = {
    {"launchAction", 2, 0, 2},    {"stateFilterPreset", 3, 0, 4},   {"modeFilterPreset", 4, 0, 4},
    {"connectTimeout", 5, 1, 30}, {"transferTimeout", 6, 1, 30},    {"connectRetries", 7, 1, 30},
    {"maxArchives", 9, 2, 32},    {"parallelTransfers", 10, 1, 16},
};

constexpr PreferencesFlagName kFlagNames[] = {
    {"ASK_DOWNLOAD", false, ASK_DOWNLOAD},
    {"ASK_UPDATE", false, ASK_UPDATE},
    {"ASK_UNINSTALL", false, ASK_UNINSTALL},
    {"ASK_INSTALL", false, ASK_INSTALL},
    {"ASK_REPAIR", false, ASK_REPAIR},
    {"ASK_STOVAN_UPDATE", false, ASK_STOVAN_UPDATE},
    {"ASK_DATABASE_UPDATE", false, ASK_DATABASE_UPDATE},
    {"KEEP_ARCHIVES", false, KEEP_ARCHIVES},
    {"WARN_NEW_DATABASE", false, WARN_NEW_DATABASE},
    {"DATABASE_WARNING_SHOWN", false, DATABASE_WARNING_SHOWN},
    {"FILESYSTEM_WARNING", false, FILESYSTEM_WARNING},
    {"COMMENT_ARCHIVES", false, COMMENT_ARCHIVES},
    {"LOG_ON_DATA_DOWNLOAD_ERROR", false, LOG_ON_DATA_DOWNLOAD_ERROR},
    {"LOG_ON_APPLICATION_DOWNLOAD_ERROR", false, LOG_ON_APPLICATION_DOWNLOAD_ERROR},
    {"LOG_ON_DATABASE_ERROR", false, LOG_ON_DATABASE_ERROR},
    {"FIND_APPLICATIONS", false, FIND_APPLICATIONS},
    {"SCAN_MISSING_IMAGES", false, SCAN_MISSING_IMAGES},
    {"OPEN_ON_UPDATES", false, OPEN_ON_UPDATES},
    {"SHOW_SHELL_OUTPUT", false, SHOW_SHELL_OUTPUT},
    {"SHOW_BUTTONS", false, SHOW_BUTTONS},
    {"QUIT_AFTER_CHECK", false, QUIT_AFTER_CHECK},
    {"CLOSE_IS_QUIT", true, CLOSE_IS_QUIT},
    {"ALWAYS_NOTIFY", true, ALWAYS_NOTIFY},
    {"BACKUP_BEFORE_INSTALL", true, BACKUP_BEFORE_INSTALL},
    {"BACKUP_BEFORE_UNINSTALL", true, BACKUP_BEFORE_UNINSTALL},
    {"HIDE_STOVAN_DATABASES", true, HIDE_STOVAN_DATABASES},
    {"STORE_PATH", true, STORE_PATH},
    {"DOUBLECLICK_INSTALL", true, DOUBLECLICK_INSTALL},
    {"SHOW_CHANGELOG", true, SHOW_CHANGELOG},
};

constexpr std::uint32_t kDefaultFlags = 0x2BB6001E;
constexpr std::uint32_t kDefaultFlags2 = CLOSE_IS_QUIT;

// Application type values whose default drawer is a setting of its own.
struct TypeDrawer {
    std::uint32_t type;
    std::string Preferences::*field;
};
constexpr TypeDrawer kTypeDrawers[] = {
    {1, &Preferences::installDirAudio},    {2, &Preferences::installDirVideo},
    {3, &Preferences::installDirText},     {4, &Preferences::installDirPicture},
    {5, &Preferences::installDirGame},     {6, &Preferences::installDirEmulator},
    {7, &Preferences::installDirNetwork},  {8, &Preferences::installDirTool},
    {9, &Preferences::installDirUtility},  {11, &Preferences::installDirApplication},
    {16, &Preferences::installDirDesktop},
};

}  // namespace

std::uint32_t& Preferences::word(std::size_t index) {
    assert(index < kPreferencesWordCount);
    switch (index) {
        case 0:
            return stringsOffset;
        case 1:
            return flags;
        case 2:
            return launchAction;
        case 3:
            return stateFilterPreset;
        case 4:
            return modeFilterPreset;
        case 5:
            return connectTimeout;
        case 6:
            return transferTimeout;
        case 7:
            return connectRetries;
        case 8:
            return flags2;
        case 9:
            return maxArchives;
        case 10:
            return parallelTransfers;
        default:
            return reserved[index - 11];
    }
}

std::uint32_t Preferences::word(std::size_t index) const {
    return const_cast<Preferences*>(this)->word(index);
}

std::string& Preferences::string(std::size_t index) {
    assert(index < kPreferencesStringCount);
    std::string* const fields[kPreferencesStringCount] = {
        &tempDir,           &downloadDir,       &installDirAudio,   &installDirVideo,
        &installDirText,    &installDirPicture, &installDirGame,    &installDirEmulator,
        &installDirNetwork, &installDirTool,    &installDirUtility, &installDirApplication,
        &imageDir,          &imageServer,       &listFormat,        &installDirDesktop,
        &finderPaths,       &backupDir,
    };
    return *fields[index];
}

const std::string& Preferences::string(std::size_t index) const {
    return const_cast<Preferences*>(this)->string(index);
}

std::span<const PreferencesWordName> PreferencesWordNames() {
    return kWordNames;
}
std::span<const PreferencesFlagName> PreferencesFlagNames() {
    return kFlagNames;
}
std::span<const std::string_view> PreferencesStringNames() {
    return kStringNames;
}

void clearPreferences(Preferences& record) {
    record = Preferences{};
}

void setDefaultPreferences(Preferences& record, amiga::SystemKind profile) {
    clearPreferences(record);
    record.stringsOffset = kPreferencesFixedSize;
    record.flags = kDefaultFlags;
    record.launchAction = LAUNCH_VERSION_CHECK;
    record.stateFilterPreset = 0;
    record.modeFilterPreset = 0;
    record.connectTimeout = 2;
    record.transferTimeout = 3;
    record.connectRetries = 4;
    record.flags2 = kDefaultFlags2;
    record.maxArchives = 0;        // validation raises it to the minimum
    record.parallelTransfers = 0;  // validation raises it to the default

    // Every string starts as the system's general application drawer; the
    // settings with a default of their own get it below. listFormat keeps
    // the placeholder: the list replaces it with its column format.
    const std::string base = profile == amiga::SystemKind::MorphOS ? "SYS:Applications/" : "SYS:";
    for (std::size_t index = 0; index < kPreferencesStringCount; ++index) {
        record.string(index) = base;
    }
    record.tempDir = "SYS:";
    record.downloadDir = kDefaultDownloadDir;
    if (profile == amiga::SystemKind::MorphOS) {
        record.installDirGame = "SYS:Games/";
    }
    record.installDirTool = "SYS:Tools/";
    record.installDirUtility = "SYS:Utilities/";
    record.imageDir = kDefaultImageDir;
    record.imageServer = kDefaultImageServer;
    record.installDirDesktop = "SYS:Utilities/";
    record.finderPaths.clear();
    record.backupDir = kDefaultBackupDir;
}

std::string defaultInstallDir(const Preferences& record, std::uint32_t applicationType) {
    for (const TypeDrawer& entry : kTypeDrawers) {
        if (entry.type == applicationType) {
            return record.*entry.field;
        }
    }
    return "SYS:";
}

}  // namespace stovan
