// stovan tool parse-date TEXT FORMAT
//   Reads TEXT as a date described by FORMAT (the conversions of version
//   strings, web pages and database files: %d %m %Y %y %b %B %a %A %H %I %M
//   %S %p) and prints "DAYS MINUTES TICKS" of the AmigaDOS date. Exit code 10
//   and no output when the text does not match the format.
// stovan tool version TEXT
//   Reads a version number "V.R.B" from the start of TEXT and prints it with
//   all three parts.

#include <cstdio>
#include <string>

#include "app/CommandRegistry.h"
#include "platform/Latin1.h"
#include "version/Date.h"
#include "version/Version.h"

namespace stovan::app {
namespace {

// The AmigaDOS return code for an error.
constexpr int kReturnError = 10;

void SetupParseDate(CLI::App& tools, Context& context) {
    auto* command = tools.add_subcommand("parse-date", "read a date as the database does");
    auto text = std::make_shared<std::string>();
    auto format = std::make_shared<std::string>();
    command->add_option("TEXT", *text, "the date text")->required();
    command->add_option("FORMAT", *format, "the format, for example \"%d.%m.%Y\"")->required();
    command->callback([text, format, &context] {
        amiga::DateStamp date;
        if (!ParseDate(amiga::Utf8ToLatin1(*text), amiga::Utf8ToLatin1(*format), &date)) {
            context.exitCode = kReturnError;
            return;
        }
        std::printf("%d %d %d\n", static_cast<int>(date.days), static_cast<int>(date.minute),
                    static_cast<int>(date.tick));
        context.exitCode = 0;
    });
}

void SetupVersion(CLI::App& tools, Context& context) {
    auto* command = tools.add_subcommand("version", "read a version number V.R.B");
    auto text = std::make_shared<std::string>();
    command->add_option("TEXT", *text, "the text that starts with the version")->required();
    command->callback([text, &context] {
        const VersionTriple triple = ParseVersionTriple(amiga::Utf8ToLatin1(*text));
        std::printf("%s\n", FormatVersionTriple(triple).c_str());
        context.exitCode = 0;
    });
}

}  // namespace

void AddToolVersionCommands(CLI::App& program, Context& context) {
    CLI::App& tools = SubcommandGroup(program, "tool", "tools for database authors");
    SetupParseDate(tools, context);
    SetupVersion(tools, context);
}
}  // namespace stovan::app
