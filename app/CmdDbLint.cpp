// stovan db lint FILE...: reads database files (host paths) as Stovan would,
// each on its own, and prints the log: one line per entry, its severity
// ("FATAL", "WARNING" or nothing), a tab and its text. Files named
// "Config.db" or "StovanVersion.db" are read in configuration mode. Exit
// code 0 when no file had an error, 10 otherwise.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandRegistry.h"
#include "app/DatabaseSession.h"
#include "core/Log.h"
#include "database/Engine.h"
#include "database/Parser.h"
#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "platform/HostFiles.h"
#include "platform/Latin1.h"
#include "prefs/Preferences.h"

namespace {

int Lint(const std::vector<std::string>& files) {
    bool failed = false;
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
        auto text = amiga::HostReadFile(file, amiga::kMaxWholeFileSize);
        const stovan::ParseTotals totals =
            text ? stovan::ParseDatabaseText(engine, name, *text, mode)
                 : stovan::ReportUnreadableFile(engine, name, text.error());
        failed = failed || totals.errors != 0;
        stovan::app::PrintLog(log, 0, stdout);
    }
    return failed ? 10 : 0;
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
