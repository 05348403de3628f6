// The application list with 10,000 items: a rebuild (filter, counters and
// the sort by type), a sort by name from a title click, and a search.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "core/Log.h"
#include "database/Engine.h"
#include "platform/SystemRoot.h"
#include "prefs/Preferences.h"
#include "ui/ApplicationListModel.h"

namespace {

using namespace stovan;

// A throw-away root with 10,000 items, removed at the end.
struct ListFixture {
    ListFixture() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "stovan-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        folder = pattern;
        auto created = amiga::CreateDefaultRoot(folder + "/root", {});
        if (!created) {
            std::abort();
        }
        dos = std::make_unique<amiga::DosList>(std::move(*created));
        engine = std::make_unique<Engine>(*dos, preferences, log);
        for (std::size_t i = 0; i < 10000; ++i) {
            auto added = engine->items().AppendNewItem();
            if (!added) {
                std::abort();
            }
            ApplicationItem& item = **added;
            char name[32];
            std::snprintf(name, sizeof name, "Application %05zu", (i * 7919) % 10000);
            (void)item.SetTextField(ItemField::name, name);
            (void)item.SetListField(ItemField::description,
                                    {std::string_view("A useful tool for everyday work")});
            item.type = static_cast<AppType>(i % kAppTypeCount);
            item.state = static_cast<ItemState>(i % kItemStateCount);
            item.mode = static_cast<ItemMode>(i % 4);
            item.archiveSize = static_cast<std::uint32_t>(i * 131);
        }
    }
    ~ListFixture() {
        engine.reset();
        dos.reset();
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }
    std::string folder;
    std::unique_ptr<amiga::DosList> dos;
    Preferences preferences;
    Log log;
    std::unique_ptr<Engine> engine;
};

ListFixture& Fixture() {
    static ListFixture fixture;
    return fixture;
}

void BM_ListRebuild10000(benchmark::State& state) {
    ui::ApplicationListModel model(*Fixture().engine, {"english"});
    for (auto _ : state) {
        model.Rebuild();
        benchmark::DoNotOptimize(model.rowCount());
    }
}
BENCHMARK(BM_ListRebuild10000)->Unit(benchmark::kMillisecond);

void BM_ListSortByName10000(benchmark::State& state) {
    ui::ApplicationListModel model(*Fixture().engine, {"english"});
    model.Rebuild();
    for (auto _ : state) {
        model.TitleClicked(ui::ColumnName);
        benchmark::DoNotOptimize(model.itemAt(0));
    }
}
BENCHMARK(BM_ListSortByName10000)->Unit(benchmark::kMillisecond);

void BM_ListSearch10000(benchmark::State& state) {
    ui::ApplicationListModel model(*Fixture().engine, {"english"});
    for (auto _ : state) {
        model.SetSearchText("application 09");
        benchmark::DoNotOptimize(model.rowCount());
    }
}
BENCHMARK(BM_ListSearch10000)->Unit(benchmark::kMillisecond);

}  // namespace
