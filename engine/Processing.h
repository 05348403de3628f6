#pragma once
// What a processing run works with: the engine and its items, the event loop
// every wait goes through, the front end that asks the user, the version
// check that refreshes an item before and after its operation, the way an
// archive is fetched, and the run counters the program keeps (a pending
// relaunch, database packages installed in this run).
//
// The action bits of AvailableActions and the operation flags of
// ConfirmOperation and PerformOperation live here too, shared by the queue
// (engine/Queue.h) and the operations (engine/Operations.h).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/EventLoop.h"
#include "core/Frontend.h"
#include "core/Log.h"
#include "core/Status.h"
#include "database/Engine.h"
#include "database/Item.h"
#include "engine/VersionCheck.h"

namespace stovan {

// AvailableActions: the low seven bits are what processing may do.
inline constexpr std::uint32_t ACT_NOTIFY = 0x01;
inline constexpr std::uint32_t ACT_DOWNLOAD = 0x02;
inline constexpr std::uint32_t ACT_UPDATE = 0x04;
inline constexpr std::uint32_t ACT_INSTALL = 0x08;
inline constexpr std::uint32_t ACT_UNINSTALL = 0x10;
inline constexpr std::uint32_t ACT_FETCH = 0x20;
inline constexpr std::uint32_t ACT_REPAIR = 0x40;
inline constexpr std::uint32_t ACT_PROCESSING = 0x7f;

// Operation flags of ConfirmOperation and PerformOperation.
inline constexpr std::uint32_t OPF_ARCHIVE = 0x02;
inline constexpr std::uint32_t OPF_UPDATE = 0x04;
inline constexpr std::uint32_t OPF_INSTALL = 0x08;
inline constexpr std::uint32_t OPF_UNINSTALL = 0x10;
inline constexpr std::uint32_t OPF_FETCH = 0x20;
inline constexpr std::uint32_t OPF_REPAIR = 0x40;
inline constexpr std::uint32_t OPF_OPERATIONS = 0x7f;
inline constexpr std::uint32_t OPF_SINGLE = 0x80000000u;

// Fetches url into a file of the drawer `drawer` (an Amiga path ending in
// "/" or ":") and gives the Amiga path of the stored file. 0, 315 when the
// user aborted, or the message number of the failure (already logged).
using ArchiveFetcher = std::function<Status(const ApplicationItem& item, std::string_view url,
                                            const std::string& drawer, std::string& storedPath)>;

struct ProcessContext {
    explicit ProcessContext(VersionCheckContext& versionCheck) : check(versionCheck) {}

    // The version check of the run: engine, loop, front end and server step.
    VersionCheckContext& check;
    // How archives are fetched; unset: every fetch fails with 350.
    ArchiveFetcher fetchArchive;
    // The user's languages, best first (the changelog's language).
    std::vector<std::string> preferredLanguages;
    // Starts a program without waiting for it (the changelog viewer): an
    // AmigaDOS command line. Unset: nothing is started.
    std::function<void(std::string_view commandLine)> startProgram;
    // Reloads the databases after a run that installed a database package.
    std::function<Status()> reloadDatabases;
    // Called once when Stovan has installed itself with a script that ended
    // below 10: save what must survive, end the event loop, start again.
    std::function<void()> relaunch;

    // Raised when Stovan has replaced itself; every later wait of the run
    // ends at once (the event loop reads it through check.relaunchRequested).
    std::uint32_t relaunchRequested = 0;
    // Database packages installed in the current run.
    std::uint32_t databasesChanged = 0;
    // Runs active now (nested runs add to it).
    std::uint32_t runNesting = 0;
    // The return code of the last install or uninstall script (20 when none
    // ran), and how many scripts of the run failed.
    std::int32_t lastScriptCode = 0;
    std::uint32_t failedScripts = 0;

    Engine& engine() { return check.engine; }
    EventLoop& loop() { return check.loop; }
    Frontend& frontend() { return check.frontend; }
};

// Gives an item's text field another value for as long as the object lives
// (the local archive as URLARCHIVE while a script is written), then the old
// one back. ok() is false when the new value could not be set (329).
class ScopedField {
  public:
    ScopedField(ApplicationItem& item, ItemField field, std::string_view value);
    ~ScopedField();
    ScopedField(const ScopedField&) = delete;
    ScopedField& operator=(const ScopedField&) = delete;
    bool ok() const { return set_; }

  private:
    ApplicationItem& item_;
    ItemField field_;
    std::vector<std::string> old_;
    bool set_ = false;
};

// A message formatted with its arguments (the English text when a
// translation does not fit them), for progress texts and requesters.
std::string MessageText(MessageId number, std::initializer_list<LogArgument> arguments);

}  // namespace stovan
