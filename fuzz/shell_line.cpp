// A script line goes through reading, variables, back-ticks, redirection and
// argument parsing before anything runs; scripts come from downloaded
// database entries, so every phase must take any bytes without reading past
// them or growing without bound. The input is split at the first NUL: the
// script text, then the value every variable has.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "shell/Args.h"
#include "shell/Backticks.h"
#include "shell/DotCommands.h"
#include "shell/LineReader.h"
#include "shell/Redirection.h"
#include "shell/Variables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t nul = input.find('\0');
    std::string_view script = input.substr(0, nul);
    std::string value(nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1));
    constexpr std::size_t kLimit = 4096;

    auto prepared = amiga::PrepareExecuteScript(script, value, "1");
    amiga::ScriptText text(prepared ? std::string_view(prepared->text) : script);
    int lines = 0;
    while (auto line = text.ReadLine()) {
        if (++lines > 64) {
            break;
        }
        std::string stripped = amiga::StripComment(*line);
        auto substituted = amiga::SubstituteVariables(
            stripped, [&value](std::string_view) { return std::optional<std::string>(value); },
            kLimit);
        if (!substituted) {
            continue;
        }
        if (substituted->size() > kLimit) {
            __builtin_trap();  // the limit was not kept
        }
        auto expanded = amiga::SubstituteBackticks(
            *substituted, [](std::string_view command) { return std::string(command); }, kLimit);
        if (!expanded) {
            continue;
        }
        auto redirected = amiga::ExtractRedirections(*expanded);
        if (!redirected) {
            continue;
        }
        if (auto command = amiga::SplitCommand(redirected->line)) {
            (void)amiga::ParseArgs("FROM/M,TO/A,ALL/S,QUIET/S,BUF=BUFFER/K/N", command->arguments);
            (void)amiga::SplitItems(command->arguments);
        }
    }
    return 0;
}
