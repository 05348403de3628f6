// FindItem runs for every dependency, every followed install drawer and every
// configuration entry of a database load.
#include <benchmark/benchmark.h>

#include <string>

#include "database/ItemList.h"
#include "platform/Latin1.h"

static void BM_FindItem(benchmark::State& state) {
    stovan::ItemList list;
    const int count = static_cast<int>(state.range(0));
    for (int i = 0; i < count; ++i) {
        auto item = list.AppendNewItem();
        (void)(*item)->SetTextField(stovan::ItemField::name, "Application" + std::to_string(i));
    }
    const std::string key = amiga::ToUpper("Application" + std::to_string(count / 2));
    for (auto _ : state) {
        benchmark::DoNotOptimize(list.FindItem(key, false));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindItem)->Arg(100)->Arg(10000);
