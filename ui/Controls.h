#pragma once
// What the main window's controls allow for the active item, and the labels
// of its command buttons: pure rules, so they are tested without a window.

#include <cstdint>
#include <string>

#include "core/Status.h"
#include "database/Item.h"

namespace stovan::ui {

// The bits of AvailableActions (engine/Queue.h) that the window reads.
inline constexpr std::uint32_t kOffersDownload = 0x080;
inline constexpr std::uint32_t kOffersUpdate = 0x100;
inline constexpr std::uint32_t kOffersInstall = 0x200;
inline constexpr std::uint32_t kOffersUninstall = 0x400;
inline constexpr std::uint32_t kOffersRepair = 0x800;
inline constexpr std::uint32_t kOffersAnyOperation = 0xF00;

// Which controls are enabled.
struct ControlStates {
    bool install = false;
    bool update = false;
    bool check = false;
    bool repair = false;
    bool uninstall = false;
    bool mode = false;    // the Mode cycle and its label
    bool drawer = false;  // the install drawer field and its label
};

// No item, or a processing run active, blocks everything; otherwise the
// buttons follow the item's actions, the mode is fixed for Stovan's own
// items and database packages, and the drawer can be chosen only for an
// application that is not installed and whose drawer is not fixed.
ControlStates ControlStatesFor(const ApplicationItem* item, bool processing);

// A button's label from its message ("_Install"): "..." appended when the
// run asks before it acts, with a space before it in German.
std::string ButtonLabel(MessageId label, bool asks, bool german);

}  // namespace stovan::ui
