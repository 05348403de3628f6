// LhA header bytes come from downloaded archives: the parser must refuse
// anything malformed without reading past the buffer. The -lh5- encoder is
// fed the same bytes as file data (it must take any input).
#include <cstddef>
#include <cstdint>

#include "shell/archive/Lh5Encoder.h"
#include "shell/archive/LhaHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto header = amiga::ParseLhaHeader(data, size);
    if (header.ok() && header->headerLength > size) {
        __builtin_trap();  // a header longer than what was given was "parsed"
    }
    if (size <= 4096) {
        auto packed = amiga::CompressLh5(data, size);
        (void)packed;
    }
    return 0;
}
