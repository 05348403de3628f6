// ReadArgs reads every command line of every database file and script:
// lines per second for typical database lines.
#include "platform/ReadArgs.h"

#include <benchmark/benchmark.h>

namespace {

void ReadLine(benchmark::State& state, const char* templateText, const char* line) {
    auto parsed = amiga::ParseTemplate(templateText);
    if (!parsed) {
        state.SkipWithError("bad template");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(amiga::ReadArgs(*parsed, line));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ItemLine(benchmark::State& state) {
    ReadLine(state,
             "ITEM/A/K,DUPENAME/K,DISPLAYNAME/K,MODE/K,VERSION/K,DATE/K,SVERSION/K,SDATE/K,"
             "STATE/K,UNINSTALLWARN/S,RELAUNCH/S,NOCACHE/S,RESCAN/S,FORCEDOWNLOAD/S",
             "ITEM \"Some Program\" DISPLAYNAME \"Some Program\" VERSION 1.2.3 NOCACHE\n");
}
void BM_UrlServer(benchmark::State& state) {
    ReadLine(state, "URLSERVER/K/A/M",
             "URLSERVER http://example.org/a.lha http://mirror.example.org/a.lha\n");
}
void BM_Copy(benchmark::State& state) {
    ReadLine(state, "FROM/A/M,TO/A,ALL/S,QUIET/S,BUF=BUFFER/K/N",
             "a b \"c d\" TO RAM: ALL BUF=20\n");
}

}  // namespace

BENCHMARK(BM_ItemLine);
BENCHMARK(BM_UrlServer);
BENCHMARK(BM_Copy);
