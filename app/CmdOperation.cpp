// stovan install|update|repair|uninstall|download NAME [--version X.Y[.Z]]
// [--yes]: one processing run for one application, as the buttons of the
// main window start it. stovan process [--yes]: the run over every item
// ("Process All Updates"). stovan mode NAME ignore|notify|download|update:
// the item's automatic mode, kept in Config.db.
//
// Items never checked on this root get a Quick check first. A request the
// item's state does not allow says why. Exit codes: 0 done, 5 something
// skipped or declined, 10 a script failed, 20 a failure stopped the run
// (an unknown name, an abort, a failed download).

#include <cstdio>
#include <memory>
#include <string>

#include "app/CommandRegistry.h"
#include "app/CommandRun.h"
#include "app/DatabaseSession.h"
#include "core/MessageIds.h"
#include "core/Messages.h"
#include "core/TerminalText.h"
#include "database/ConfigFiles.h"
#include "database/Loader.h"
#include "engine/Requests.h"
#include "engine/Session.h"
#include "platform/Latin1.h"
#include "version/VersionText.h"

namespace {

using namespace stovan;

struct OperationOptions {
    std::string name;
    std::string version;
    bool yes = false;
};

ApplicationItem* FindByKey(Engine& engine, const std::string& name) {
    ApplicationItem* item = engine.items().FindItem(name, false);
    return item != nullptr ? item : engine.items().FindItem(name, true);
}

// "1.10" or "1.10.3": the version the user chose.
std::optional<VersionTriple> ParseChosenVersion(const std::string& text) {
    VersionTriple triple;
    std::uint32_t* parts[] = {&triple.version, &triple.revision, &triple.build};
    std::size_t part = 0;
    std::size_t digits = 0;
    for (char c : text) {
        if (c == '.') {
            if (digits == 0 || ++part > 2) {
                return std::nullopt;
            }
            digits = 0;
        } else if (c >= '0' && c <= '9') {
            const std::uint64_t next = std::uint64_t{*parts[part]} * 10 + (c - '0');
            if (next > 0xffffffffu) {
                return std::nullopt;
            }
            *parts[part] = static_cast<std::uint32_t>(next);
            ++digits;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || part == 0) {
        return std::nullopt;
    }
    return triple;
}

using app::CommandRun;
using app::Complain;

int Operate(const app::Context& context, OperationRequest request,
            const OperationOptions& options) {
    std::optional<VersionTriple> chosen;
    if (!options.version.empty()) {
        chosen = ParseChosenVersion(options.version);
        if (!chosen) {
            Complain("'" + options.version + "' is no version (X.Y or X.Y.Z)");
            return 20;
        }
        if (request == OperationRequest::Update || request == OperationRequest::Uninstall) {
            Complain("--version goes with install, repair and download only");
            return 20;
        }
    }
    auto session = app::OpenOperationSession(context);
    if (!session) {
        return 20;
    }
    Engine& engine = *session->engine;
    ApplicationItem* item = FindByKey(engine, options.name);
    if (item == nullptr) {
        Complain("no application named '" + options.name + "'");
        return 20;
    }
    const std::size_t first = session->log.entries().size();
    app::CommandRun run(*session, options.yes);
    ProcessContext& processing = run.context();
    if (!QuickCheckUnknown(processing).ok()) {
        (void)run.Finish(first);  // the run failed already
        Complain(std::string(GetString(msg::ProcessingAborted)));
        return 20;
    }
    // A removal needs no offer; everything else is about the offered version.
    if (!chosen && request != OperationRequest::Uninstall &&
        LearnOfferedVersion(processing, *item).message() == msg::ProcessingAborted) {
        (void)run.Finish(first);  // the run failed already
        Complain(std::string(GetString(msg::ProcessingAborted)));
        return 20;
    }
    const RequestOutcome outcome = RunRequest(processing, *item, request, chosen);
    const bool saved = run.Finish(first);
    if (!outcome.refusal.empty()) {
        Complain(outcome.refusal);
        return outcome.exitCode;
    }
    if (!outcome.result.ok()) {
        Complain(std::string(PlainText(GetString(outcome.result.message()))));
    }
    return saved ? outcome.exitCode : 20;
}

int Process(const app::Context& context, bool yes) {
    auto session = app::OpenOperationSession(context);
    if (!session) {
        return 20;
    }
    const std::size_t first = session->log.entries().size();
    app::CommandRun run(*session, yes);
    ProcessContext& processing = run.context();
    if (!QuickCheckUnknown(processing).ok()) {
        (void)run.Finish(first);  // the run failed already
        Complain(std::string(GetString(msg::ProcessingAborted)));
        return 20;
    }
    const ProcessOutcome outcome = ProcessItems(processing, ProcessScope::All);
    const bool saved = run.Finish(first);
    if (!outcome.result.ok()) {
        Complain(std::string(PlainText(GetString(outcome.result.message()))));
    }
    return saved ? ExitCodeFor(outcome, processing) : 20;
}

int SetMode(const app::Context& context, const std::string& name, const std::string& word) {
    // The list shows INSTALL as "Update"; the user types what the list shows.
    const std::optional<ItemMode> mode = amiga::EqualsNoCase(word, "update")
                                             ? std::optional<ItemMode>(ItemMode::INSTALL)
                                             : ModeFromWord(word);
    if (!mode) {
        Complain("'" + word + "' is no mode (ignore, notify, download or update)");
        return 20;
    }
    auto opened = app::OpenDatabaseSession(context);
    if (!opened) {
        std::fprintf(stderr, "stovan: %s\n", opened.error().c_str());  // host paths
        return 20;
    }
    Engine& engine = *(*opened)->engine;
    if (!LogFailure(**opened, LaunchReload(engine))) {
        app::PrintLog((*opened)->log, 0, stderr);
        return 20;
    }
    ApplicationItem* item = FindByKey(engine, name);
    if (item == nullptr) {
        Complain("no application named '" + name + "'");
        return 20;
    }
    item->mode = *mode;
    if (const Status saved = SaveConfiguration(engine, kPrefsDrawer); !saved.ok()) {
        Complain(std::string(PlainText(GetString(saved.message()))));
        return 20;
    }
    return 0;
}

void AddOperation(CLI::App& program, app::Context& context, OperationRequest request,
                  const std::string& description) {
    const std::string word(RequestWord(request));
    CLI::App* command = program.add_subcommand(word, description);
    auto options = std::make_shared<OperationOptions>();
    command->add_option("NAME", options->name, "the application's name")->required();
    if (request != OperationRequest::Update && request != OperationRequest::Uninstall) {
        command->add_option("--version", options->version, "another version: X.Y or X.Y.Z");
    }
    command->add_flag("--yes", options->yes, "answer every question with its default");
    command->callback(
        [&context, options, request] { context.exitCode = Operate(context, request, *options); });
}

}  // namespace

void stovan::app::AddOperationCommands(CLI::App& program, Context& context) {
    {
        AddOperation(program, context, OperationRequest::Install, "install an application");
        AddOperation(program, context, OperationRequest::Update,
                     "update an application to the offered version");
        AddOperation(program, context, OperationRequest::Repair,
                     "install an application's offered version again");
        AddOperation(program, context, OperationRequest::Uninstall, "remove an application");
        AddOperation(program, context, OperationRequest::Download,
                     "download an application's archive only");
    }
}

void stovan::app::AddProcessCommand(CLI::App& program, Context& context) {
    {
        CLI::App* command =
            program.add_subcommand("process", "process all updates: every item as its mode says");
        auto yes = std::make_shared<bool>(false);
        command->add_flag("--yes", *yes, "answer every question with its default");
        command->callback([&context, yes] { context.exitCode = Process(context, *yes); });
    }
}

void stovan::app::AddModeCommand(CLI::App& program, Context& context) {
    {
        CLI::App* command =
            program.add_subcommand("mode", "set an application's automatic mode (in Config.db)");
        auto name = std::make_shared<std::string>();
        auto word = std::make_shared<std::string>();
        command->add_option("NAME", *name, "the application's name")->required();
        command->add_option("MODE", *word, "ignore, notify, download or update")->required();
        command->callback(
            [&context, name, word] { context.exitCode = SetMode(context, *name, *word); });
    }
}
