#include "engine/ProgramFolders.h"

#include "platform/HostFiles.h"

// The build gives the layout as compile definitions (CMakeLists.txt): the
// build folder and the source tree's data folder, and the installed folders
// relative to the installed program's own folder.
#ifndef STOVAN_INSTALLED_DATA
#define STOVAN_INSTALLED_DATA "../share/stovan"
#endif
#ifndef STOVAN_INSTALLED_COMMANDS
#define STOVAN_INSTALLED_COMMANDS "../libexec/stovan"
#endif

namespace stovan {

std::string RunningProgramFolder() {
    // The kernel's link to the running program's file, resolved: the real
    // folder, whatever link the program was started through.
    auto path = amiga::HostRealPath("/proc/self/exe");
    if (!path) {
        return {};
    }
    const std::size_t slash = path->rfind('/');
    return slash == std::string::npos ? std::string() : path->substr(0, slash);
}

bool RunningFromBuildFolder() {
#ifdef STOVAN_BUILD_PROGRAMS
    const std::string folder = RunningProgramFolder();
    auto build = amiga::HostRealPath(STOVAN_BUILD_PROGRAMS);
    return !folder.empty() && build && *build == folder;
#else
    return false;
#endif
}

std::string CompanionProgramFolder() {
    const std::string folder = RunningProgramFolder();
    if (folder.empty() || RunningFromBuildFolder()) {
        return folder;
    }
    return folder + "/" STOVAN_INSTALLED_COMMANDS;
}

amiga::Expected<std::string, std::string> SampleDatabaseFolder() {
    std::string candidate;
#ifdef STOVAN_BUILD_DATA
    if (RunningFromBuildFolder()) {
        candidate = STOVAN_BUILD_DATA "/Database/Internal";
    }
#endif
    if (candidate.empty()) {
        const std::string folder = RunningProgramFolder();
        if (folder.empty()) {
            return amiga::Unexpected{std::string(
                "the sample database cannot be found: the program's own folder is unknown")};
        }
        candidate = folder + "/" STOVAN_INSTALLED_DATA "/Database/Internal";
    }
    auto stat = amiga::HostStatFollow(candidate);
    if (!stat || stat->type != amiga::HostType::Directory) {
        return amiga::Unexpected{"the sample database is missing: no folder " + candidate};
    }
    return candidate;
}

amiga::Expected<std::string, std::string> DemoSiteFolder() {
    const std::string folder = RunningProgramFolder();
    if (folder.empty()) {
        return amiga::Unexpected{std::string(
            "the demonstration site cannot be found: the program's own folder is unknown")};
    }
    const std::string candidate = RunningFromBuildFolder()
                                      ? folder + "/demo-site"
                                      : folder + "/" STOVAN_INSTALLED_DATA "/demo-site";
    auto stat = amiga::HostStatFollow(candidate);
    if (!stat || stat->type != amiga::HostType::Directory) {
        return amiga::Unexpected{"the demonstration site is missing: no folder " + candidate};
    }
    return candidate;
}

}  // namespace stovan
