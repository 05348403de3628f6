// Case-insensitive comparison is on every lookup path (items, paths, keywords).
#include "platform/Latin1.h"

#include <benchmark/benchmark.h>

static void BM_EqualsNoCase(benchmark::State& state) {
    const std::string a = "SYS:Applications/SomeProgram/SomeProgram.info";
    const std::string b = "sys:applications/someprogram/SOMEPROGRAM.INFO";
    for (auto _ : state) {
        benchmark::DoNotOptimize(amiga::EqualsNoCase(a, b));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EqualsNoCase);
