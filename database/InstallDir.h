#pragma once
// The install drawer of an item when it names none, and the rule that keeps
// an item's own drawer only when it differs from that default. The parser
// applies the rule to every entry it has read, so these live with the
// database; the placeholders ({INSTALLDIR}) use the same default.

#include <string>
#include <string_view>

#include "core/Status.h"
#include "database/Item.h"

namespace stovan {

class Engine;

// Stovan's own program file; its drawer is PROGDIR:.
inline constexpr std::string_view kProgramFile = "PROGDIR:Stovan";

// The install drawer of an item type when the item names none: the type's
// preference drawer, else "SYS:" (on MorphOS "SYS:Applications/").
std::string DefaultInstallDir(const Engine& engine, AppType type);

// Gives the item named "Stovan" the drawer that holds Stovan's own drawer,
// then clears an item's install drawer when it is the same drawer as the
// default for its type, so that it follows the default from then on. Ok, or
// 329 when the field could not be written.
Status NormaliseInstallDir(Engine& engine, ApplicationItem& item);

}  // namespace stovan
