#include "ui/Controls.h"

#include "core/Messages.h"
#include "engine/Queue.h"

namespace stovan::ui {

ControlStates ControlStatesFor(const ApplicationItem* item, bool processing) {
    ControlStates states;
    if (item == nullptr || processing) {
        return states;
    }
    const std::uint32_t actions = AvailableActions(*item);
    states.install = (actions & kOffersInstall) != 0;
    states.update = (actions & kOffersUpdate) != 0;
    states.check = true;
    states.repair = (actions & kOffersRepair) != 0;
    states.uninstall = (actions & kOffersUninstall) != 0;
    states.mode = item->type != AppType::STOVAN;
    states.drawer = !item->HasFlags(INSTALLDIR_DISABLED) && item->type != AppType::STOVAN &&
                    item->state == ItemState::NOTINSTALLED;
    return states;
}

std::string ButtonLabel(MessageId label, bool asks, bool german) {
    std::string text(GetString(label));
    if (asks) {
        text += german ? " ..." : "...";
    }
    return text;
}

}  // namespace stovan::ui
