#include "desktop/CompanionCommands.h"

#include "core/MessageIds.h"
#include "platform/AmigaPath.h"
#include "platform/Locks.h"

namespace stovan {

namespace {

// The assign gets the drawer's canonical name, so that removing it later
// finds the same text whatever spelling the caller used.
std::string CanonicalDrawer(const amiga::DosList& dos, std::string_view drawer) {
    auto lock = amiga::Lock(dos, drawer);
    if (!lock || !lock->drawer) {
        return std::string();
    }
    return amiga::NameFromLock(dos, *lock);
}

}  // namespace

Status InstallCompanionCommands(amiga::DosList& dos, const std::vector<std::string>& names,
                                std::string_view drawer) {
    for (const std::string& name : names) {
        if (amiga::Lock(dos, "C:" + name).ok()) {
            return Status(msg::InstallationModified);
        }
    }
    const std::string canonical = CanonicalDrawer(dos, drawer);
    if (canonical.empty()) {
        return Status(msg::InstallationModified);
    }
    auto lock = amiga::Lock(dos, canonical);
    for (const std::string& name : names) {
        if (!lock || !amiga::Lock(dos, name, &*lock).ok()) {
            return Status(msg::InstallationModified);
        }
    }
    if (!dos.AssignAdd("C", canonical).ok()) {
        return Status(msg::CannotSetUpAssigns);
    }
    return Status::Ok();
}

void RemoveCompanionCommands(amiga::DosList& dos, std::string_view drawer) {
    const std::string canonical = CanonicalDrawer(dos, drawer);
    // The table is this process's own and ends with it; a drawer that was
    // never added has nothing to remove.
    (void)dos.RemAssignList("C", canonical.empty() ? std::string(drawer) : canonical);
}

}  // namespace stovan
