// stovan tool make-site SOURCE OUTPUT: makes the demonstration site from its
// sources (demo/SiteBuilder.h): folders named "*.lha" or "*.zip" become
// archives, everything else is copied. The build runs it for sample/site.
// Exit code 0, or 20 with the reason on standard error.

#include <cstdio>
#include <memory>
#include <string>

#include "app/CommandRegistry.h"
#include "demo/SiteBuilder.h"

namespace stovan::app {

namespace {

struct MakeSiteOptions {
    std::string source;
    std::string output;
};

int MakeSite(const MakeSiteOptions& options) {
    demo::SiteSummary summary;
    const std::string problem = demo::BuildSite(options.source, options.output, summary);
    if (!problem.empty()) {
        std::fprintf(stderr, "stovan: %s\n", problem.c_str());
        return 20;
    }
    std::printf("%zu archives and %zu files in %s\n", summary.archives, summary.files,
                options.output.c_str());
    return 0;
}

}  // namespace

void AddToolMakeSiteCommand(CLI::App& program, Context& context) {
    CLI::App& tools = SubcommandGroup(program, "tool", "tools for database authors");
    auto* command = tools.add_subcommand(
        "make-site",
        "make a web site of sample applications: *.lha and *.zip folders become archives");
    auto options = std::make_shared<MakeSiteOptions>();
    command->add_option("SOURCE", options->source, "the site's sources")->required();
    command->add_option("OUTPUT", options->output, "the folder to make (replaced)")->required();
    command->callback([options, &context] { context.exitCode = MakeSite(*options); });
}

}  // namespace stovan::app
