// Fuzz target: the Version command's output as SVersionCompare reads it.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "commands/VersionCompare.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto version = stovan::commands::ParseVersionOutput(text)) {
        (void)stovan::commands::CompareFileVersions(*version, *version);
    }
    amiga::DateStamp date;
    (void)stovan::commands::ParseVersionStringDate(text.substr(0, 19), date);
    return 0;
}
