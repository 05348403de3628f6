#include "app/Startup.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/CommandRun.h"
#include "core/Messages.h"
#include "core/TerminalText.h"
#include "desktop/CompanionCommands.h"
#include "engine/CompanionCommands.h"
#include "platform/Catalog.h"
#include "platform/Locks.h"
#include "platform/ProgramRestart.h"

namespace stovan::app {

namespace {

// Set in the environment of a start made by a relaunch. A start that finds
// it and is asked to relaunch again during its own launch step refuses:
// Stovan would otherwise install and restart itself for ever when its
// newly installed version still looks outdated (a database entry whose
// version check does not match what the archive installs).
constexpr const char* kRelaunchedVariable = "STOVAN_RELAUNCHED";

// How long a start waits out commands that look at the running lock (each
// holds it for a moment) before it takes another holder for a running Stovan.
constexpr std::chrono::milliseconds kCommandLookGrace{250};

// The catalog of the user's language from "PROGDIR:Catalogs" or
// "LOCALE:Catalogs"; the English texts when there is none.
void OpenCatalog(const amiga::DosList& dos) {
    std::vector<std::filesystem::path> folders;
    for (const char* drawer : {"PROGDIR:", "LOCALE:"}) {
        if (auto lock = amiga::Lock(dos, drawer); lock && lock->drawer) {
            folders.emplace_back(lock->hostPath);
        }
    }
    (void)OpenStovanCatalog(folders, amiga::PreferredLanguages());  // none: English stands
}

// The program icon's tool types, then the words of the command line (as
// the shell passed them) read with the start-up template. A bad line prints
// the AmigaDOS fault text with the header "Stovan"; the tool types stand.
StartupArguments ReadStartupArguments(const amiga::DosList& dos,
                                      const std::vector<std::string>& words) {
    StartupArguments arguments;
    ApplyToolTypes(arguments, ProgramToolTypes(dos));
    if (const auto error = ApplyCommandLine(arguments, StartupCommandLine(words))) {
        // A bad line is no reason to stop: the tool types stand.
        std::fprintf(stderr, "%s\n", amiga::Fault(*error, "Stovan").c_str());
    }
    return arguments;
}

}  // namespace

std::string AlreadyRunningText(const std::string& rootFolder) {
    return "Stovan is already running on the system root " + rootFolder +
           "; only one may run on a root at a time";
}

amiga::Expected<amiga::RootLock, std::string> TakeRunningLock(const std::string& rootFolder,
                                                              bool& heldElsewhere) {
    auto lock = amiga::TryLockRoot(rootFolder, kRunningLockName, heldElsewhere,
                                   amiga::RootLockMode::Exclusive, kCommandLookGrace);
    if (!lock && heldElsewhere) {
        return amiga::Unexpected{AlreadyRunningText(rootFolder)};
    }
    return lock;
}

std::optional<std::string> RootIsRunning(const std::string& rootFolder) {
    bool running = false;
    const auto look =
        amiga::TryLockRoot(rootFolder, kRunningLockName, running, amiga::RootLockMode::Shared);
    if (!look && running) {
        return AlreadyRunningText(rootFolder);
    }
    return std::nullopt;
}

amiga::Expected<HeldSession, std::string> OpenHeldSession(const Context& context,
                                                          const amiga::DosList& dos,
                                                          const std::vector<std::string>& words) {
    OpenCatalog(dos);
    Context holding = context;
    holding.holdsRunningLock = true;
    auto opened = OpenDatabaseSession(holding);
    if (!opened) {
        return amiga::Unexpected{opened.error()};
    }
    HeldSession held;
    held.session = std::move(*opened);
    held.arguments = ReadStartupArguments(held.session->dos, words);
    held.commandDrawer = CompanionCommandDrawer(held.session->dos);
    if (const Status status = InstallCompanionCommands(held.session->dos, CompanionCommandNames(),
                                                       held.commandDrawer);
        !status.ok()) {
        return amiga::Unexpected{std::string(PlainText(GetString(status.message())))};
    }
    return held;
}

bool TakeRelaunchMark() {
    const bool relaunched = std::getenv(kRelaunchedVariable) != nullptr;
    ::unsetenv(kRelaunchedVariable);
    return relaunched;
}

int RestartAfterRelaunch() {
    ::setenv(kRelaunchedVariable, "1", 1);
    const amiga::DosError error = amiga::RestartProgram();
    ::unsetenv(kRelaunchedVariable);
    Complain("cannot start Stovan again: " + amiga::FaultText(error));
    return 20;
}

}  // namespace stovan::app
