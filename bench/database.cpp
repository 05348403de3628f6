// Loading a database: ParseDatabaseText over a generated file of n entries
// (validation, duplicate look-ups and block copies included). The time per
// entry must not grow with n: 20,000 entries take twice as long as 10,000.
#include <benchmark/benchmark.h>

#include <string>

#include "core/Log.h"
#include "database/Engine.h"
#include "database/Parser.h"
#include "prefs/Preferences.h"

namespace {

std::string GeneratedDatabase(int count) {
    std::string text = "; generated database\n\n";
    for (int i = 0; i < count; ++i) {
        const std::string name = "Application" + std::to_string(i);
        text +=
            "#ITEM \"" + name + "\" DISPLAYNAME \"Application number " + std::to_string(i) + "\"";
        if (i % 10 == 9) {
            text += " DUPENAME \"" + name + "_beta\"";
        }
        text +=
            "\n#DATE 12.01.2024\n#APPTYPE TOOL\n#ARCHIVESIZE 123456\n"
            "#STOVANAUTHOR \"Bench\"\n"
            "#URLARCHIVE \"http://example.org/files/" +
            name +
            ".lha\"\n"
            "#INSTALLCHECK \"{INSTALLDIR}{NAME}/" +
            name + "\"\n";
        if (i % 7 == 6) {
            text += "#INSTALLDIR DEPENDENCY \"Application" + std::to_string(i - 1) + "\"\n";
        }
        text +=
            "#DESCRIPTION \"A generated application for the benchmark\"\n"
            "#DESCRIPTION deutsch\nEine erzeugte Anwendung\n#DESCRIPTION END\n"
            "#INSTALL\n{STANDARDEXTRACT}\n{STANDARDCOPY}\n#INSTALL END\n"
            "#UNINSTALL\nDelete \"{INSTALLDIR}{NAME}\" ALL QUIET\n#UNINSTALL END\n"
            "#ITEM END\n\n";
    }
    return text;
}

void BM_LoadDatabase(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string text = GeneratedDatabase(count);
    amiga::DosList dos;
    stovan::Preferences preferences;
    stovan::Log log;
    stovan::Engine engine(dos, preferences, log);
    for (auto _ : state) {
        const stovan::ParseTotals totals = stovan::ParseDatabaseText(engine, "Bench.db", text);
        if (totals.errors != 0 || engine.items().size() != static_cast<std::size_t>(count)) {
            state.SkipWithError("the generated database did not load cleanly");
            break;
        }
        state.PauseTiming();
        engine.items().ClearItems();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["entries"] = count;
}
BENCHMARK(BM_LoadDatabase)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
