// stovan db expand NAME TEXT [options]
//   Expands the placeholders of TEXT ("{INSTALLDIR}{NAME}", "{STANDARDCOPY}",
//   ...) for the application NAME, as Stovan does when it writes a script,
//   and prints the result. The item is NAME of the loaded database (by its
//   name, else by its DUPENAME); the options (install drawer, type, archive
//   URL, versions, ...) override its fields. A NAME the database does not
//   know gives an item made from the options alone, so an author can try a
//   text before writing the entry. The preferences come from the system root's
//   "PROGDIR:Prefs/stovan.prefs" (the defaults when there is none). Note
//   that {TEMPDIR} and {CHECKNAME} create their drawers, as they do for a
//   real operation.
//   Exit code 10 for a bad option, 20 when the system root cannot be opened
//   or memory runs out.
//   Example: stovan db expand MyApp "{INSTALLDIR}{NAME}" --type TOOL
//            --install-dir Work:Tools

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandRegistry.h"
#include "app/DatabaseSession.h"
#include "core/Log.h"
#include "core/Messages.h"
#include "core/TerminalText.h"
#include "database/Engine.h"
#include "database/Item.h"
#include "database/Loader.h"
#include "platform/Latin1.h"
#include "platform/SystemRoot.h"
#include "prefs/Preferences.h"
#include "prefs/SystemPreferences.h"
#include "scripts/Placeholders.h"
#include "version/Date.h"
#include "version/Version.h"

