#pragma once
// The settings of the Preferences record by name, for front ends without the
// preferences window (the command line): every word by its field name, every
// flag by its flag name, every string by its field name. Setting a value
// follows the window's rules: the same ranges, and the drawer fields take the
// path rule (a text without ":" is relative to "PROGDIR:").

#include <string>
#include <string_view>
#include <vector>

#include "platform/Expected.h"
#include "prefs/Preferences.h"

namespace stovan {

struct PreferenceSetting {
    std::string name;   // "connectTimeout", "KEEP_ARCHIVES", "tempDir"
    std::string value;  // "2", "on", "SYS:" (strings as stored, ISO-8859-1)
};

// Every setting of the record, in the order: words, flags, strings. The
// internal words (stringsOffset, the reserved words) are left out.
std::vector<PreferenceSetting> ListPreferences(const Preferences& record);

// True for the names the window does not let a user edit: the flag
// DATABASE_WARNING_SHOWN and the string listFormat, which Stovan keeps itself.
bool IsInternalPreference(std::string_view name);

// Sets one setting from its text. Names are matched without regard to case.
// Flags take on/off (also yes/no, true/false, 1/0); words take a decimal
// number in the window's range, and the choice words also take the label
// of the window's entry ("Version check", "Installed", "Update", ...); drawer
// fields take the path rule; imageServer and finderPaths are stored as given.
// The value is ISO-8859-1. On failure the record is unchanged and the
// error is a sentence for the user.
amiga::Expected<bool, std::string> SetPreference(Preferences& record, std::string_view name,
                                                 std::string_view value);

// The window's path rule: "Cache/Temp" becomes "PROGDIR:Cache/Temp"; a text
// with ":" stays as it is.
std::string ApplyPathRule(std::string_view text);

}  // namespace stovan
