#pragma once
// The engine's runs as the window starts them: one event loop waiting in
// Qt's loop, one version check context and one processing context over the
// session, and the rule that a run never starts while another is active (a
// nested run would reorder or reload the list under the outer one; the
// command is ignored and the caller told so).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "desktop/ServeEvents.h"
#include "engine/Launch.h"
#include "engine/Processing.h"
#include "engine/Queue.h"
#include "engine/Session.h"
#include "engine/VersionCheck.h"
#include "ui/QtFrontend.h"

namespace stovan::ui {

class EngineRuns {
  public:
    // shellProgram: the stovan-shell executable the workers run.
    EngineRuns(Session& session, QtFrontend& frontend, std::string shellProgram);
    EngineRuns(const EngineRuns&) = delete;
    EngineRuns& operator=(const EngineRuns&) = delete;

    bool active() const { return active_ > 0; }

    // Each returns none when a run was active (nothing done), else the
    // run's result. Failures are in the log already.
    std::optional<Status> CheckAll(CheckMode mode);
    std::optional<Status> CheckItem(ApplicationItem& item, CheckMode mode);
    // The list's command for one item: the one-shot mode set (the old one
    // kept in savedMode), then ProcessItems for that item. otherVersion:
    // the item's serverVersion was set to a version the user chose.
    std::optional<ProcessOutcome> ProcessOne(ApplicationItem& item, ItemMode mode,
                                             bool otherVersion = false);
    std::optional<ProcessOutcome> ProcessAll();
    // The launch step (engine/Launch.h) as one run: the list rebuilds once
    // the launch reload has replaced the items, and commands wait for its end.
    LaunchOutcome Launch(LaunchSettings settings);
    // The databases loaded again (the user's choices and the version
    // results carried over). Asked for during a run, it waits for the run's
    // end: true when it was put off.
    bool Reload();
    // Called after a reload that replaced the items (the list rebuilds).
    void setReloaded(std::function<void()> reloaded) { reloaded_ = std::move(reloaded); }

    EventServer& server() { return server_; }
    ProcessContext& context() { return context_; }

  private:
    class ActiveRun;
    void RunPendingReload();
    void NoteAbort(Status result);

    Session& session_;
    QtFrontend& frontend_;
    EventServer server_;
    VersionCheckContext check_;
    ProcessContext context_;
    std::function<void()> reloaded_;
    int active_ = 0;
    bool reloadPending_ = false;
};

}  // namespace stovan::ui
