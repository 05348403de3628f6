#pragma once
// The companion commands as C: commands while Stovan runs: their drawer in
// Stovan's tree is added to the C: assign at start-up and removed at
// shutdown. Child processes see the change through the assigns passed in
// their environment (amiga::DosList::ChildEnvironment).

#include <string>
#include <string_view>
#include <vector>

#include "core/Status.h"
#include "platform/Volumes.h"

namespace stovan {

// At start-up, for the command names (as they stand in C:) and the drawer
// holding them:
//  - msg::InstallationModified when any "C:<name>" already exists (a copy
//    in C: would shadow Stovan's own), when the drawer cannot be entered,
//    or when a command is missing from it;
//  - msg::CannotSetUpAssigns when the drawer cannot be added to C:.
// Ok otherwise.
Status InstallCompanionCommands(amiga::DosList& dos, const std::vector<std::string>& names,
                                std::string_view drawer);

// At shutdown: removes the drawer from the C: assign again.
void RemoveCompanionCommands(amiga::DosList& dos, std::string_view drawer);

}  // namespace stovan
