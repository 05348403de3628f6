#pragma once
// The Preferences record: every user setting of Stovan, kept in memory for the
// whole run and stored in "PROGDIR:Prefs/stovan.prefs" (prefs/PreferencesFile.h).
// The record has a fixed part of fifteen 32-bit words and eighteen owned
// strings; the file keeps both in exactly the order declared here.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/MountTable.h"

namespace stovan {

// Bits of Preferences::flags.
inline constexpr std::uint32_t ASK_DOWNLOAD = 0x00000001;
inline constexpr std::uint32_t ASK_UPDATE = 0x00000002;
inline constexpr std::uint32_t ASK_UNINSTALL = 0x00000004;
inline constexpr std::uint32_t ASK_INSTALL = 0x00000008;
inline constexpr std::uint32_t ASK_REPAIR = 0x00000010;
inline constexpr std::uint32_t ASK_STOVAN_UPDATE = 0x00008000;
inline constexpr std::uint32_t ASK_DATABASE_UPDATE = 0x00010000;
inline constexpr std::uint32_t KEEP_ARCHIVES = 0x00020000;
inline constexpr std::uint32_t WARN_NEW_DATABASE = 0x00040000;
// Not shown in the window: the new-database warning has been shown once.
inline constexpr std::uint32_t DATABASE_WARNING_SHOWN = 0x00080000;
inline constexpr std::uint32_t FILESYSTEM_WARNING = 0x00100000;
inline constexpr std::uint32_t COMMENT_ARCHIVES = 0x00200000;
inline constexpr std::uint32_t LOG_ON_DATA_DOWNLOAD_ERROR = 0x00400000;
inline constexpr std::uint32_t LOG_ON_APPLICATION_DOWNLOAD_ERROR = 0x00800000;
inline constexpr std::uint32_t LOG_ON_DATABASE_ERROR = 0x01000000;
inline constexpr std::uint32_t FIND_APPLICATIONS = 0x02000000;
inline constexpr std::uint32_t SCAN_MISSING_IMAGES = 0x04000000;
inline constexpr std::uint32_t OPEN_ON_UPDATES = 0x08000000;
inline constexpr std::uint32_t SHOW_SHELL_OUTPUT = 0x10000000;
inline constexpr std::uint32_t SHOW_BUTTONS = 0x20000000;
inline constexpr std::uint32_t QUIT_AFTER_CHECK = 0x40000000;

// Bits of Preferences::flags2.
inline constexpr std::uint32_t CLOSE_IS_QUIT = 0x0001;
inline constexpr std::uint32_t ALWAYS_NOTIFY = 0x0002;
inline constexpr std::uint32_t BACKUP_BEFORE_INSTALL = 0x0004;
inline constexpr std::uint32_t BACKUP_BEFORE_UNINSTALL = 0x0008;
inline constexpr std::uint32_t HIDE_STOVAN_DATABASES = 0x0010;
inline constexpr std::uint32_t STORE_PATH = 0x0080;
inline constexpr std::uint32_t DOUBLECLICK_INSTALL = 0x0100;
inline constexpr std::uint32_t SHOW_CHANGELOG = 0x0200;

// Values of Preferences::launchAction.
inline constexpr std::uint32_t LAUNCH_DO_NOTHING = 0;
inline constexpr std::uint32_t LAUNCH_VERSION_CHECK = 1;
inline constexpr std::uint32_t LAUNCH_UPDATE = 2;

// The file name of the preferences, relative to the program's drawer.
inline constexpr std::string_view kPreferencesPath = "PROGDIR:Prefs/stovan.prefs";
inline constexpr std::string_view kPreferencesDrawer = "PROGDIR:Prefs";
inline constexpr std::string_view kPreferencesLockName = "Preferences";
inline constexpr std::string_view kDefaultDownloadDir = "PROGDIR:Cache/Downloads/";
inline constexpr std::string_view kDefaultImageDir = "PROGDIR:Cache/Images/";
inline constexpr std::string_view kDefaultBackupDir = "PROGDIR:Cache/Backups/";
// The fallback image server. There is no public one: the host is a reserved
// example name that the user replaces with a real mirror; the scheme and the
// path are what the image cache expects.
inline constexpr std::string_view kDefaultImageServer =
    "http://images.stovan.example/images/stovan/";
// How many fetches a version check runs side by side: 1 is one item after
// the other. The word was reserved (0) in older files and is 0 in the
// defaults as written, so the file keeps its old layout; validation turns 0
// into the default.
inline constexpr std::uint32_t kDefaultParallelTransfers = 4;
inline constexpr std::uint32_t kMaxParallelTransfers = 16;

inline constexpr std::size_t kPreferencesWordCount = 15;
inline constexpr std::size_t kPreferencesStringCount = 18;
// Byte size of the fixed part in the file; the first string follows it.
inline constexpr std::uint32_t kPreferencesFixedSize = 60;

struct Preferences {
    // The fixed part, words 0 to 14 in file order.
    std::uint32_t stringsOffset = 0;          // 0: offset of the first string in the data chunk
    std::uint32_t flags = 0;                  // 1: ASK_DOWNLOAD ... QUIT_AFTER_CHECK
    std::uint32_t launchAction = 0;           // 2: LAUNCH_DO_NOTHING .. LAUNCH_UPDATE
    std::uint32_t stateFilterPreset = 0;      // 3: 0 all, 1 unknown, 2 not installed, 3 installed,
                                              //    4 outdated
    std::uint32_t modeFilterPreset = 0;       // 4: 0 all, 1 ignore, 2 notify, 3 download, 4 update
    std::uint32_t connectTimeout = 0;         // 5: seconds, 1..30
    std::uint32_t transferTimeout = 0;        // 6: seconds, 1..30
    std::uint32_t connectRetries = 0;         // 7: tries, 1..30
    std::uint32_t flags2 = 0;                 // 8: CLOSE_IS_QUIT ... SHOW_CHANGELOG
    std::uint32_t maxArchives = 0;            // 9: old archives kept per application, 2..32
    std::uint32_t parallelTransfers = 0;      // 10: fetches a version check runs at a time, 1..16
    std::array<std::uint32_t, 4> reserved{};  // 11-14: kept as read

