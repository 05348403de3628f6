// stovan check [--mode quick|server|system|full] [--jobs N] [NAME...]: the
// version check (default full). Every item (or each named one, by name or
// DUPENAME) gets its installed and/or offered version as the mode asks, and
// its state; the check's log lines are printed and the results kept in
// T:StovanVersion.db, where the next command reads them. Ctrl-C stops the
// check after the current item (a running Version command or transfer is
// interrupted). --jobs sets how many fetches run at a time (default: the
// preferences' parallelTransfers); the log and the results do not depend on
// it. Exit code 10 for an unknown name or mode, 20 when the
// companion commands cannot be set up or the check was aborted.
//
// stovan outdated [--json]: the items in state OUTDATED after the last
// check, with their installed and offered versions. Exit 0 when none, 1
// when some, 20 when the database cannot be loaded.

#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/CommandRegistry.h"
#include "app/CommandRun.h"
#include "app/DatabaseSession.h"
#include "core/MessageIds.h"
#include "core/Messages.h"
#include "core/TerminalText.h"
#include "database/ConfigFiles.h"
#include "database/Loader.h"
#include "database/Parser.h"
#include "desktop/CompanionCommands.h"
#include "desktop/Interrupt.h"
#include "desktop/ServeEvents.h"
#include "desktop/TerminalFrontend.h"
#include "engine/CompanionCommands.h"
#include "engine/ProgramFolders.h"
#include "engine/ServerVersion.h"
#include "engine/Session.h"
#include "engine/VersionCheck.h"
#include "platform/DateStamp.h"
#include "platform/Latin1.h"
#include "prefs/Preferences.h"

namespace {

struct CheckOptions {
    std::string mode = "full";
    std::vector<std::string> names;
    bool yes = false;
    std::uint32_t jobs = 0;  // 0: the preferences say
};

// The mode a --mode word names, without regard to case.
std::optional<stovan::CheckMode> ParseCheckMode(std::string_view word) {
    using stovan::CheckMode;
    for (const auto& [name, mode] :
         {std::pair{"quick", CheckMode::Quick}, std::pair{"server", CheckMode::Server},
          std::pair{"system", CheckMode::System}, std::pair{"full", CheckMode::Full}}) {
        if (amiga::EqualsNoCase(word, name)) {
            return mode;
        }
    }
    return std::nullopt;
}

int Check(const stovan::app::Context& context, const CheckOptions& options) {
    using namespace stovan;
    const std::optional<CheckMode> mode = ParseCheckMode(options.mode);
    if (!mode) {
        std::fprintf(stderr, "stovan: unknown check mode '%s' (quick, server, system, full)\n",
                     options.mode.c_str());
        return 10;
    }
    const auto opened = app::OpenLoadedSession(context);
    if (!opened) {
        return 20;
    }
    app::DatabaseSession& session = *opened;
    Engine& engine = *session.engine;

    std::vector<ApplicationItem*> items;
    for (const std::string& name : options.names) {
        ApplicationItem* item = engine.items().FindItem(name, false);
        if (item == nullptr) {
            item = engine.items().FindItem(name, true);
        }
        if (item == nullptr) {
            std::fprintf(stderr, "stovan: no application named '%s'\n",
                         stovan::VisibleText(name).c_str());
            return 10;
        }
        items.push_back(item);
    }

    const std::string drawer = CompanionCommandDrawer(session.dos);
    if (const Status status =
            InstallCompanionCommands(session.dos, CompanionCommandNames(), drawer);
        !status.ok()) {
        std::fprintf(stderr, "stovan: %s\n",
                     amiga::Latin1ToUtf8(PlainText(GetString(status.message()))).c_str());
        return 20;
    }
    InstallInterruptHandler();
    TerminalFrontend frontend(TerminalOptionsForProcess(options.yes));
    EventServer server(session.dos, frontend, session.log,
                       RunningProgramFolder() + "/stovan-shell");
    VersionCheckContext check{engine, server, frontend, {}, nullptr};
    std::uint32_t jobs = options.jobs != 0 ? options.jobs : engine.preferences().parallelTransfers;
    if (jobs == 0) {
        jobs = kDefaultParallelTransfers;  // a record that was not validated
    }
    UseServerSteps(check, jobs, [] { return TakeInterrupts(); });

    const std::size_t first = session.log.entries().size();
    // Each item's result is in the log, printed below; an abort is check.aborted.
    if (items.empty()) {
        (void)VersionCheckRun(check, *mode, CheckScope::All);
    } else {
        for (ApplicationItem* item : items) {
            (void)VersionCheckRun(check, *mode, CheckScope::One, item);
            if (check.aborted) {
                break;
            }
        }
    }
    RemoveCompanionCommands(session.dos, drawer);
    app::PrintLog(session.log, first, stdout);
    // A cache: a failed save costs the next command only a fresh check.
    (void)SaveVersionCache(engine, kVersionCacheFileName);
    if (check.aborted) {
        std::fprintf(stderr, "stovan: %s\n", GetString(msg::ProcessingAborted).data());
        return 20;
    }
    return 0;
}

// A JSON string of a Latin-1 text.
std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : amiga::Latin1ToUtf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + '"';
}

