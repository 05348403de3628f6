// The log takes a line for every item of a version check and every step of
// a processing run; companion commands add theirs too.
#include "core/Log.h"

#include <benchmark/benchmark.h>

static void BM_AddLogEntryFormatted(benchmark::State& state) {
    stovan::Log log;
    for (auto _ : state) {
        log.AddLogEntry(stovan::msg::VersionTwoPartIs, 2, 18, "SomeApplication", "available");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddLogEntryFormatted);

static void BM_AddLogEntryPlain(benchmark::State& state) {
    stovan::Log log;
    for (auto _ : state) {
        log.AddLogEntry(stovan::msg::VersionCheckDone);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddLogEntryPlain);
