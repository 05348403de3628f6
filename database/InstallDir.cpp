#include "database/InstallDir.h"

#include <new>

#include "core/MessageIds.h"
#include "database/Engine.h"
#include "platform/AmigaPath.h"
#include "platform/Latin1.h"
#include "platform/Locks.h"
#include "prefs/Preferences.h"

namespace stovan {

namespace {

// Item types that have a default install drawer among the preferences.
bool HasTypeDrawer(AppType type) {
    switch (type) {
        case AppType::AUDIO:
        case AppType::VIDEO:
        case AppType::TEXT:
        case AppType::PICTURE:
        case AppType::GAME:
        case AppType::EMULATOR:
        case AppType::NETWORK:
        case AppType::TOOL:
        case AppType::UTILITY:
        case AppType::APPLICATION:
        case AppType::DESKTOP:
            return true;
        default:
            return false;
    }
}

}  // namespace

std::string DefaultInstallDir(const Engine& engine, AppType type) {
    if (HasTypeDrawer(type)) {
        return defaultInstallDir(engine.preferences(), static_cast<std::uint32_t>(type));
    }
    return engine.dos().profile().kind == amiga::SystemKind::MorphOS ? "SYS:Applications/" : "SYS:";
}

Status NormaliseInstallDir(Engine& engine, ApplicationItem& item) {
    const amiga::DosList& dos = engine.dos();
    if (amiga::EqualsNoCase(item.name(), "Stovan")) {
        // Stovan's own entry lives where the program does: the drawer that
        // holds the program's drawer.
        if (auto drawer = amiga::Lock(dos, amiga::PathPart(kProgramFile))) {
            const std::string path = amiga::NameFromLock(dos, *drawer);
            const std::string_view parent =
                std::string_view(path).substr(0, path.size() - amiga::FilePart(path).size());
            if (Status status = item.SetTextField(ItemField::installDir, parent); !status) {
                return status;
            }
        }
    }
    if (item.HasFlags(INSTALLDIR_DISABLED) || item.HasFlags(INSTALLDIR_FOLLOWS) ||
        item.installDir().empty()) {
        return Status::Ok();
    }
    try {
        const std::string fallback = DefaultInstallDir(engine, item.type);
        auto defaultLock = engine.drawers.Lock(dos, fallback);
        auto ownLock = engine.drawers.Lock(dos, item.installDir());
        if (defaultLock && ownLock && amiga::SameLock(*defaultLock, *ownLock)) {
            return item.SetTextField(ItemField::installDir, "");
        }
    } catch (const std::bad_alloc&) {
        return Status(msg::NotEnoughMemory);
    }
    return Status::Ok();
}

}  // namespace stovan