    // The eighteen strings, in file order (index in the comment).
    std::string tempDir;                // 0
    std::string downloadDir;            // 1
    std::string installDirAudio;        // 2
    std::string installDirVideo;        // 3
    std::string installDirText;         // 4
    std::string installDirPicture;      // 5
    std::string installDirGame;         // 6
    std::string installDirEmulator;     // 7
    std::string installDirNetwork;      // 8
    std::string installDirTool;         // 9
    std::string installDirUtility;      // 10
    std::string installDirApplication;  // 11
    std::string imageDir;               // 12
    std::string imageServer;            // 13
    std::string listFormat;             // 14: the application list's column format
    std::string installDirDesktop;      // 15
    std::string finderPaths;            // 16: comma-separated drawers for the finder
    std::string backupDir;              // 17

    bool operator==(const Preferences&) const = default;

    // Word i (0..14) of the fixed part, in file order.
    std::uint32_t& word(std::size_t index);
    std::uint32_t word(std::size_t index) const;
    // String i (0..17), in file order.
    std::string& string(std::size_t index);
    const std::string& string(std::size_t index) const;
};

// Names of the settings as the command line shows them: words and strings
// by their field names, flags by their flag names.
struct PreferencesWordName {
    std::string_view name;
    std::size_t index;      // word index 0..14
    std::uint32_t minimum;  // the range a user may set
    std::uint32_t maximum;
};
struct PreferencesFlagName {
    std::string_view name;
    bool second;  // a bit of flags2 rather than flags
    std::uint32_t mask;
};
// The user-settable words (not stringsOffset nor the reserved words).
std::span<const PreferencesWordName> PreferencesWordNames();
// Every flag, in bit order of flags and then flags2.
std::span<const PreferencesFlagName> PreferencesFlagNames();
// The field names of the eighteen strings, in file order.
std::span<const std::string_view> PreferencesStringNames();

// Empties every string and sets every word to zero.
void clearPreferences(Preferences& record);

// Clears the record, then puts in the built-in defaults of the given system
// (AmigaOS 4 and MorphOS differ in the default install drawers).
void setDefaultPreferences(Preferences& record, amiga::SystemKind system);

// The default install drawer of an application type (the item's type value:
// 1 AUDIO, 2 VIDEO, 3 TEXT, 4 PICTURE, 5 GAME, 6 EMULATOR, 7 NETWORK, 8 TOOL,
// 9 UTILITY, 11 APPLICATION, 16 DESKTOP). Every other type gets "SYS:".
std::string defaultInstallDir(const Preferences& record, std::uint32_t applicationType);

}  // namespace stovan
