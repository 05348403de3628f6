// stovan tool match PATTERN NAME...
//   Prints each NAME that the AmigaDOS pattern PATTERN matches, one per line,
//   in the order given. Matching ignores case (as file names on AmigaDOS
//   volumes do) unless --case is given. A malformed pattern prints the
//   AmigaDOS fault text on standard error and gives exit code 10.
//   Example: stovan tool match "~(#?.info)" ReadMe ReadMe.info

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandRegistry.h"
#include "platform/Latin1.h"
#include "platform/Pattern.h"

namespace stovan::app {
namespace {

// The AmigaDOS return code for an error.
constexpr int kReturnError = 10;

struct MatchOptions {
    std::string pattern;
    std::vector<std::string> names;
    bool caseSensitive = false;
};

void RunMatch(const MatchOptions& options, Context& context) {
    const std::string source = amiga::Utf8ToLatin1(options.pattern);
    auto pattern =
        options.caseSensitive ? amiga::ParsePattern(source) : amiga::ParsePatternNoCase(source);
    if (!pattern) {
        std::fprintf(stderr, "match: %s: %s\n", options.pattern.c_str(),
                     std::string(amiga::ReadArgsFaultText(pattern.error())).c_str());
        context.exitCode = kReturnError;
        return;
    }
    for (const std::string& name : options.names) {
        if (amiga::MatchPattern(*pattern, amiga::Utf8ToLatin1(name))) {
            std::printf("%s\n", name.c_str());
        }
    }
    context.exitCode = 0;
}

}  // namespace

void AddToolMatchCommand(CLI::App& program, Context& context) {
    CLI::App& tools = SubcommandGroup(program, "tool", "tools for database authors");
    auto* command =
        tools.add_subcommand("match", "print the names that an AmigaDOS pattern matches");
    auto options = std::make_shared<MatchOptions>();
    command->add_flag("--case", options->caseSensitive,
                      "match case-sensitively (MatchPattern instead of MatchPatternNoCase)");
    command->add_option("PATTERN", options->pattern, "the pattern, for example \"#?.info\"")
        ->required();
    command->add_option("NAME", options->names, "the names to try");
    command->callback([options, &context] { RunMatch(*options, context); });
}
}  // namespace stovan::app
