// stovan messages: the texts of all messages as Stovan uses them, or a
// catalog description (.cd) for translators.

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/CommandRegistry.h"
#include "core/MessageExport.h"
#include "core/Messages.h"
#include "platform/Catalog.h"

namespace stovan::app {
namespace {

struct MessagesOptions {
    bool catalogDescription = false;
    std::string catalogDir;
    std::string catalogFile;
};

int RunMessages(const MessagesOptions& options) {
    if (options.catalogDescription) {
        const std::string text = CatalogDescription();
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::ferror(stdout) ? 1 : 0;
    }
    if (!options.catalogFile.empty()) {
        auto catalog = amiga::ReadCatalogFile(options.catalogFile);
        if (!catalog) {
            std::fprintf(stderr, "stovan: %s: %s; using the English texts\n",
                         options.catalogFile.c_str(),
                         std::string(amiga::CatalogErrorText(catalog.error())).c_str());
        } else if (!UseCatalog(std::move(*catalog))) {
            std::fprintf(stderr, "stovan: %s is not version %d.%d; using the English texts\n",
                         options.catalogFile.c_str(), kProgramVersion, kProgramRevision);
        }
    } else if (!options.catalogDir.empty()) {
        // No catalog for the user's languages is no error: the English texts
        // are used, as at start-up.
        (void)OpenStovanCatalog({std::filesystem::path(options.catalogDir)},
                                amiga::PreferredLanguages());
    }
    const std::string text = MessageListing();
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::ferror(stdout) ? 1 : 0;
}

}  // namespace

void AddMessagesCommand(CLI::App& program, Context& context) {
    auto options = std::make_shared<MessagesOptions>();
    CLI::App* command = program.add_subcommand(
        "messages", "print the texts of all messages (number, tab, text) as in use");
    command->add_flag("--cd", options->catalogDescription,
                      "write a catalog description (.cd) of the English texts for translators");
    command->add_option("--catalog-dir", options->catalogDir,
                        "folder holding Catalogs/<language>/Stovan.catalog; the language "
                        "comes from LANGUAGE, LC_ALL, LC_MESSAGES, LANG");
    command->add_option("--catalog", options->catalogFile,
                        "use this catalog file, whatever the language");
    command->callback([options, &context] { context.exitCode = RunMessages(*options); });
}
}  // namespace stovan::app
