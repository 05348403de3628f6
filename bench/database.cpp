// Loading a database: ParseDatabaseText over a generated file of n entries
// (validation, duplicate look-ups and block copies included). The time per
// entry must not grow with n: 20,000 entries take twice as long as 10,000.
// And the install drawers of a load on a real root: 100,000 entries that
// name their drawer, each drawer looked up for every entry (no drawer cache,
// as every load did before) against once per load (LoadAllDatabases).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/Log.h"
#include "database/DrawerCache.h"
#include "database/Engine.h"
#include "database/Loader.h"
#include "database/Parser.h"
#include "platform/SystemRoot.h"
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

// A root whose user database holds count entries, each naming one of ten
// install drawers.
struct InstallDirRoot {
    std::string folder;
    amiga::DosList dos;
    std::string text;

    explicit InstallDirRoot(int count) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "stovan-bench-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        dos = amiga::CreateDefaultRoot(folder + "/root").value();
        for (int i = 0; i < count; ++i) {
            const std::string name = "Application" + std::to_string(i);
            text += "#ITEM \"" + name +
                    "\"\n#DATE 12.01.2024\n#APPTYPE TOOL\n#STOVANAUTHOR \"Bench\"\n"
                    "#URLARCHIVE \"http://example.org/files/" +
                    name + ".lha\"\n#INSTALLDIR \"Work:Apps" + std::to_string(i % 10) +
                    "/Sub\"\n#ITEM END\n";
        }
        for (int d = 0; d < 10; ++d) {
            std::filesystem::create_directories(folder + "/root/Work/Apps" + std::to_string(d) +
                                                "/Sub");
        }
        std::filesystem::create_directories(folder + "/root/Work/Stovan/Database/User");
        std::ofstream(folder + "/root/Work/Stovan/Database/User/Bench.db") << text;
    }
    ~InstallDirRoot() {
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }
};

template <typename Load>
void InstallDirLoop(benchmark::State& state, Load load) {
    const int count = static_cast<int>(state.range(0));
    InstallDirRoot root(count);
    stovan::Preferences preferences;
    stovan::Log log;
    stovan::Engine engine(root.dos, preferences, log);
    for (auto _ : state) {
        load(engine, root.text);
        if (engine.items().size() < static_cast<std::size_t>(count)) {
            state.SkipWithError("the generated database did not load cleanly");
            break;
        }
        state.PauseTiming();
        engine.items().ClearItems();
        log.ClearLog();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_InstallDirsEachLookedUp(benchmark::State& state) {
    InstallDirLoop(state, [](stovan::Engine& engine, const std::string& text) {
        (void)stovan::ParseDatabaseText(engine, "Bench.db", text);
    });
}

void BM_InstallDirsOncePerLoad(benchmark::State& state) {
    InstallDirLoop(state, [](stovan::Engine& engine, const std::string& text) {
        const stovan::DrawerCacheScope drawers(engine.drawers);
        (void)stovan::ParseDatabaseText(engine, "Bench.db", text);
    });
}

void BM_LoadAllDatabasesWithInstallDirs(benchmark::State& state) {
    InstallDirLoop(state, [](stovan::Engine& engine, const std::string&) {
        (void)stovan::LoadAllDatabases(engine);
    });
}

BENCHMARK(BM_InstallDirsEachLookedUp)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InstallDirsOncePerLoad)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadAllDatabasesWithInstallDirs)
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
