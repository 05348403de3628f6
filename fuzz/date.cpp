// Dates and version numbers come from web pages, HTTP headers and files.
// Input: the format, a NUL byte, the text.
#include "version/Date.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "version/Version.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view format = input.substr(0, split);
    const std::string_view text = split == std::string_view::npos ? "" : input.substr(split + 1);
    amiga::DateStamp date;
    if (stovan::ParseDate(text, format, &date)) {
        // Every accepted date lies between 1978 and 9999 and in one day.
        if (date.days < 0 || date.days > 3'000'000 || date.minute < 0 || date.minute >= 1440 ||
            date.tick < 0 || date.tick >= 3000) {
            __builtin_trap();
        }
    }
    (void)stovan::ParseVersionTriple(text);
    return 0;
}
