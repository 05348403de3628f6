// Icon files from anywhere: decoding must never read past the data, and an
// icon that decodes must encode to bytes that decode to the same encoding.

#include "platform/Icon.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto icon = amiga::DecodeDiskObject(bytes);
    if (!icon) {
        return 0;
    }
    amiga::EditToolTypes(icon->toolTypes, {"FUZZ", "1", "FUZZ", "-"});
    auto encoded = amiga::EncodeDiskObject(*icon);
    if (!encoded) {
        return 0;
    }
    auto again = amiga::DecodeDiskObject(*encoded);
    if (!again) {
        std::abort();  // what we wrote, we must be able to read
    }
    auto reencoded = amiga::EncodeDiskObject(*again);
    if (!reencoded || *reencoded != *encoded) {
        std::abort();
    }
    return 0;
}
