// stovan demo [--keep DIR] [--site DIR]: Stovan's main job, offline, in one
// command. The demonstration site the build made (sample/site, with real
// archives) is served on 127.0.0.1 on a free port; a throw-away system root
// gets the site's database with the server's address filled in; then the
// launch step (Stovan updates itself and its database package, with the
// relaunch a new program would make), a Full check, two installations, an
// update with a backup and an uninstallation run exactly as the other
// commands run them, every question answered with its default. The list is
// printed before and after, the log lines of each step in between.
//
// The root is a temporary folder removed at the end, or DIR (which must not
// exist yet) with --keep. Exit code 0 when every step did what it should,
// else the worst code of the steps (5, 10 or 20, as the operations use them).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandRegistry.h"
#include "app/CommandRun.h"
#include "app/DatabaseSession.h"
#if STOVAN_GUI
#include "app/GuiCommand.h"
#endif
#include "core/MessageIds.h"
#include "core/Messages.h"
#include "core/TerminalText.h"
#include "database/Loader.h"
#include "demo/SiteBuilder.h"
#include "demo/SiteServer.h"
#include "engine/Launch.h"
#include "engine/ProgramFolders.h"
#include "engine/Queue.h"
#include "engine/Requests.h"
#include "engine/Session.h"
#include "engine/VersionCheck.h"
#include "platform/DosFiles.h"
#include "platform/HostFiles.h"
#include "platform/Locks.h"
#include "prefs/SystemPreferences.h"

namespace stovan::app {

namespace {

namespace fs = std::filesystem;

struct DemoOptions {
    std::string keep;         // the root to make and keep ("" = a temporary one)
    std::string site;         // the built site ("" = the one the build made)
    bool window = false;      // after the launch, the window instead of the steps
    std::string screenshots;  // the window's pictures into this folder, then the end
};

// The applications the demonstration sets to NOTIFY (as `stovan mode` would),
// so that the Full check learns what the site offers for each.
const std::vector<std::string> kDemoApplications = {"MailNest", "CodeSets", "PixelPaint",
                                                    "TuneBox"};

void Heading(const std::string& text) {
    std::printf("\n== %s ==\n", text.c_str());
    std::fflush(stdout);
}

// A temporary folder removed when the object goes, unless kept.
class DemoFolder {
  public:
    ~DemoFolder() {
        if (!temporary_.empty()) {
            std::error_code ignored;
            fs::remove_all(temporary_, ignored);  // never follows links
        }
    }
    // The root folder to use; "" with a complaint when it cannot be made.
    std::string Make(const std::string& keep) {
        if (!keep.empty()) {
            std::error_code error;
            if (fs::exists(fs::symlink_status(keep, error))) {
                Complain("--keep wants a folder that does not exist yet: " + keep);
                return {};
            }
            return keep;
        }
        std::string base = amiga::HostEnvironment("TMPDIR");
        if (base.empty()) {
            base = "/tmp";
        }
        std::string pattern = base + "/stovan-demo.XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            Complain("cannot make a temporary folder in " + base);
            return {};
        }
        temporary_ = pattern;
        return temporary_ + "/root";
    }

