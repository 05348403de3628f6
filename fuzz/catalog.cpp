// Catalogs come from the user's disk: any bytes must parse to a result or an
// error, and every text found must be a string the log can format.
#include "platform/Catalog.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/Log.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto catalog = amiga::ParseCatalog(bytes);
    if (!catalog) {
        return 0;
    }
    (void)amiga::ParseCatalogVersion(catalog->versionString);
    // A translated text is used as a format: it must never crash the log.
    const stovan::LogArgument arguments[] = {"text", 42, "more", -1};
    for (const amiga::CatalogString& entry : catalog->strings) {
        (void)catalog->find(entry.id);
        (void)stovan::FormatText(entry.text, arguments, stovan::kMaxLogText);
    }
    return 0;
}
