#pragma once
// Loading and saving the preferences file.

#include <string>
#include <string_view>

#include "core/Status.h"
#include "prefs/Preferences.h"

namespace stovan {

// Reads the file at path into the record. Ok on success; on a missing,
// unreadable or unacceptable file msg::PrefsInvalidUsingDefaults, and the
// record holds the defaults of the given system. An empty path does nothing
// and is Ok.
Status loadPreferences(Preferences& record, std::string_view path, SystemProfile profile);

// Writes the record to the file at path (stringsOffset becomes 60). The
// new content goes to a temporary file beside it that replaces the old file
// only when complete, so a crash during the save never loses the settings.
// msg::CannotOpen when the file cannot be written; the old file is then
// untouched. An empty path does nothing and is Ok.
Status savePreferences(Preferences& record, std::string_view path);

}  // namespace stovan
