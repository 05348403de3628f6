#pragma once
// The pictures of the information panel. An item's picture is fetched from
// the web once and kept in the image drawer under the item's name (no
// extension); when none can be had, a 1-byte placeholder is kept instead,
// so that later displays do not fetch again, and a picture shipped with
// Stovan in "PROGDIR:Database/Images/" is shown: the item's type picture
// ("game.png" for GAME) or "noimage.png". An APPPICTURE that names a local
// file is shown when nothing is cached.

#include <functional>
#include <optional>
#include <string>

#include "core/Frontend.h"
#include "core/Status.h"
#include "database/Engine.h"
#include "database/Item.h"

namespace stovan {

// Where the shipped pictures are.
inline constexpr std::string_view kShippedImagesDrawer = "PROGDIR:Database/Images/";
inline constexpr std::string_view kNoImagePicture = "noimage.png";

// A cached file of fewer bytes than this counts as missing (the
// placeholder is one byte).
inline constexpr std::uint64_t kMinImageSize = 4;
// With SCAN_MISSING_IMAGES a file of fewer bytes than this is fetched again.
inline constexpr std::uint64_t kRescanImageSize = 5;

struct ImageContext {
    Engine& engine;
    // True when the user aborted; polled while a fetch runs.
    std::function<bool()> aborted;
    // The information panel: shows a picture file (an Amiga path), or
    // clears its picture when given "".
    std::function<void(const std::string& picture)> showPicture{};
};

// The image drawer (the preferences' imageDir, "PROGDIR:Cache/Images/"
// when that is empty, relative to "PROGDIR:"), created with its missing
// parents; its Amiga path as NameFromLock gives it, or nothing when it
// cannot be made or locked.
std::optional<std::string> ImageDrawerPath(Engine& engine);

// The picture to show for an item whose cached file is missing: an
// APPPICTURE naming an existing local file, else the type picture when it
// exists, else "noimage.png" (whether or not it exists).
std::string ShippedPicture(Engine& engine, const ApplicationItem& item);

// Makes sure the item's picture is cached: when its file is missing (or,
// with SCAN_MISSING_IMAGES, a placeholder) it is fetched from APPPICTURE
// (an http:// or https:// URL) and, when that is not tried or fails, from
// the image server (imageServer joined with the name); when every fetch
// failed the placeholder is written. With display set, the chosen picture
// (the cached file, or ShippedPicture when it has fewer than 4 bytes) goes
// to showPicture; with no item, showPicture gets "". Returns the last
// fetch's result (0 when none was needed); an abort (315) writes no
// placeholder. An item whose name cannot be a file name has no cached
// picture and fetches nothing.
Status ShowItemImage(ImageContext& context, const ApplicationItem* item, bool display);

// The fetch run over every item in list order, with 417 "Downloading image
// for '%s'   -   %ld/%ld" on the front end's gauge; stops on 315, which
// it returns.
Status FetchMissingImages(ImageContext& context, Frontend& frontend);

}  // namespace stovan
