// Fuzzes the ".uaem" sidecar reader: sidecars come with files copied from
// anywhere (FS-UAE shares, archives). Any bytes must be read without reading
// past them, and what was read must survive a write and a re-read.

#include "platform/Uaem.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    amiga::UaemInfo fallback;
    fallback.protection = amiga::FIBF_ARCHIVE;
    const amiga::UaemInfo info = amiga::ParseUaem(text, fallback);
    const std::string line = amiga::FormatUaem(info);
    if (amiga::FormatUaem(amiga::ParseUaem(line, fallback)) != line) {
        std::abort();
    }
    return 0;
}
