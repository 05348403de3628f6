// Pattern matching runs for every file of every database drawer and for
// every name a shell wildcard meets: names matched per second for typical
// patterns, over a mix of matching and non-matching names.
#include "platform/Pattern.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

const std::vector<std::string>& Names() {
    static const std::vector<std::string> names = {
        "ReadMe",
        "ReadMe.info",
        "Games_AmigaOS4.db",
        "Games_MorphOS.db",
        "StovanGames.db",
        "Stovan.db",
        "a1",
        "bxyz9",
        "c1",
        "Install-Program.lha",
        "Tool.INFO",
        "Games.db.bak",
        "Docs",
        "Docs.info",
        "Stovan_AmigaOS4.db",
        "libs",
    };
    return names;
}

void MatchNames(benchmark::State& state, const char* source) {
    auto pattern = amiga::ParsePatternNoCase(source);
    if (!pattern) {
        state.SkipWithError("bad pattern");
        return;
    }
    const auto& names = Names();
    for (auto _ : state) {
        for (const std::string& name : names) {
            benchmark::DoNotOptimize(amiga::MatchPatternNoCase(*pattern, name));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(names.size()));
}

void BM_Info(benchmark::State& state) {
    MatchNames(state, "#?.info");
}
void BM_Alternatives(benchmark::State& state) {
    MatchNames(state, "(a|b)#?[0-9]");
}
void BM_Plain(benchmark::State& state) {
    MatchNames(state, "ReadMe.info");
}
void BM_NotInfo(benchmark::State& state) {
    MatchNames(state, "~(#?.info)");
}
void BM_DatabaseOwn(benchmark::State& state) {
    MatchNames(state,
               "Stovan~(#?MorphOS#?|#?AmigaOS3#?|#?Aros68k#?|#?ArosX86#?|#?ArosPPC#?|"
               "#?MorphOSNG#?)(_AmigaOS4|%).db");
}
void BM_DatabaseOtherInternal(benchmark::State& state) {
    MatchNames(state,
               "~(Stovan#?|#?MorphOS#?|#?AmigaOS3#?|#?Aros68k#?|#?ArosX86#?|#?ArosPPC#?|"
               "#?MorphOSNG#?)(_AmigaOS4|%).db");
}
void BM_DatabaseUser(benchmark::State& state) {
    MatchNames(state,
               "~(#?MorphOS#?|#?AmigaOS3#?|#?Aros68k#?|#?ArosX86#?|#?ArosPPC#?|#?MorphOSNG#?)"
               "(_AmigaOS4|%).db");
}

void BM_Parse(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(amiga::ParsePatternNoCase("(a|b)#?[0-9]"));
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_Info);
BENCHMARK(BM_Alternatives);
BENCHMARK(BM_Plain);
BENCHMARK(BM_NotInfo);
BENCHMARK(BM_DatabaseOwn);
BENCHMARK(BM_DatabaseOtherInternal);
BENCHMARK(BM_DatabaseUser);
BENCHMARK(BM_Parse);
