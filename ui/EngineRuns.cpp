#include "ui/EngineRuns.h"

#include <QCoreApplication>

#include "core/MessageIds.h"
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
    const Status result = VersionCheckRun(check_, mode, CheckScope::All);
    NoteAbort(result);
    return result;
}

std::optional<Status> EngineRuns::CheckItem(ApplicationItem& item, CheckMode mode) {
    if (active()) {
        return std::nullopt;
    }
    ActiveRun run(*this);
    check_.aborted = false;
    const Status result = VersionCheckRun(check_, mode, CheckScope::One, &item);
    NoteAbort(result);
    return result;
}

void EngineRuns::NoteAbort(Status result) {
    // The run's own lines end as if it had finished ("Processing Done."):
    // without this line the log would not tell that Abort stopped it.
    if (result.message() == msg::ProcessingAborted) {
        session_.log.AddLogEntry(msg::ProcessingAborted);
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
    ProcessOutcome outcome = ProcessItems(
        context_, otherVersion ? ProcessScope::OtherVersion : ProcessScope::One, &item);
    check_.processingActive = false;
    NoteAbort(outcome.result);
    return outcome;
}

std::optional<ProcessOutcome> EngineRuns::ProcessAll() {
    if (active()) {
        return std::nullopt;
    }
    ActiveRun run(*this);
    check_.processingActive = true;
    ProcessOutcome outcome = ProcessItems(context_, ProcessScope::All);
    check_.processingActive = false;
    NoteAbort(outcome.result);
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
