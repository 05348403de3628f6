#pragma once
// The built-in script templates: fixed fragments of AmigaDOS script that a
// database entry's INSTALL and UNINSTALL blocks reach through their
// placeholders ({STANDARDEXTRACT}, {COPYALL}, ...). Each text ends every line,
// the last one included, with a line feed, and is itself full of
// placeholders that ExpandText (scripts/Placeholders.h) fills in for the item
// of the operation.
//
// The templates call the companion commands SGauge, SLog and STooltype; the
// keywords they pass ("EXTRACTING", "INSTALLING", "UNINSTALLING", "BACKUP",
// "BACKUPDONE") are what the companion port reads.

#include <optional>
#include <span>
#include <string_view>

namespace stovan {

enum class ScriptTemplate {
    STANDARDEXTRACT,      // unpack the archive into the temporary drawer
    CHECKAPPICON,         // keep the icon of an installed application drawer
    COPYDRAWERICON,       // give the application drawer an icon when it has none
    COPYALL,              // copy the unpacked drawer into place (also {STANDARDCOPY})
    CREATEWBSTARTUPICON,  // make a WBStartup project icon next to the program
    DELETEWBSTARTUPICON,  // remove the application from SYS:WBStartup
    STANDARDBACKUP,       // archive the installed application with a restore script
};
inline constexpr std::size_t kScriptTemplateCount = 7;

// The text of a template, byte for byte.
std::string_view TemplateText(ScriptTemplate which);

// A template placeholder and the template it stands for. Two placeholders
// share the copy template: {COPYALL} and {STANDARDCOPY}.
struct TemplatePlaceholder {
    std::string_view placeholder;  // "{COPYALL}"
    ScriptTemplate which;
};
std::span<const TemplatePlaceholder> TemplatePlaceholders();

// The template a placeholder (with its braces, any case) stands for.
std::optional<ScriptTemplate> FindTemplate(std::string_view placeholder);

// The name of the restore script that a backup archive carries, and the
// pattern of the MUI settings files it saves (after the upper-case item
// name). Both are reached by placeholders ({RESTORESCRIPT},
// {MUIPREFSPATTERN}) and expanded again like the templates.
inline constexpr std::string_view kRestoreScriptName = "StovanRestore";
inline constexpr std::string_view kMuiPrefsPattern = "(%|.#[0-9])(%|.#[0-9]).(cfg|prefs)";

}  // namespace stovan
