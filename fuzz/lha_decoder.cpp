// Compressed LhA data comes from downloaded archives. Our decoder must end
// damaged data in an error without reading or writing outside its buffers,
// and whatever it does decode must be what liblhasa's decoder makes of the
// same bytes. The first byte picks the method, the next two the entry's
// size (in 16-byte steps, up to 1 MiB); the rest is the compressed data.
#include <lha_decoder.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "archive/LhaDecoder.h"

namespace {

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t offset;
};

std::size_t Feed(void* buffer, std::size_t size, void* handle) {
    auto* input = static_cast<Input*>(handle);
    const std::size_t count = std::min(size, input->size - input->offset);
    std::memcpy(buffer, input->data + input->offset, count);
    input->offset += count;
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using stovan::archive::LhaMethod;
    if (size < 3) {
        return 0;
    }
    static const char* const kNames[] = {"-lh0-", "-lh1-", "-lh4-", "-lh5-", "-lh6-", "-lh7-"};
    static const LhaMethod kMethods[] = {LhaMethod::Stored, LhaMethod::Lh1, LhaMethod::Lh4,
                                         LhaMethod::Lh5,    LhaMethod::Lh6, LhaMethod::Lh7};
    const unsigned pick = data[0] % 6;
    const std::size_t original = ((std::size_t{data[1]} << 8) | data[2]) * 16;
    const std::uint8_t* packed = data + 3;
    const std::size_t packedSize = size - 3;

    auto ours = stovan::archive::DecodeLha(kMethods[pick], packed, packedSize, original);
    if (!ours) {
        return 0;
    }
    if (ours->size() != original) {
        __builtin_trap();  // success must mean the whole entry
    }
    Input input{packed, packedSize, 0};
    LHADecoderType* type = lha_decoder_for_name(const_cast<char*>(kNames[pick]));
    LHADecoder* decoder = lha_decoder_new(type, Feed, &input, original);
    if (decoder == nullptr) {
        return 0;
    }
    std::vector<std::uint8_t> theirs(original);
    std::size_t done = 0;
    while (done < original) {
        const std::size_t got = lha_decoder_read(decoder, theirs.data() + done, original - done);
        if (got == 0) {
            break;
        }
        done += got;
    }
    lha_decoder_free(decoder);
    if (done != original || theirs != *ours) {
        __builtin_trap();  // both decoders read the data differently
    }
    return 0;
}
