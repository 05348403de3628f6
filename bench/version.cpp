// Dates and version numbers are read for every database entry, every web page
// match and every HTTP header of a version check.
#include "version/Version.h"

#include <benchmark/benchmark.h>

#include "version/Date.h"

static void BM_ParseDateHttp(benchmark::State& state) {
    amiga::DateStamp date;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            stovan::ParseDate("15 Nov 1994 08:12:31", stovan::kDateFormatHttp, &date));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseDateHttp);

static void BM_ParseDateDatabase(benchmark::State& state) {
    amiga::DateStamp date;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            stovan::ParseDate("08.10.2015", stovan::kDateFormatDatabase, &date));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseDateDatabase);

static void BM_ParseDateFullNames(benchmark::State& state) {
    amiga::DateStamp date;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            stovan::ParseDate("Sunday, 31 December 2023 11:59pm", "%A, %d %B %Y %I:%M%p", &date));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseDateFullNames);

static void BM_ParseVersionTriple(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(stovan::ParseVersionTriple("44.12.3 (12.10.2015)"));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseVersionTriple);
