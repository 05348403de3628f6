#pragma once
// Puts the companion commands into a system root's command drawer
// ("PROGDIR:Database/Commands/AmigaOS4/" or ".../MorphOS/"), where start-up
// looks for them before it adds the drawer to C:. The programs come from the
// folder the build or the installation put them in (CompanionProgramFolder).

#include <string>
#include <vector>

#include "platform/Volumes.h"

namespace stovan {

// The names of the companion commands as they stand in C:.
const std::vector<std::string>& CompanionCommandNames();

// The command drawer of the root's system ("PROGDIR:Database/Commands/AmigaOS4").
std::string CompanionCommandDrawer(const amiga::DosList& dos);

// Copies each companion command found in programFolder into the command
// drawer, when the copy there is missing or differs (size or date). A
// copy, not a link: links leading outside a volume are not followed. Each
// file is written under a temporary name and renamed, so a command never
// runs half-copied. Returns a message for the first failure, "" when all
// went well; a program missing from programFolder is skipped (the start-up
// check reports the broken installation).
std::string InstallCompanionPrograms(const amiga::DosList& dos, const std::string& programFolder);

}  // namespace stovan
