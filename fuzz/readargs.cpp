// Fuzz target for ParseTemplate/ReadArgs: the input is a template and a line
// separated by the first NUL byte (without one, a fixed template with every
// modifier is used). Results are read back through every accessor.
#include "platform/ReadArgs.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view templateText = split == std::string_view::npos
                                              ? "FROM/A/M,TO/A,BUF=BUFFER/K/N,QUIET/S,T/T,REST/F"
                                              : input.substr(0, split);
    const std::string_view line = split == std::string_view::npos ? input : input.substr(split + 1);
    auto parsed = amiga::ParseTemplate(templateText);
    if (!parsed) {
        return 0;
    }
    (void)amiga::HelpRequest(line);
    auto arguments = amiga::ReadArgs(*parsed, line);
    if (!arguments) {
        if (amiga::ReadArgsFaultText(arguments.error()).empty()) {
            __builtin_trap();  // every failure has its fault text
        }
        return 0;
    }
    std::size_t total = 0;
    for (std::size_t i = 0; i < parsed->Size(); ++i) {
        total += arguments->Text(i).size() + arguments->Multi(i).size() +
                 arguments->Numbers(i).size() + static_cast<std::size_t>(arguments->Number(i));
        total += arguments->Switch(i) ? 1 : 0;
    }
    return total == static_cast<std::size_t>(-1) ? 1 : 0;
}
