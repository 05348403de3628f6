#include "engine/ImageCache.h"

#include <array>
#include <new>

#include "core/Log.h"
#include "core/MessageIds.h"
#include "core/Messages.h"
#include "engine/ArchiveFetch.h"
#include "engine/Downloads.h"
#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "platform/Latin1.h"
#include "platform/Locks.h"
#include "prefs/Preferences.h"

namespace stovan {

namespace {

// A path of the program's tree: relative paths are taken from "PROGDIR:",
// which is the current drawer of Stovan on the Amiga.
std::optional<std::string> FromProgramDrawer(std::string_view path) {
    std::string full = "PROGDIR:";
    if (!amiga::AddPart(full, path)) {
        return std::nullopt;
    }
    return full;
}

// The size of a plain file; 0 when it is missing or a drawer.
std::uint64_t FileSize(const amiga::DosList& dos, std::string_view path) {
    auto info = amiga::Examine(dos, path);
    return info && !info->drawer ? info->size : 0;
}

bool IsPlainFile(const amiga::DosList& dos, std::string_view path) {
    auto info = amiga::Examine(dos, path);
    return info && !info->drawer;
}

// The image server's URL of a name: the two joined as path parts. The name
// is a database's text; it is percent-encoded so that a blank or a "?"
// stays part of the path.
std::string ImageServerUrl(std::string_view server, std::string_view name) {
    std::string url(server);
    if (url.empty() || url.back() != '/') {
        url += '/';
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' ||
                           c == '~';
        if (plain) {
            url += c;
        } else {
            url += '%';
            url += kHex[byte >> 4];
            url += kHex[byte & 0x0F];
        }
    }
    return url;
}

}  // namespace

std::optional<std::string> ImageDrawerPath(Engine& engine) {
    const amiga::DosList& dos = engine.dos();
    const std::string& setting = engine.preferences().imageDir;
    auto path = FromProgramDrawer(setting.empty() ? kDefaultImageDir : std::string_view(setting));
    if (!path) {
        return std::nullopt;
    }
    auto lock = amiga::Lock(dos, *path);
    if (!lock) {
        // A drawer that could not be made fails the lock below: no cache then.
        (void)amiga::CreateDrawerPath(dos, *path);
        lock = amiga::Lock(dos, *path);
    }
    if (!lock || !lock->drawer) {
        return std::nullopt;
    }
    return amiga::NameFromLock(dos, *lock);
}

std::string ShippedPicture(Engine& engine, const ApplicationItem& item) {
    const amiga::DosList& dos = engine.dos();
    if (!item.appPicture().empty() && !IsNetworkUrl(item.appPicture())) {
        if (auto local = FromProgramDrawer(item.appPicture()); local && IsPlainFile(dos, *local)) {
            return *local;
        }
    }
    std::string typePicture(kShippedImagesDrawer);
    for (const char c : TypeWord(item.type)) {
        typePicture += amiga::ToLower(c);
    }
    typePicture += ".png";
    if (IsPlainFile(dos, typePicture)) {
        return typePicture;
    }
    return std::string(kShippedImagesDrawer) + std::string(kNoImagePicture);
}

Status ShowItemImage(ImageContext& context, const ApplicationItem* item, bool display) {
    if (item == nullptr) {
        if (display && context.showPicture) {
            context.showPicture("");
        }
        return Status::Ok();
    }
    try {
        Engine& engine = context.engine;
        const amiga::DosList& dos = engine.dos();
        const Preferences& preferences = engine.preferences();
        Status result;
        std::string cached;
        // The name becomes a file name in the drawer: a name that is no
        // plain file name (a hostile "../x" or "Work:x") names nothing.
        const std::optional<std::string> drawer =
            amiga::IsValidName(item->name()) ? ImageDrawerPath(engine) : std::nullopt;
        if (drawer) {
            cached = *drawer;
            (void)amiga::AddPart(cached, item->name(), std::string::npos);  // no limit: cannot fail
            std::uint64_t size = FileSize(dos, cached);
            if ((preferences.flags & SCAN_MISSING_IMAGES) != 0 && size < kRescanImageSize) {
                size = 0;
            }
            if (size == 0) {
                DownloadContext download = MakeDownloadContext(engine, context.aborted);
                download.drawer = *drawer;
                bool tried = false;
                bool fetched = false;
                const auto fetch = [&](const std::string& url) {
                    tried = true;
                    result = DownloadFile(download, url, item->name(), 0);
                    // A body too short to be a picture is no better than none.
                    fetched = result.ok() && FileSize(dos, cached) >= kMinImageSize;
                };
                if (IsNetworkUrl(item->appPicture())) {
                    fetch(item->appPicture());
                }
                if (!fetched && result.message() != msg::ProcessingAborted &&
                    !preferences.imageServer.empty()) {
                    fetch(ImageServerUrl(preferences.imageServer, item->name()));
                }
                if (tried && !fetched && result.message() != msg::ProcessingAborted) {
                    // The mark only spares later displays a fetch that failed;
                    // without it the next display tries once more.
                    (void)amiga::WriteFile(dos, cached, std::string(1, '\0'));
                }
            }
        }
        if (display && context.showPicture) {
            const bool usable = drawer && FileSize(dos, cached) >= kMinImageSize;
            context.showPicture(usable ? cached : ShippedPicture(engine, *item));
        }
        return result;
    } catch (const std::bad_alloc&) {
        return Status(msg::NotEnoughMemory);
    }
}

Status FetchMissingImages(ImageContext& context, Frontend& frontend) {
    Engine& engine = context.engine;
    const auto total = static_cast<std::uint32_t>(engine.items().size());
    frontend.ShowGauge(true);
    Status result;
    std::uint32_t counter = 0;
    for (const ApplicationItem& item : engine.items()) {
        ++counter;
        const std::array<LogArgument, 3> arguments{LogArgument(item.name()), LogArgument(counter),
                                                   LogArgument(total)};
        frontend.ShowProgress(
            FormatText(GetString(msg::ProgressDownloadingImage), arguments, kMaxLogText)
                .value_or(""));
        frontend.SetGauge(counter, total);
        if (ShowItemImage(context, &item, false).message() == msg::ProcessingAborted) {
            result = Status(msg::ProcessingAborted);
            break;
        }
    }
    frontend.ShowGauge(false);
    return result;
}

}  // namespace stovan
