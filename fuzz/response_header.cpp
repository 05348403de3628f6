// A response header comes from any server: every line must parse to fields
// or nothing, and every name the server may choose must come out a plain
// file name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "net/ResponseHeader.h"
#include "net/Url.h"
#include "platform/DateStamp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    stovan::ResponseHeader header;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        header.AddLine(bytes.substr(0, end));
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    }
    (void)header.FileDate(amiga::DateStamp{17000, 600, 0});
    for (const std::string_view name :
         {std::string_view(header.attachmentName), stovan::UrlFilePart(header.location)}) {
        const std::string safe = stovan::SafeFileName(name);
        if (safe.empty() || safe.size() > stovan::kMaxServerFileName ||
            safe.find_first_of("/:\\\"`*") != std::string::npos || safe.front() == '.') {
            std::abort();
        }
    }
    const stovan::UrlParts parts = stovan::SplitUrl(header.location);
    (void)stovan::TransferUrl(parts);
    return 0;
}
