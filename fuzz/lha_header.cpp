// LhA header bytes come from downloaded archives: the parser must refuse
// anything malformed without reading past the buffer. The -lh5- encoder is
// fed the same bytes as file data (it must take any input).
#include <cstddef>
#include <cstdint>

#include "archive/Lh5Encoder.h"
#include "archive/LhaHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto header = stovan::archive::ParseLhaHeader(data, size);
    if (header.ok() && header->headerLength > size) {
        __builtin_trap();  // a header longer than what was given was "parsed"
    }
    if (size <= 4096) {
        auto packed = stovan::archive::CompressLh5(data, size);
        (void)packed;
    }
    return 0;
}
