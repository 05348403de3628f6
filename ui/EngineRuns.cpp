#include "ui/EngineRuns.h"

#include <QCoreApplication>
#include <algorithm>
#include <deque>
#include <ranges>
#include <string_view>

#include "core/MessageIds.h"
#include "core/Messages.h"
#include "database/Loader.h"
#include "engine/ArchiveFetch.h"
#include "engine/ServerVersion.h"
#include "platform/Catalog.h"

namespace stovan::ui {

// Marks a run active for its lifetime and the processing state of the
// version check with it.
class EngineRuns::ActiveRun {
  public:
    explicit ActiveRun(EngineRuns& runs) : runs_(runs) { ++runs_.active_; }
    ~ActiveRun() {
        if (--runs_.active_ == 0) {
            runs_.RunPendingReload();
        }
    }
    ActiveRun(const ActiveRun&) = delete;
    ActiveRun& operator=(const ActiveRun&) = delete;

  private:
    EngineRuns& runs_;
};

EngineRuns::EngineRuns(Session& session, QtFrontend& frontend, std::string shellProgram)
    : session_(session),
      frontend_(frontend),
      server_(session.dos, frontend, session.log, std::move(shellProgram)),
      check_{*session.engine, server_, frontend, {}, nullptr},
      context_(check_) {
    Engine& engine = *session.engine;
    server_.setPoller([this](std::vector<pollfd>& fds, std::chrono::milliseconds timeout) {
        return WaitInQtLoop(frontend_, fds, timeout);
    });
    // A transfer asks this between its steps: the window is served, and
    // the Abort button ends the transfer.
    auto aborted = [this] { return frontend_.TakeAbort(); };
    check_.serverStep = MakeServerStep(engine, server_, aborted);
    context_.fetchArchive = MakeArchiveFetcher(
        engine, [&engine, this, aborted](const ApplicationItem&, std::string_view url,
                                         const std::string& drawer, std::string& stored) {
            return FetchNetworkArchive(engine, frontend_, url, drawer, stored, aborted);
        });
    context_.preferredLanguages = amiga::PreferredLanguages();
    // A run that installed a database package reloads inside the run: the
    // list must let go of the old items before the window draws again.
    context_.reloadDatabases = [&engine, this] {
        const Status reloaded = ReloadDatabase(engine);
        if (reloaded_) {
            reloaded_();
        }
        return reloaded;
    };
    check_.relaunchRequested = &context_.relaunchRequested;
    server_.setRelaunchRequested(&context_.relaunchRequested);
}

std::optional<Status> EngineRuns::CheckAll(CheckMode mode) {
    if (active()) {
        return std::nullopt;
    }
    ActiveRun run(*this);
    check_.aborted = false;
    const std::size_t first = session_.log.entries().size();
    const Status result = VersionCheckRun(check_, mode, CheckScope::All);
    NoteEnd(result, first);
    return result;
}

std::optional<Status> EngineRuns::CheckItem(ApplicationItem& item, CheckMode mode) {
    if (active()) {
        return std::nullopt;
    }
    ActiveRun run(*this);
    check_.aborted = false;
    const std::size_t first = session_.log.entries().size();
    const Status result = VersionCheckRun(check_, mode, CheckScope::One, &item);
    NoteEnd(result, first);
    return result;
}

void EngineRuns::NoteEnd(Status result, std::size_t firstEntry) {
    if (result.ok()) {
        return;
    }
    // The run's own lines end as if it had finished ("Processing Done."):
    // without this line the log would not tell that Abort stopped it.
    if (result.message() == msg::ProcessingAborted) {
        session_.log.AddLogEntry(msg::ProcessingAborted);
        return;
    }
    // Most failures are logged where they happen, but some only come back
    // in the result (a download drawer that cannot be entered, a script
    // that cannot be written, a reload whose saves failed). The window
    // tells failures through the log alone: one that the run's own lines
    // do not hold goes there now. A log at kMaxLogEntries drops as it adds,
    // so there the failure is added whether or not a line holds it.
    std::string_view text = GetString(result.message());
    text = text.substr(0, text.find('%'));
    const std::deque<LogEntry>& entries = session_.log.entries();
    const auto runLines = entries | std::views::drop(firstEntry);
    const bool logged = std::ranges::any_of(runLines, [&](const LogEntry& entry) {
        return entry.severity == SeverityOf(result.message()) && entry.text.starts_with(text);
    });
    if (!logged) {
        session_.log.AddLogEntry(result.message());
    }
}

std::optional<ProcessOutcome> EngineRuns::ProcessOne(ApplicationItem& item, ItemMode mode,
                                                     bool otherVersion) {
    if (active()) {
        return std::nullopt;
    }
    ActiveRun run(*this);
    check_.processingActive = true;
    SetOneShotMode(item, mode);
    const std::size_t first = session_.log.entries().size();
    ProcessOutcome outcome = ProcessItems(
        context_, otherVersion ? ProcessScope::OtherVersion : ProcessScope::One, &item);
    check_.processingActive = false;
    NoteEnd(outcome.result, first);
    return outcome;
}

std::optional<ProcessOutcome> EngineRuns::ProcessAll() {
    if (active()) {
        return std::nullopt;
    }
    ActiveRun run(*this);
    check_.processingActive = true;
    const std::size_t first = session_.log.entries().size();
    ProcessOutcome outcome = ProcessItems(context_, ProcessScope::All);
    check_.processingActive = false;
    NoteEnd(outcome.result, first);
    return outcome;
}

LaunchOutcome EngineRuns::Launch(LaunchSettings settings) {
    ActiveRun run(*this);
    check_.aborted = false;
    settings.loaded = [this] {
        if (reloaded_) {
            reloaded_();
        }
    };
    return RunLaunchStep(context_, settings);
}

bool EngineRuns::Reload() {
    if (active()) {
        reloadPending_ = true;
        return true;
    }
    (void)ReloadSession(session_);  // a failure is in the log as a FATAL entry
    if (reloaded_) {
        reloaded_();
    }
    return false;
}

void EngineRuns::RunPendingReload() {
    if (reloadPending_) {
        reloadPending_ = false;
        (void)Reload();  // no run is active now: it is not put off
    }
}

}  // namespace stovan::ui
