// URLPATTERN comes from database files and the page from any web server:
// the first line is the pattern, the rest the page. Any bytes must give a
// result, in time polynomial in their length.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "version/VersionPattern.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t line = bytes.find('\n');
    if (line == std::string_view::npos) {
        (void)stovan::ParseVersionPattern(bytes);
        return 0;
    }
    const std::string_view pattern = bytes.substr(0, line);
    const std::string_view page = bytes.substr(line + 1);
    (void)stovan::FindBestVersionInPage(pattern, page);
    if (auto parsed = stovan::ParseVersionPattern(pattern)) {
        (void)stovan::MatchVersionPattern(*parsed, page, page.size() / 2);
    }
    return 0;
}
