// Port frames from any local process: decoding must stay within the frame,
// and a message that decodes must encode back to the same bytes.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/PortMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (auto message = amiga::DecodePortMessage(bytes)) {
        auto encoded = amiga::EncodePortMessage(*message);
        if (!encoded || *encoded != bytes) {
            std::abort();
        }
    }
    if (auto reply = amiga::DecodePortReply(bytes)) {
        if (amiga::EncodePortReply(*reply) != bytes) {
            std::abort();
        }
    }
    return 0;
}
