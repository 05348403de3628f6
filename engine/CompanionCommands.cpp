#include "engine/CompanionCommands.h"

#include "platform/DosErrors.h"
#include "platform/HostFiles.h"
#include "platform/Locks.h"

namespace stovan {

namespace {

// The built program of a command (its folder name in the sources) differs
// from its C: name only in case.
struct CompanionProgram {
    const char* name;     // as it stands in C:
    const char* program;  // as the build names it
};

constexpr CompanionProgram kPrograms[] = {
    {"SDownload", "SDownload"},
    {"SGauge", "SGauge"},
    {"SLog", "SLog"},
    {"SSignal", "SSignal"},
    {"SStartup", "SStartup"},
    {"STooltype", "SToolType"},
    {"SVersionCompare", "SVersionCompare"},
};

bool SameFile(const amiga::HostStat& a, const amiga::HostStat& b) {
    return a.size == b.size && a.modified == b.modified &&
           a.modifiedNanoseconds == b.modifiedNanoseconds;
}

}  // namespace

const std::vector<std::string>& CompanionCommandNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (const CompanionProgram& program : kPrograms) {
            list.emplace_back(program.name);
        }
        return list;
    }();
    return names;
}

std::string CompanionCommandDrawer(const amiga::DosList& dos) {
    return dos.profile().kind == amiga::SystemKind::MorphOS ? "PROGDIR:Database/Commands/MorphOS"
                                                            : "PROGDIR:Database/Commands/AmigaOS4";
}

std::string InstallCompanionPrograms(const amiga::DosList& dos, const std::string& programFolder) {
    const std::string drawerPath = CompanionCommandDrawer(dos);
    auto drawer = amiga::Lock(dos, drawerPath);
    if (!drawer || !drawer->drawer) {
        return "cannot enter " + drawerPath + ": " +
               amiga::FaultText(drawer ? amiga::ERROR_OBJECT_WRONG_TYPE : drawer.error());
    }
    for (const CompanionProgram& program : kPrograms) {
        const std::string source = programFolder + "/" + program.program;
        auto from = amiga::HostStatFollow(source);
        if (!from || from->type != amiga::HostType::File) {
            continue;
        }
        // The name on disk when a copy exists in another case.
        auto existing = amiga::FindNameInFolder(drawer->hostPath, program.name);
        const std::string target =
            drawer->hostPath + "/" + (existing && !existing->empty() ? *existing : program.name);
        auto to = amiga::HostLstat(target);
        if (to && to->type == amiga::HostType::File && SameFile(*from, *to)) {
            continue;
        }
        if (amiga::DosStatus copied = amiga::HostCopyFile(source, target); !copied) {
            return "cannot copy " + source + " to " + target + ": " +
                   amiga::FaultText(copied.error());
        }
        if (amiga::DosStatus made = amiga::HostSetExecutable(target); !made) {
            return "cannot make " + target + " executable: " + amiga::FaultText(made.error());
        }
        // The copy carries the program's date, so the next start sees it is
        // current; without it the next start copies the program again.
        if (amiga::DosStatus dated =
                amiga::HostSetModified(target, from->modified, from->modifiedNanoseconds);
            !dated) {
            return "cannot date " + target + ": " + amiga::FaultText(dated.error());
        }
    }
    return {};
}

}  // namespace stovan