  private:
    std::string temporary_;
};

// The site's database, with the server's address, replaces the sample
// database of the new root; a stand-in for the program (version 1.0) is put
// where the root's Stovan entry looks for it, so that the site's 1.1 is an
// update; backups before installations are switched on.
bool PrepareRoot(const Context& context, const std::string& siteFolder,
                 const std::string& baseUrl) {
    auto opened = OpenDatabaseSession(context);
    if (!opened) {
        Complain(opened.error());
        return false;
    }
    DatabaseSession& session = **opened;
    const amiga::DosList& dos = session.dos;
    if (auto drawer = amiga::Lock(dos, kInternalDrawer)) {
        if (auto entries = amiga::ListDrawer(*drawer)) {
            for (const amiga::DrawerEntry& entry : *entries) {
                if (!entry.drawer) {
                    // A new root of our own: a sample file that stays only
                    // adds its applications to the demonstration's list.
                    (void)amiga::DeleteFile(dos, std::string(kInternalDrawer) + "/" + entry.name);
                }
            }
        }
    }
    const std::string databases = siteFolder + "/Database";
    auto names = amiga::HostListDirectory(databases);
    if (!names || names->empty()) {
        Complain("the demonstration site has no database in " + databases);
        return false;
    }
    for (const std::string& name : *names) {
        auto text = amiga::HostReadFile(databases + "/" + name, std::size_t{1} << 20);
        if (!text) {
            Complain("cannot read " + databases + "/" + name);
            return false;
        }
        if (!amiga::WriteFile(dos, std::string(kInternalDrawer) + "/" + name,
                              demo::FillSiteUrl(*text, baseUrl))
                 .ok()) {
            Complain("cannot write the database file " + name + " into the root");
            return false;
        }
    }
    if (!amiga::Lock(dos, "PROGDIR:Stovan") &&
        !amiga::WriteFile(dos, "PROGDIR:Stovan", "program\n$VER: Stovan 1.0 (01.11.2026)\n").ok()) {
        Complain("cannot write PROGDIR:Stovan");
        return false;
    }
    session.preferences.flags2 |= BACKUP_BEFORE_INSTALL;
    // The site is the root's image server too: the window shows its pictures.
    session.preferences.imageServer = baseUrl;
    session.preferences.imageServer += "images/";
    if (!savePreferences(session.preferences, dos, kPreferencesPath).ok()) {
        Complain("cannot save the preferences of the root");
        return false;
    }
    return true;
}

// The launch step's update of Stovan's own items (the databases were
// loaded when the session opened, and the rest of the step, which depends
// on the preferences, has nothing to show here). True when Stovan replaced
// itself and a relaunch is due. `code` gets the worse of its exit code and
// the run's.
bool DemoLaunchStep(CommandRun& run, int& code) {
    ProcessContext& processing = run.context();
    const ProcessOutcome outcome = UpdateStovanItems(processing);
    const bool relaunch = processing.relaunchRequested != 0;
    int result = ExitCodeFor(outcome, processing);
    // Nothing to do is no failure at launch, and a run that a relaunch
    // stopped (every wait ends once it is due) has done its job.
    if (result == 5 ||
        (relaunch && outcome.result.message() == msg::ProcessingAborted && result == 20)) {
        result = 0;
    }
    code = std::max(code, result);
    return relaunch;
}

// One request as `stovan install|update|uninstall NAME [--version]` makes it.
int Request(Engine& engine, CommandRun& run, const std::string& name, OperationRequest request,
            std::optional<VersionTriple> chosen = std::nullopt) {
    ApplicationItem* item = engine.items().FindItem(name, false);
    if (item == nullptr) {
        Complain("the demonstration's database has no '" + name + "'");
        return 20;
    }
    const RequestOutcome outcome = RunRequest(run.context(), *item, request, chosen);
    if (!outcome.refusal.empty()) {
        Complain(outcome.refusal);
    }
    return outcome.exitCode;
}

// The files of the backup drawer, one line each.
void PrintBackups(const DatabaseSession& session) {
    const std::string& drawer = session.preferences.backupDir;
    std::printf("Backups in %s:\n", TerminalText(drawer).c_str());
    std::size_t shown = 0;
    if (auto lock = amiga::Lock(session.dos, drawer)) {
        if (auto entries = amiga::ListDrawer(*lock)) {
            for (const amiga::DrawerEntry& entry : *entries) {
                std::printf("  %s\n", TerminalText(entry.name).c_str());
                ++shown;
            }
        }
    }
    if (shown == 0) {
        std::printf("  (none)\n");
    }
}

#if STOVAN_GUI
// The window on the demonstration root: MailNest 1.1 is installed first
// (so that the site's 1.2 is an update), the window's launch step checks
// every application, and the user goes on with the buttons. The site is
// served until the window closes.
int DemoWindow(const Context& context, std::unique_ptr<DatabaseSession> session,
               const WindowOptions& window) {
    int code = 0;
    {
        Heading("Install MailNest 1.1 (and codesets.library), so that 1.2 is an update");
        CommandRun run(*session, true);
        const std::size_t first = session->log.entries().size();
        // The check's results are in the log that Finish prints.
        (void)VersionCheckRun(run.check(), CheckMode::Full, CheckScope::All);
        code = Request(*session->engine, run, "MailNest", OperationRequest::Install,
                       VersionTriple{1, 1, 0});
        if (!run.Finish(first)) {
            code = 20;
        }
    }
    session->preferences.launchAction = LAUNCH_VERSION_CHECK;
    // The demonstration's own root holds no database of the user's: the
    // new-database warning (which the headless steps never show) would
    // only stand in the way.
    session->preferences.flags |= SHOW_BUTTONS | DATABASE_WARNING_SHOWN;
    if (!savePreferences(session->preferences, session->dos, kPreferencesPath).ok()) {
        Complain("cannot save the preferences of the root");
        return 20;
    }
    session.reset();  // the window opens the root as Stovan does
    Heading("The window: Stovan checks at launch, then the buttons are yours");
    std::fflush(stdout);
    return std::max(code, RunWindow(context, window));
}
#endif

int Demo(const DemoOptions& options) {
    std::string siteFolder = options.site;
    if (siteFolder.empty()) {
        auto built = DemoSiteFolder();
        if (!built) {
            Complain(built.error());
            return 20;
        }
        siteFolder = *built;
    }
    // Straight to 127.0.0.1, whatever proxy the environment names.
    ::setenv("no_proxy", "127.0.0.1", 1);
    ::setenv("NO_PROXY", "127.0.0.1", 1);
    std::string problem;
    const std::unique_ptr<demo::SiteServer> server = demo::SiteServer::Start(siteFolder, problem);
    if (!server) {
        Complain(problem);
        return 20;
    }
    DemoFolder folder;
    Context context;
    context.root = folder.Make(options.keep);
    if (context.root.empty()) {
        return 20;
    }
    Heading("The demonstration site and a new system root");
    std::printf("Site:        %s (the files of %s)\n", server->BaseUrl().c_str(),
                siteFolder.c_str());
    std::printf("System root: %s%s\n", context.root.c_str(),
                options.keep.empty() ? " (removed at the end)" : "");
    if (!PrepareRoot(context, siteFolder, server->BaseUrl())) {
        return 20;
    }

    int code = 0;
    auto session = OpenOperationSession(context);
    if (!session) {
        return 20;
    }
    for (const std::string& name : kDemoApplications) {
        if (ApplicationItem* item = session->engine->items().FindItem(name, false)) {
            item->mode = ItemMode::NOTIFY;  // as `stovan mode NAME notify`
        }
    }
    Heading("The list before");
    PrintItemList(*session->engine, false, stdout);

    {
        Heading("Launch: Stovan checks and updates its own items");
        auto run = std::make_unique<CommandRun>(*session, true);
        std::size_t first = session->log.entries().size();
        const bool relaunch = DemoLaunchStep(*run, code);
        if (!run->Finish(first)) {
            code = 20;
        }
        if (relaunch) {
            // What a relaunched program does: the old session ends (its
            // modes saved above), a new one starts on the same root.
            run.reset();
            session.reset();
            Heading("Stovan replaced its own program: a new session on the same root");
            session = OpenOperationSession(context);
            if (!session) {
                return 20;
            }
            run = std::make_unique<CommandRun>(*session, true);
            first = session->log.entries().size();
            // Its failures are in code; Stovan is the site's newest now, with
            // no second replacement to start again for.
            (void)DemoLaunchStep(*run, code);
            if (!run->Finish(first)) {
                code = 20;
            }
        } else {
            Complain("Stovan did not update itself from the demonstration site");
            code = std::max(code, 10);
        }
    }

#if STOVAN_GUI
    if (options.window || !options.screenshots.empty()) {
        WindowOptions window;
        window.screenshots = options.screenshots;
        return std::max(code, DemoWindow(context, std::move(session), window));
    }
#endif
    Engine& engine = *session->engine;
    CommandRun run(*session, true);
    const auto step = [&](const std::string& title, const std::function<int()>& action) {
        if (code >= 20) {
            return;  // a step failed or the user aborted: the rest would mislead
        }
        Heading(title);
        const std::size_t first = session->log.entries().size();
        const int result = action();
        if (!run.Finish(first)) {
            code = 20;
        }
        code = std::max(code, result);
    };
    step("Full check: what is installed, what the site offers", [&] {
        // The check's results are in the log that Finish prints.
        (void)VersionCheckRun(run.check(), CheckMode::Full, CheckScope::All);
        return run.check().aborted ? 20 : 0;
    });
    step("Install MailNest 1.1 (and codesets.library, which it needs)", [&] {
        return Request(engine, run, "MailNest", OperationRequest::Install, VersionTriple{1, 1, 0});
    });
    step("Install PixelPaint",
         [&] { return Request(engine, run, "PixelPaint", OperationRequest::Install); });
    step("Update MailNest (the installed 1.1 goes into a backup first)",
         [&] { return Request(engine, run, "MailNest", OperationRequest::Update); });
    step("Uninstall PixelPaint",
         [&] { return Request(engine, run, "PixelPaint", OperationRequest::Uninstall); });

    Heading("The list after");
    PrintItemList(engine, false, stdout);
    PrintBackups(*session);
    std::printf("\n%s\n", code == 0 ? "The demonstration ran every step."
                                    : "The demonstration ended with a failure (see above).");
    return code;
}

}  // namespace

void AddDemoCommand(CLI::App& program, Context& context) {
    CLI::App* command = program.add_subcommand(
        "demo", "show Stovan's main job on a sample web site served on 127.0.0.1");
    auto options = std::make_shared<DemoOptions>();
    command->add_option("--keep", options->keep,
                        "make the system root in this new folder and keep it");
    command->add_option("--site", options->site, "serve this built site instead");
#if STOVAN_GUI
    command->add_flag("--window", options->window,
                      "after Stovan updated itself, open the window on the demonstration root");
    command->add_option("--screenshots", options->screenshots,
                        "as --window, then grab the window and its menus' windows as PNG files "
                        "into this folder and end");
#endif
    command->callback([options, &context] {
        if (!context.root.empty()) {
            Complain("the demonstration makes its own root: use --keep DIR instead of --root");
            context.exitCode = 20;
            return;
        }
        context.exitCode = Demo(*options);
    });
}

}  // namespace stovan::app