namespace stovan::app {
namespace {

constexpr int kReturnError = 10;
constexpr int kReturnFailure = 20;

struct ExpandOptions {
    std::string name;
    std::string text;
    std::string type;
    std::string installDir;
    std::string displayName;
    std::string urlArchive;
    std::string appDirectory;
    std::vector<std::string> urlServers;
    std::string serverVersion;
    std::string installedVersion;
    std::string serverDate;
    std::string operation;
    std::string scratch;
    std::optional<std::uint32_t> rotor;
    bool disabled = false;
    std::string follows;
};

void Error(const std::string& message) {
    std::fprintf(stderr, "stovan db expand: %s\n", TerminalText(message).c_str());
}

// Puts the options into the item; false (with a message) for a bad value.
bool FillItem(const ExpandOptions& options, ApplicationItem& item) {
    auto set = [&item](ItemField field, const std::string& value) {
        return value.empty() || item.SetTextField(field, amiga::Utf8ToLatin1(value)).ok();
    };
    if (!options.type.empty()) {
        const auto type = TypeFromWord(options.type);
        if (!type) {
            Error("unknown type '" + options.type + "' (AUDIO, GAME, TOOL, ...)");
            return false;
        }
        item.type = *type;
    }
    // The install-drawer flags change only when an option speaks of them.
    std::uint32_t flags = item.itemFlags();
    std::string installDir = options.installDir;
    if (!options.follows.empty() || options.disabled || !options.installDir.empty()) {
        flags &= ~(INSTALLDIR_DISABLED | INSTALLDIR_FOLLOWS | HAS_APPDIRECTORY);
        if (!options.follows.empty()) {
            flags |= INSTALLDIR_DISABLED | INSTALLDIR_FOLLOWS;
            installDir = options.follows;
        } else if (options.disabled) {
            flags |= INSTALLDIR_DISABLED;
        }
    }
    if (!options.appDirectory.empty() && (flags & INSTALLDIR_DISABLED) != 0 &&
        (flags & INSTALLDIR_FOLLOWS) == 0) {
        flags |= HAS_APPDIRECTORY;
    }
    std::vector<std::string> servers;
    for (const std::string& server : options.urlServers) {
        servers.push_back(amiga::Utf8ToLatin1(server));
    }
    if (!set(ItemField::installDir, installDir) ||
        !set(ItemField::displayName, options.displayName) ||
        !set(ItemField::urlArchive, options.urlArchive) ||
        !set(ItemField::appDirectory, options.appDirectory) ||
        (!servers.empty() && !item.SetListField(ItemField::urlServer, servers).ok()) ||
        !item.SetItemFlags(flags).ok()) {
        Error("not enough memory");
        return false;
    }
    if (!options.serverVersion.empty()) {
        item.serverVersion = ParseVersionTriple(options.serverVersion);
    }
    if (!options.installedVersion.empty()) {
        item.installedVersion = ParseVersionTriple(options.installedVersion);
    }
    if (!options.serverDate.empty() &&
        !ParseDate(options.serverDate, kDateFormatDatabase, &item.serverDate) &&
        !ParseDate(options.serverDate, kDateFormatFromNumbers, &item.serverDate)) {
        Error("cannot read the date '" + options.serverDate +
              "' (DD.MM.YYYY or DD-MM-YYYY HH:MM:SS)");
        return false;
    }
    return true;
}

int Expand(const ExpandOptions& options, const Context& context) {
    auto session = OpenDatabaseSession(context);
    if (!session) {
        // A host path and the mount table's own words: shown as they are.
        std::fprintf(stderr, "stovan db expand: %s\n", session.error().c_str());
        return kReturnFailure;
    }
    Engine& engine = *(*session)->engine;
    if (!LogFailure(**session, LoadAllDatabases(engine))) {
        PrintLog((*session)->log, 0, stderr);
        return kReturnFailure;
    }

    if (options.operation == "install") {
        engine.currentOperation = EngineOperation::Install;
    } else if (options.operation == "uninstall") {
        engine.currentOperation = EngineOperation::Uninstall;
    } else if (!options.operation.empty()) {
        Error("the operation is 'install' or 'uninstall'");
        return kReturnError;
    }
    if (!options.scratch.empty()) {
        try {
            std::size_t used = 0;
            const unsigned long value = std::stoul(options.scratch, &used, 16);
            if (used != options.scratch.size() || value > UINT32_MAX) {
                throw std::out_of_range("scratch");
            }
            engine.scratchNumber = static_cast<std::uint32_t>(value);
        } catch (const std::exception&) {
            Error("the scratch number is up to eight hexadecimal digits");
            return kReturnError;
        }
    }
    if (options.rotor) {
        engine.serverRotor = *options.rotor;
    }

    const std::string key = amiga::Utf8ToLatin1(options.name);
    ApplicationItem* found = engine.items().FindItem(key, false);
    if (found == nullptr) {
        found = engine.items().FindItem(key, true);
    }
    if (found == nullptr) {
        auto added = engine.items().AppendNewItem();
        if (!added) {
            Error("not enough memory");
            return kReturnFailure;
        }
        found = &**added;
        if (!found->SetTextField(ItemField::name, key).ok()) {
            Error("not enough memory");
            return kReturnFailure;
        }
    }
    ApplicationItem& item = *found;
    if (!FillItem(options, item)) {
        return kReturnError;
    }
    if (!NormaliseInstallDir(engine, item).ok()) {
        Error("not enough memory");
        return kReturnFailure;
    }

    const auto expanded = ExpandText(engine, &item, amiga::Utf8ToLatin1(options.text));
    if (!expanded) {
        Error(std::string(GetString(expanded.error())));
        return kReturnFailure;
    }
    std::string output = amiga::Latin1ToUtf8(*expanded);
    if (output.empty() || output.back() != '\n') {
        output += '\n';
    }
    std::fwrite(output.data(), 1, output.size(), stdout);
    return 0;
}

void Setup(CLI::App& program, Context& context) {
    CLI::App& db = SubcommandGroup(program, "db", "database tools");
    auto* command = db.add_subcommand("expand", "expand the placeholders of a text for an item");
    auto options = std::make_shared<ExpandOptions>();
    command->add_option("NAME", options->name, "the item's name")->required();
    command->add_option("TEXT", options->text, "the text, for example \"{INSTALLDIR}{NAME}\"")
        ->required();
    command->add_option("--type", options->type, "application type (TOOL, GAME, ...)");
    command->add_option("--install-dir", options->installDir, "the item's install drawer");
    command->add_option("--follows", options->follows,
                        "the item whose install drawer this one follows");
    command->add_flag("--disabled", options->disabled, "the item has no install drawer");
    command->add_option("--display-name", options->displayName, "the name shown to the user");
    command->add_option("--url-archive", options->urlArchive, "the archive URL (URLARCHIVE)");
    command->add_option("--app-directory", options->appDirectory, "APPDIRECTORY");
    command->add_option("--url-server", options->urlServers, "a mirror server (repeatable)");
    command->add_option("--server-version", options->serverVersion, "offered version V.R.B");
    command->add_option("--installed-version", options->installedVersion,
                        "installed version V.R.B");
    command->add_option("--server-date", options->serverDate, "offered date DD.MM.YYYY");
    command->add_option("--operation", options->operation, "install or uninstall");
    command->add_option("--scratch", options->scratch, "the scratch number, hexadecimal");
    command->add_option("--rotor", options->rotor, "the server rotor");
    command->callback([options, &context] { context.exitCode = Expand(*options, context); });
}

}  // namespace

void AddDbExpandCommand(CLI::App& program, Context& context) {
    Setup(program, context);
}
}  // namespace stovan::app
