// Fuzzes the mount table parser: the file sits in a system root anyone may
// have edited. Any bytes must be refused with a message or parsed, and a
// parsed table must format to text that parses again to the same text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/MountTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto table = amiga::ParseMountTable(text);
    if (!table.ok()) {
        if (table.error().empty()) {
            std::abort();  // a refusal must say why
        }
        return 0;
    }
    const std::string formatted = amiga::FormatMountTable(*table);
    auto again = amiga::ParseMountTable(formatted);
    if (!again.ok() || amiga::FormatMountTable(*again) != formatted) {
        std::abort();
    }
    return 0;
}
