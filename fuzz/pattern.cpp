// Fuzz target for ParsePattern/MatchPattern: the input is a pattern and a
// name separated by the first NUL byte (without one, the pattern is matched
// against itself). Both case modes are tried. A hang or a crash is a fault;
// libFuzzer's -timeout catches a matcher that does not terminate.
#include "platform/Pattern.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Latin1.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view source = input.substr(0, split);
    const std::string_view name =
        split == std::string_view::npos ? source : input.substr(split + 1);
    for (const bool noCase : {false, true}) {
        auto pattern = noCase ? amiga::ParsePatternNoCase(source) : amiga::ParsePattern(source);
        if (!pattern) {
            continue;
        }
        const bool matched = amiga::MatchPattern(*pattern, name);
        // A pattern without wildcards matches exactly its plain name.
        if (!pattern->HasWildcards()) {
            const std::string folded = noCase ? amiga::ToUpper(name) : std::string(name);
            if (matched != (folded == pattern->PlainName())) {
                __builtin_trap();
            }
        }
        // Without regard to case, the case of the name cannot matter.
        if (noCase && matched != amiga::MatchPatternNoCase(*pattern, amiga::ToLower(name))) {
            __builtin_trap();
        }
    }
    return 0;
}
