// stovan db lint FILE...: reads database files (host paths) as Stovan would,
// each on its own, and prints the log: one line per entry, its severity
// ("FATAL", "WARNING" or nothing), a tab and its text. Files named
// "Config.db" or "StovanVersion.db" are read in configuration mode. A file
// that cannot be read (missing, a FIFO, a drawer) gets one FATAL line naming
// why; a file without a single entry that holds control bytes no text file
// has (binary data) gets a WARNING. Exit code 0 when no file had an error or
// warning, 5 with warnings only, 10 with errors.

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandRegistry.h"
#include "app/DatabaseSession.h"
#include "core/Log.h"
#include "core/TerminalText.h"
#include "database/Engine.h"
#include "database/Parser.h"
#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "platform/HostFiles.h"
#include "platform/Latin1.h"
#include "prefs/Preferences.h"

namespace {

constexpr int kReturnWarn = 5;
constexpr int kReturnError = 10;

// Bytes no database text holds: controls other than tab, line and page
// ends, and DEL.
bool HoldsBinaryBytes(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') || byte == 0x7F;
    });
}

void PrintLine(const char* severity, const std::string& latin1) {
    const std::string line = std::string(severity) + "\t" + stovan::TerminalText(latin1) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
}

int Lint(const std::vector<std::string>& files) {
    bool failed = false;
    bool warned = false;
    for (const std::string& file : files) {
        // Each file on its own: a fresh engine, so no file sees another's items.
        amiga::DosList dos;
        stovan::Preferences preferences;
        stovan::Log log;
        stovan::Engine engine(dos, preferences, log);
        // The name as given is what the log shows (converted to the
        // system's character set); the mode follows from its last part.
        const std::string name = amiga::Utf8ToLatin1(file);
        const std::string_view part = amiga::FilePart(name);
        const stovan::ParseMode mode =
            amiga::EqualsNoCase(part, "config.db") || amiga::EqualsNoCase(part, "StovanVersion.db")
                ? stovan::ParseMode::Configuration
                : stovan::ParseMode::Database;
        auto text = amiga::HostReadFile(file, amiga::kMaxWholeFileSize, true);
        if (!text) {
            PrintLine("FATAL",
                      "Cannot read '" + name + "': " + amiga::FaultText(text.error()) + ".");
            failed = true;
            continue;
        }
        const stovan::ParseTotals totals = stovan::ParseDatabaseText(engine, name, *text, mode);
        failed = failed || totals.errors != 0;
        stovan::app::PrintLog(log, 0, stdout);
        if (engine.items().empty() && totals.rejected == 0 && HoldsBinaryBytes(*text)) {
            PrintLine("WARNING", "'" + name + "' holds no database entry and is not a text file.");
            warned = true;
        }
    }
    return failed ? kReturnError : warned ? kReturnWarn : 0;
}

}  // namespace

void stovan::app::AddDbLintCommand(CLI::App& program, stovan::app::Context& context) {
    CLI::App& group = stovan::app::SubcommandGroup(program, "db", "database tools");
    CLI::App* command =
        group.add_subcommand("lint", "check database files as Stovan would read them");
    auto files = std::make_shared<std::vector<std::string>>();
    command->add_option("FILE", *files, "database files (host paths)")->required();
    command->callback([&context, files] { context.exitCode = Lint(*files); });
}
