// stovan images [NAME...]: the image cache. Without names, fetches the
// picture of every item whose picture is not cached yet (as the launch
// step's image retry does) and prints the log of the failures. With names,
// makes sure each named item's picture is cached and prints the Amiga path
// of the picture the information panel shows for it (the cached file, the
// item's local picture, its type picture or noimage.png). Ctrl-C stops the
// run after the current item. Exit code 10 for an unknown name, 20 when the
// database cannot be loaded or the run was aborted.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandRegistry.h"
#include "app/CommandRun.h"
#include "app/DatabaseSession.h"
#include "core/MessageIds.h"
#include "core/Messages.h"
#include "core/TerminalText.h"
#include "database/Loader.h"
#include "desktop/Interrupt.h"
#include "desktop/TerminalFrontend.h"
#include "engine/ImageCache.h"
#include "engine/Session.h"
#include "platform/Latin1.h"

namespace {

int Images(const stovan::app::Context& context, const std::vector<std::string>& names) {
    using namespace stovan;
    const auto opened = app::OpenLoadedSession(context);
    if (!opened) {
        return 20;
    }
    app::DatabaseSession& session = *opened;
    Engine& engine = *session.engine;
    std::vector<const ApplicationItem*> items;
    for (const std::string& name : names) {
        const ApplicationItem* item = engine.items().FindItem(name, false);
        if (item == nullptr) {
            item = engine.items().FindItem(name, true);
        }
        if (item == nullptr) {
            std::fprintf(stderr, "stovan: no application named '%s'\n", VisibleText(name).c_str());
            return 10;
        }
        items.push_back(item);
    }
    InstallInterruptHandler();
    const std::size_t first = session.log.entries().size();
    std::string picture;
    ImageContext images{engine, [] { return TakeInterrupts(); },
                        [&picture](const std::string& chosen) { picture = chosen; }};
    Status result;
    if (items.empty()) {
        TerminalFrontend frontend(TerminalOptionsForProcess(true));
        result = FetchMissingImages(images, frontend);
    } else {
        for (const ApplicationItem* item : items) {
            result = ShowItemImage(images, item, true);
            if (result.message() == msg::ProcessingAborted) {
                break;
            }
            std::printf("%s\n", amiga::Latin1ToUtf8(VisibleText(picture)).c_str());
        }
    }
    app::PrintLog(session.log, first, stdout);
    if (result.message() == msg::ProcessingAborted) {
        std::fprintf(stderr, "stovan: %s\n", GetString(msg::ProcessingAborted).data());
        return 20;
    }
    return 0;
}

}  // namespace

void stovan::app::AddImagesCommand(CLI::App& program, stovan::app::Context& context) {
    CLI::App* command = program.add_subcommand(
        "images", "fetch the missing pictures, or show which picture an application gets");
    auto names = std::make_shared<std::vector<std::string>>();
    command->add_option("NAME", *names, "only these applications: print their pictures");
    command->callback([&context, names] { context.exitCode = Images(context, *names); });
}
