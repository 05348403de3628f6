// The System version check over 1,000 installed items, each with a real
// versioned file: every item runs the Version command in a worker
// (stovan-shell) through the event loop, which is the expected cost.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "core/Frontend.h"
#include "core/Log.h"
#include "database/Engine.h"
#include "desktop/ServeEvents.h"
#include "engine/VersionCheck.h"
#include "platform/DosFiles.h"
#include "platform/SystemRoot.h"
#include "prefs/Preferences.h"
#include "tests/support/BuildPaths.h"

namespace {

class QuietFrontend final : public stovan::Frontend {
  public:
    int Request(std::string_view, std::string_view, std::string_view) override { return 0; }
};

void BM_SystemCheck(benchmark::State& state) {
    const std::string folder =
        (std::filesystem::temp_directory_path() / "stovan-bench-check").string();
    std::filesystem::remove_all(folder);
    auto dos = amiga::CreateDefaultRoot(folder + "/root");
    if (!dos) {
        state.SkipWithError(dos.error().c_str());
        return;
    }
    stovan::Preferences preferences;
    stovan::setDefaultPreferences(preferences, amiga::SystemKind::AmigaOS4);
    stovan::Log log;
    stovan::Engine engine(*dos, preferences, log);
    const int count = static_cast<int>(state.range(0));
    (void)amiga::CreateDrawerPath(*dos, "Work:Apps");
    for (int i = 0; i < count; ++i) {
        const std::string name = "App" + std::to_string(i);
        const std::string file = "Work:Apps/" + name;
        (void)amiga::WriteFile(*dos, file,
                               std::string(4096, 'x') + "$VER: " + name + " 1." +
                                   std::to_string(i) + " (01.02.2015)" + std::string(60000, 'y'));
        auto item = engine.items().AppendNewItem();
        (void)(*item)->SetTextField(stovan::ItemField::name, name);
        (void)(*item)->SetTextField(stovan::ItemField::installCheck, file);
        (*item)->mode = stovan::ItemMode::NOTIFY;
    }
    QuietFrontend frontend;
    const std::string shell = std::string(STOVAN_BINARY_DIR) + "/stovan-shell";
    stovan::EventServer server(*dos, frontend, log,
                               std::getenv("STOVAN_SHELL") ? std::getenv("STOVAN_SHELL") : shell);
    for (auto _ : state) {
        stovan::VersionCheckContext context{engine, server, frontend, {}, nullptr};
        (void)stovan::VersionCheckRun(context, stovan::CheckMode::System, stovan::CheckScope::All);
    }
    if (engine.items().front()->installedVersion.revision != 0 ||
        engine.items().back()->installedVersion.revision != static_cast<unsigned>(count - 1)) {
        state.SkipWithError("versions not found");
    }
    state.SetItemsProcessed(state.iterations() * count);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SystemCheck)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
