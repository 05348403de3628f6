#pragma once
// Placeholder expansion: every path, file name, script line and template
// Stovan builds for an application item is written as text with words in
// braces ("{TEMPDIR}{NAME}.bat", "{DOWNLOADDIR}{NAME}_v{VERSION}{EXTENSION}")
// that ExpandText replaces by their values for one item. Database authors
// write the same words in INSTALL and UNINSTALL blocks and in the
// INSTALLCHECK, VERSIONCHECK and URL entries, so the table below is part of
// the database format (docs/placeholders.md describes it for them).
//
// The operations are the engine's: they read its counters, its current
// operation, the live preferences and the system it manages.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/MessageIds.h"
#include "core/Status.h"
#include "database/Engine.h"
#include "database/InstallDir.h"
#include "database/Item.h"
#include "platform/MountTable.h"

namespace stovan {

// Options of a placeholder row.
inline constexpr std::uint32_t TRAILING_SLASH = 1;  // a drawer: make it end in "/" (or ":")
inline constexpr std::uint32_t TEMP_SUBDIR = 2;     // join "StovanTemp/<scratch number>", create it
inline constexpr std::uint32_t EXPAND_AGAIN = 4;    // expand the value again, unless it holds
                                                    // the placeholder's own name
inline constexpr std::uint32_t FILE_PART = 8;       // only what follows the last "/" or ":"

// How a row's value is obtained.
enum class PlaceholderKind : std::uint8_t {
    PreferenceDrawer,  // parameter: index of the preference string
    ServerNumber,      // parameter: 0 version, 1 revision, 2 build of serverVersion
    InstalledNumber,   // the same of installedVersion
    ItemText,          // parameter: the ItemField
    UpperName,
    LowerName,
    DisplayName,
    InstallDir,
    CheckName,
    Extension,
    OperatingSystem,  // the word between the braces picks the value
    SystemVersion,
    Fpu,
    Language,
    UrlServer,
    ProgramFile,
    Random,
    DatePart,      // text: the FormatDate code
    ExpandedText,  // text: expanded again for the item
    Template,      // parameter: the ScriptTemplate
    InstallMode,
    BackupMode,
    BackupName,
};

struct PlaceholderRow {
    std::string_view name;  // upper case, with its closing brace: "TEMPDIR}"
    PlaceholderKind kind;
    std::uint32_t options = 0;
    std::uint32_t parameter = 0;
    std::string_view text;
};

// Every placeholder in table order: the first row whose name matches wins
// (no name is a prefix of another, so the order decides nothing today).
std::span<const PlaceholderRow> PlaceholderTable();

// A value is cut to this many characters before the row's options apply.
inline constexpr std::size_t kMaxPlaceholderValue = 65534;
// No expansion grows beyond this (a database text that names a template
// thousands of times); a longer result fails with kExpansionTooLong.
inline constexpr std::size_t kMaxExpandedText = std::size_t{64} << 20;
// The failure of an expansion past kMaxExpandedText: "Failed to create
// temporary file!". Expanded texts become the scripts and files Stovan
// writes for an operation, and such a text is the one it cannot make; the
// message keeps the user from looking for a memory shortage (329, which
// stays for real allocation failures).
inline constexpr MessageId kExpansionTooLong = msg::CannotCreateTempFile;

// The drawer of the check files that record an installation. Stovan's own
// program file (kProgramFile, database/InstallDir.h) gives the restore
// script's icon.
inline constexpr std::string_view kVersionDataDrawer = "PROGDIR:Prefs/VersionData";

// `text` with every known placeholder replaced by its value for `item`.
// `item` may be null for texts that use only the item-independent words
// ({TEMPDIR}, {DOWNLOADDIR}, {BACKUPDIR}, {STOVANICON}, {RANDOM},
// {LANGUAGE}, the operating-system words, {SYSTEMVERSION}, {FPU}); the
// item's words then give empty values. Unknown names and a "{" without a
// known name after it are copied as they are; the text ends at a NUL byte.
// Values are not scanned again, except where the table says so (templates,
// EXPAND_AGAIN), and each value is computed at most once per call, so the
// work is linear in the text and the result. Fails with kExpansionTooLong
// when the result would pass kMaxExpandedText, 329 when memory runs out.
Result<std::string> ExpandText(Engine& engine, const ApplicationItem* item, std::string_view text);

// The step for one placeholder: `afterBrace` is the text after a "{". Puts
// the value into `value` and returns the matched row, whose name length
// says how far to advance; null (value empty) when no row matches. Fails
// (value empty) as ExpandText does.
Result<const PlaceholderRow*> ResolvePlaceholder(Engine& engine, const ApplicationItem* item,
                                                 std::string_view afterBrace, std::string& value);

// The operating-system word for a key as the text writes it ("SystemOS",
// "sysos", ...), compared with case; "" for any other spelling.
std::string_view OperatingSystemWord(amiga::SystemKind kind, std::string_view key);

// "$VER: AmigaOS4 4.1.0" for the managed system. AmigaOS 4 versions are
// those an exec library can report (2.0, 2.1, 3.0, 3.1, 3.2, 3.5, 3.9, 4.0,
// 4.1); any other gives 0.0. On MorphOS the version is taken as it is.
std::string SystemVersionString(const amiga::SystemProfile& profile);

// The drawer the application is installed in, only when it exists as a
// drawer: "{INSTALLDIR}{NAME}", the followed item's drawer, or
// "{APPDIRECTORY}" for items whose install drawer is disabled.
std::optional<std::string> ApplicationDirectory(Engine& engine, const ApplicationItem& item);

// Creates every missing drawer along path, first component first; with
// withIcons each drawer it creates gets a default drawer icon. Failures are
// ignored (a later step that needs the drawer reports them).
void CreateDrawerPath(const amiga::DosList& dos, std::string_view path, bool withIcons);

}  // namespace stovan
