// stovan tool fetch URL [--to DRAWER] [--name NAME] [--length-only] [--progress]
//   Fetches URL into a file as Stovan does for pages, read-me files and
//   archives: into DRAWER (an Amiga path, default the current "T:"), under
//   NAME, or else under the attachment name the server sends or the last
//   part of the URL. The preferences give the time-outs and tries. Prints the
//   Amiga path of the stored file; --length-only stores "LENGTH n" instead
//   of the body; --progress shows the gauge's texts on standard error.
//   Exit code 0, or 20 with the message text on standard error. Ctrl-C
//   aborts the transfer.
//   Example: stovan tool fetch http://127.0.0.1:8080/Foo.lha --to RAM:

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "app/CommandRegistry.h"
#include "core/Log.h"
#include "core/Messages.h"
#include "core/TerminalText.h"
#include "net/DownloadFile.h"
#include "net/Url.h"
#include "platform/DosFiles.h"
#include "platform/Latin1.h"
#include "platform/SystemRoot.h"
#include "prefs/SystemPreferences.h"

namespace stovan::app {
namespace {

constexpr int kReturnFailure = 20;

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
    interrupted = 1;
}

struct FetchOptions {
    std::string url;
    std::string drawer = "T:";
    std::string name;
    bool lengthOnly = false;
    bool progress = false;
};

// The gauge on a terminal: one line per update on standard error.
class TerminalGauge : public TransferProgress {
  public:
    void progressChanged(const ProgressUpdate& update) override {
        const std::string_view format = GetString(update.message);
        std::optional<std::string> text;
        if (update.message == msg::ProgressPreparingDownload) {
            const LogArgument arguments[] = {update.name};
            text = FormatText(format, arguments, kMaxLogText);
        } else {
            const LogArgument arguments[] = {update.name, update.doneKb, update.totalKb};
            text = FormatText(format, arguments, kMaxLogText);
        }
        if (text) {
            std::fprintf(stderr, "%s\n", TerminalText(*text).c_str());
        }
    }
};

TransferSettings SettingsFrom(const Preferences& record, const amiga::DosList& dos) {
    TransferSettings settings;
    settings.connectTimeout = record.connectTimeout;
    settings.transferTimeout = record.transferTimeout;
    settings.connectRetries = record.connectRetries;
    settings.system = dos.profile().kind;
    return settings;
}

int RunFetch(const FetchOptions& options, const Context& context) {
    auto dos = amiga::OpenProcessRoot(context.root);
    if (!dos) {
        std::fprintf(stderr, "stovan: %s\n", dos.error().c_str());
        return kReturnFailure;
    }
    Preferences record;
    // Only the timeouts are taken: without a readable file the defaults serve.
    (void)LoadLivePreferences(record, *dos);
    const std::string drawer = amiga::Utf8ToLatin1(options.drawer);
    // Said here: the fetch would only learn that it cannot store the data.
    if (const amiga::DosStatus made = amiga::CreateDrawerPath(*dos, drawer); !made) {
        std::fprintf(stderr, "stovan: %s\n",
                     TerminalText(amiga::Fault(made.error(), drawer)).c_str());
        return kReturnFailure;
    }

    Log log;
    TerminalGauge gauge;
    DownloadContext download;
    download.dos = &*dos;
    download.settings = SettingsFrom(record, *dos);
    download.log = &log;
    download.progress = options.progress ? &gauge : nullptr;
    download.drawer = drawer;
    download.aborted = [] { return interrupted != 0; };
    interrupted = 0;
    auto* previous = std::signal(SIGINT, OnInterrupt);

    const std::string url = amiga::Utf8ToLatin1(options.url);
    std::uint32_t flags = 0;
    flags |= options.lengthOnly ? DL_LENGTH_ONLY : 0;
    flags |= options.progress ? DL_PROGRESS : 0;
    DownloadOutcome outcome;
    const Status result = DownloadFile(download, url, amiga::Utf8ToLatin1(options.name), flags,
                                       options.name.empty(), &outcome);
    std::signal(SIGINT, previous);
    if (!result.ok()) {
        const LogArgument arguments[] = {UrlFilePart(url)};
        const std::string text =
            FormatText(GetString(result.message()), arguments, kMaxLogText).value_or("");
        std::fprintf(stderr, "stovan: %s\n", TerminalText(text).c_str());
        return kReturnFailure;
    }
    if (outcome.path.empty()) {
        std::fprintf(stderr, "stovan: the server sent an empty body; no file was stored\n");
        return 0;
    }
    std::printf("%s\n", TerminalText(outcome.path).c_str());
    return 0;
}

}  // namespace

void AddToolFetchCommand(CLI::App& program, Context& context) {
    {
        CLI::App& tools = SubcommandGroup(program, "tool", "tools for database authors");
        auto* command = tools.add_subcommand("fetch", "fetch a URL into a file as Stovan does");
        auto options = std::make_shared<FetchOptions>();
        command->add_option("URL", options->url, "the address to fetch")->required();
        command->add_option("--to", options->drawer, "the drawer (Amiga path), default T:");
        command->add_option("--name", options->name, "the file name in the drawer");
        command->add_flag("--length-only", options->lengthOnly,
                          "store \"LENGTH n\" and the server's date instead of the body");
        command->add_flag("--progress", options->progress, "show progress on standard error");
        command->callback([options, &context] { context.exitCode = RunFetch(*options, context); });
    }
}

}  // namespace stovan::app