std::string TripleText(const stovan::VersionTriple& triple) {
    std::string text = std::to_string(triple.version) + "." + std::to_string(triple.revision);
    if (triple.build != 0) {
        text += "." + std::to_string(triple.build);
    }
    return text;
}

// "YYYY-MM-DD" of a date; "" for none.
std::string DateText(const amiga::DateStamp& date) {
    if (date.days == 0 && date.minute == 0 && date.tick == 0) {
        return "";
    }
    const std::time_t seconds = amiga::HostTimeFromDateStamp(date);
    std::tm parts{};
    char text[32] = "";
    if (localtime_r(&seconds, &parts) != nullptr) {
        std::strftime(text, sizeof text, "%Y-%m-%d", &parts);
    }
    return text;
}

int Outdated(const stovan::app::Context& context, bool json) {
    using namespace stovan;
    const auto opened = app::OpenLoadedSession(context);
    if (!opened) {
        return 20;
    }
    app::DatabaseSession& session = *opened;
    Engine& engine = *session.engine;
    std::size_t count = 0;
    if (json) {
        std::fputs("[", stdout);
    }
    for (const ApplicationItem& item : engine.items()) {
        if (item.state != ItemState::OUTDATED) {
            continue;
        }
        const std::string installed = TripleText(item.installedVersion);
        const std::string offered = TripleText(item.serverVersion);
        const std::string serverDate = DateText(item.serverDate);
        if (json) {
            std::printf(
                "%s\n  {\"name\": %s, \"installed\": %s, \"available\": %s, "
                "\"availableDate\": %s}",
                count == 0 ? "" : ",", JsonString(item.displayText()).c_str(),
                JsonString(installed).c_str(), JsonString(offered).c_str(),
                JsonString(serverDate).c_str());
        } else {
            std::printf("%s %s -> %s%s\n", amiga::Latin1ToUtf8(item.displayText()).c_str(),
                        installed.c_str(), offered.c_str(),
                        item.serverVersion.known() ? "" : (" (" + serverDate + ")").c_str());
        }
        ++count;
    }
    if (json) {
        std::fputs(count == 0 ? "]\n" : "\n]\n", stdout);
    }
    return count == 0 ? 0 : 1;
}

}  // namespace

void stovan::app::AddCheckCommand(CLI::App& program, stovan::app::Context& context) {
    {
        CLI::App* command = program.add_subcommand(
            "check", "find the installed and offered versions of every application");
        auto options = std::make_shared<CheckOptions>();
        command
            ->add_option("--mode", options->mode, "the check's mode: quick, server, system, full")
            ->capture_default_str();
        command
            ->add_option("--jobs", options->jobs,
                         "fetches run at a time (default: the preferences' parallelTransfers)")
            ->check(CLI::Range(1u, stovan::kMaxParallelTransfers));
        command->add_option("NAME", options->names, "only these applications");
        command->add_flag("--yes", options->yes, "answer every question with its default");
        command->callback([&context, options] { context.exitCode = Check(context, *options); });
    }
    {
        CLI::App* command = program.add_subcommand(
            "outdated", "list the applications the last check found outdated");
        auto json = std::make_shared<bool>(false);
        command->add_flag("--json", *json, "print a JSON array");
        command->callback([&context, json] { context.exitCode = Outdated(context, *json); });
    }
}
