// stovan prefs show | set NAME VALUE [NAME VALUE ...] | reset
//
// The settings of the preferences window for a user without a window:
// `show` prints one NAME=VALUE line per setting (words and strings by their
// field names, flags by their flag names with on or off); `set` changes
// settings and saves them as the window's Save does (validated, drawers made
// absolute); `reset` puts back the built-in defaults and saves them.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandRegistry.h"
#include "core/TerminalText.h"
#include "platform/Latin1.h"
#include "platform/Locks.h"
#include "platform/RootLock.h"
#include "platform/SystemRoot.h"
#include "prefs/PreferencesSettings.h"
#include "prefs/SystemPreferences.h"

namespace stovan::app {
namespace {

void PrintSetting(const PreferenceSetting& setting) {
    std::printf("%s=%s\n", setting.name.c_str(), TerminalText(setting.value).c_str());
}

// The AmigaDOS return codes: a refused request, and a failure of the system.
constexpr int kReturnError = 10;
constexpr int kReturnFailure = 20;

// text is as the terminal shows it: host paths as they are, Amiga texts
// converted from ISO-8859-1 by the caller.
void Fail(Context& context, const std::string& text, int code = kReturnError) {
    std::fprintf(stderr, "stovan prefs: %s\n", text.c_str());
    context.exitCode = code;
}

bool Save(Context& context, Preferences& record, const amiga::DosList& dos) {
    if (!SaveLivePreferences(record, dos).ok()) {
        Fail(context, "cannot write " + std::string(kPreferencesPath), kReturnFailure);
        return false;
    }
    return true;
}

// True when the preferences file is missing: a new root, nothing to lose.
bool PreferencesFileMissing(const amiga::DosList& dos) {
    auto file = amiga::Lock(dos, kPreferencesPath);
    return !file && file.error() == amiga::ERROR_OBJECT_NOT_FOUND;
}

// The lock every read-change-save of the preferences file runs under, so
// that two runs at the same time never lose one another's change.
std::optional<amiga::RootLock> LockPreferences(Context& context, const amiga::DosList& dos) {
    auto lock = amiga::LockRoot(dos.rootFolder(), std::string(kPreferencesLockName));
    if (!lock) {
        Fail(context, lock.error(), kReturnFailure);
        return std::nullopt;
    }
    return std::move(*lock);
}

void Show(Context& context) {
    auto dos = amiga::OpenProcessRoot(context.root);
    if (!dos.ok()) {
        return Fail(context, dos.error(), kReturnFailure);
    }
    Preferences record;
    if (!LoadLivePreferences(record, *dos).ok()) {
        std::fprintf(stderr,
                     PreferencesFileMissing(*dos)
                         ? "stovan prefs: no %s yet, showing the built-in defaults\n"
                         : "stovan prefs: cannot read %s, showing the built-in defaults\n",
                     std::string(kPreferencesPath).c_str());
    }
    for (const PreferenceSetting& setting : ListPreferences(record)) {
        PrintSetting(setting);
    }
}

void Set(Context& context, const std::vector<std::string>& arguments) {
    if (arguments.size() % 2 != 0) {
        return Fail(context, "set takes pairs of NAME VALUE");
    }
    auto dos = amiga::OpenProcessRoot(context.root);
    if (!dos.ok()) {
        return Fail(context, dos.error(), kReturnFailure);
    }
    auto held = LockPreferences(context, *dos);
    if (!held) {
        return;
    }
    Preferences record;
    if (!LoadLivePreferences(record, *dos).ok() && !PreferencesFileMissing(*dos)) {
        // Saving now would replace every setting the file holds with the
        // defaults; the user decides that with reset, not by a side effect.
        return Fail(context,
                    "cannot read " + std::string(kPreferencesPath) +
                        ", nothing was changed ('stovan prefs reset' starts over with the "
                        "defaults)",
                    kReturnFailure);
    }
    std::vector<std::string> names;
    for (std::size_t i = 0; i < arguments.size(); i += 2) {
        auto result = SetPreference(record, amiga::Utf8ToLatin1(arguments[i]),
                                    amiga::Utf8ToLatin1(arguments[i + 1]));
        if (!result.ok()) {
            return Fail(context, TerminalText(result.error()));  // nothing is saved
        }
        names.push_back(arguments[i]);
    }
    if (!Save(context, record, *dos)) {
        return;
    }
    // Show what was stored, after validation made the drawers absolute.
    for (const PreferenceSetting& setting : ListPreferences(record)) {
        for (const std::string& name : names) {
            if (amiga::EqualsNoCase(name, setting.name)) {
                PrintSetting(setting);
                break;
            }
        }
    }
}

void Reset(Context& context) {
    auto dos = amiga::OpenProcessRoot(context.root);
    if (!dos.ok()) {
        return Fail(context, dos.error(), kReturnFailure);
    }
    auto held = LockPreferences(context, *dos);
    if (!held) {
        return;
    }
    Preferences record;
    setDefaultPreferences(record, dos->profile().kind);
    (void)Save(context, record, *dos);  // a failure is reported and sets the exit code there
}

}  // namespace

void AddPrefsCommands(CLI::App& program, Context& context) {
    CLI::App& group = SubcommandGroup(program, "prefs", "show or change the preferences of Stovan");

    CLI::App* show = group.add_subcommand("show", "print every setting as NAME=VALUE");
    show->callback([&context] { Show(context); });

    auto arguments = std::make_shared<std::vector<std::string>>();
    CLI::App* set =
        group.add_subcommand("set", "change settings and save them as the preferences window does");
    set->add_option("settings", *arguments,
                    "NAME VALUE pairs: flags take on/off, numbers the window's range, "
                    "drawers without a volume are taken inside PROGDIR:")
        ->required()
        ->expected(2, -1);
    set->callback([&context, arguments] { Set(context, *arguments); });

    CLI::App* reset = group.add_subcommand("reset", "put back the built-in defaults and save them");
    reset->callback([&context] { Reset(context); });
}
}  // namespace stovan::app
