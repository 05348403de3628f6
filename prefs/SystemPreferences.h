#pragma once
// The preferences on the mounted volumes of a system root: the file by its
// Amiga path, validation against the real drawers, and the two sequences the
// program runs: at start-up (defaults, load, validate) and for a save on the
// user's behalf (create "PROGDIR:Prefs", validate, save).

#include <optional>
#include <string>
#include <string_view>

#include "core/Status.h"
#include "platform/Volumes.h"
#include "prefs/Preferences.h"
#include "prefs/Validation.h"

namespace stovan {

// Validation's file-system operations on the volumes of dos.
class SystemPreferencesHost : public PreferencesHost {
  public:
    explicit SystemPreferencesHost(const amiga::DosList& dos) : dos_(dos) {}
    std::optional<std::string> fullPath(std::string_view path) override;
    bool createDrawerPath(std::string_view path) override;
    bool isRamDisk(std::string_view deviceName) override;
    std::optional<std::string> defaultFinderPaths() override;

  private:
    const amiga::DosList& dos_;
};

// The finder's default search list built from the mounted devices of dos;
// none when "SYS:" cannot be locked.
std::optional<std::string> DefaultFinderPaths(const amiga::DosList& dos);

// Reads the file at an Amiga path. Ok, or msg::PrefsInvalidUsingDefaults with
// the defaults of the given system in the record (missing, unreadable or
// unacceptable file). An empty path does nothing and is Ok.
Status loadPreferences(Preferences& record, const amiga::DosList& dos, std::string_view path,
                       amiga::SystemKind system);

// Writes the record to the file at an Amiga path through a temporary file
// in the same drawer, so that a crash leaves the old file or the new one.
// msg::CannotOpen when it cannot be written (the old file stays). An empty
// path does nothing and is Ok.
Status savePreferences(Preferences& record, const amiga::DosList& dos, std::string_view path);

void validatePreferences(Preferences& record, const amiga::DosList& dos);

// Start-up: the defaults of the root's system, the file "PROGDIR:Prefs/
// stovan.prefs" over them, then validation. The status is that of the load.
Status LoadLivePreferences(Preferences& record, const amiga::DosList& dos);

// A save on the user's behalf: creates "PROGDIR:Prefs", validates the
// record and writes it to "PROGDIR:Prefs/stovan.prefs".
Status SaveLivePreferences(Preferences& record, const amiga::DosList& dos);

}  // namespace stovan
