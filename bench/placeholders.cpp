// Placeholder expansion of large texts: the speed in MB/s of input for a
// text of 1 MB and of 2 MB made of the same mix (plain text, item words,
// drawers, unknown names, lone braces, a template), which shows that the
// time grows with the text and not faster. A second pair expands a text
// that names a template in every line, where each value must be computed
// once per call, not once per occurrence.

#include "scripts/Placeholders.h"

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/Log.h"
#include "database/Engine.h"
#include "platform/SystemRoot.h"
#include "prefs/Preferences.h"

namespace {

struct World {
    World() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "stovan-bench-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        auto created = amiga::CreateDefaultRoot(folder + "/root");
        dos = std::move(*created);
        stovan::setDefaultPreferences(preferences, amiga::SystemKind::AmigaOS4);
        preferences.tempDir = "RAM:T";
        engine = std::make_unique<stovan::Engine>(dos, preferences, log);
        auto added = engine->items().AppendNewItem();
        item = *added;
        (void)item->SetTextField(stovan::ItemField::name, "BenchApp");
        (void)item->SetTextField(stovan::ItemField::installDir, "Work:Tools");
        (void)item->SetTextField(stovan::ItemField::urlArchive,
                                 "http://files.example/{NAME}_{VERSION}.{0REVISION}.lha");
        item->serverVersion = {2, 5, 1};
    }
    ~World() { std::filesystem::remove_all(folder); }
    std::string folder;
    amiga::DosList dos;
    stovan::Preferences preferences;
    stovan::Log log;
    std::unique_ptr<stovan::Engine> engine;
    stovan::ApplicationItem* item = nullptr;
};

World& TheWorld() {
    static World world;
    return world;
}

// Repeats a chunk to at least size bytes.
std::string Repeat(const std::string& chunk, std::size_t size) {
    std::string text;
    text.reserve(size + chunk.size());
    while (text.size() < size) {
        text += chunk;
    }
    return text;
}

const std::string kMixedLine =
    "Copy \"{TEMPDIR}{NAME}/#?\" \"{INSTALLDIR}{NAME}\" ALL ; {VERSION}.{0REVISION} {FOO} { "
    "{archive} {SystemOS} {DOWNLOADDIR}{ARCHIVE}{EXTENSION} plain words of a script line\n";
const std::string kTemplateLine = "{STANDARDBACKUP}{COPYALL}\n";

void Expand(benchmark::State& state, const std::string& chunk, int unitShift) {
    World& world = TheWorld();
    const std::string text = Repeat(chunk, static_cast<std::size_t>(state.range(0)) << unitShift);
    std::size_t produced = 0;
    for (auto _ : state) {
        auto result = stovan::ExpandText(*world.engine, world.item, text);
        produced = result ? result->size() : 0;
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["output_MB"] = static_cast<double>(produced) / (1 << 20);
}

void BM_ExpandMixed(benchmark::State& state) {
    Expand(state, kMixedLine, 20);  // MB
}
BENCHMARK(BM_ExpandMixed)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_ExpandTemplates(benchmark::State& state) {
    Expand(state, kTemplateLine, 10);  // KB
}
// Each line of 26 bytes becomes about 5.5 KB: 1 MB of it would pass the
// expansion limit, so the input here is 64 KB and 128 KB.
BENCHMARK(BM_ExpandTemplates)->Arg(64)->Arg(128)->Unit(benchmark::kMillisecond);

}  // namespace
