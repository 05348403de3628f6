// The version check over 1,000 installed items, each with a real versioned
// file.
//
// BM_SystemCheck: the installed side alone; its second argument 0 runs the
// Version command in a worker (stovan-shell) for every file, 1 lets the
// check answer it itself for the files it can read (what Stovan does).
//
// BM_FullCheck: both sides against a site on 127.0.0.1 (a third of the
// items with a read-me, a third with a page and pattern, a third with only
// an archive date), with 1 fetch at a time (the sequential run) or 4, and a
// site that answers at once or after a few milliseconds, as a server on the
// local network does. The goal: 1,000 items in under 5 s one at a time,
// and at least 3 times faster with 4.

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "core/Frontend.h"
#include "core/Log.h"
#include "database/Engine.h"
#include "desktop/ServeEvents.h"
#include "engine/ServerVersion.h"
#include "engine/VersionCheck.h"
#include "platform/DosFiles.h"
#include "platform/SystemRoot.h"
#include "prefs/Preferences.h"
#include "tests/support/BuildPaths.h"
#include "tests/support/HttpTestServer.h"

namespace {

class QuietFrontend final : public stovan::Frontend {
  public:
    int Request(std::string_view, std::string_view, std::string_view) override { return 0; }
};

// Item "App<i>" installed in "Work:Apps/App<i>", a file of 64 KiB whose
// version string says 1.<i>; mode NOTIFY.
stovan::ApplicationItem* AddInstalledItem(stovan::Engine& engine, int i) {
    const std::string name = "App" + std::to_string(i);
    const std::string file = "Work:Apps/" + name;
    (void)amiga::CreateDrawerPath(engine.dos(), "Work:Apps");
    (void)amiga::WriteFile(engine.dos(), file,
                           std::string(4096, 'x') + "$VER: " + name + " 1." + std::to_string(i) +
                               " (01.02.2015)" + std::string(60000, 'y'));
    auto item = engine.items().AppendNewItem();
    (void)(*item)->SetTextField(stovan::ItemField::name, name);
    (void)(*item)->SetTextField(stovan::ItemField::installCheck, file);
    (*item)->mode = stovan::ItemMode::NOTIFY;
    return *item;
}

// A root with `count` installed items and an event server for the checks,
// removed at the end. `prepare` sets the preferences before the engine
// starts; `serverSide` gives item i what the server step reads.
class CheckRoot {
  public:
    CheckRoot(const std::string& name, int count,
              const std::function<void(stovan::Preferences&)>& prepare,
              const std::function<void(stovan::ApplicationItem&, int)>& serverSide)
        : folder_((std::filesystem::temp_directory_path() / name).string()) {
        std::filesystem::remove_all(folder_);
        auto dos = amiga::CreateDefaultRoot(folder_ + "/root");
        if (!dos) {
            problem_ = dos.error();
            return;
        }
        dos_ = std::make_unique<amiga::DosList>(std::move(*dos));
        stovan::setDefaultPreferences(preferences_, amiga::SystemKind::AmigaOS4);
        if (prepare) {
            prepare(preferences_);
        }
        engine_ = std::make_unique<stovan::Engine>(*dos_, preferences_, log_);
        for (int i = 0; i < count; ++i) {
            stovan::ApplicationItem* item = AddInstalledItem(*engine_, i);
            if (serverSide) {
                serverSide(*item, i);
            }
        }
        const char* shell = std::getenv("STOVAN_SHELL");
        server_ = std::make_unique<stovan::EventServer>(
            *dos_, frontend_, log_,
            shell != nullptr ? shell : std::string(STOVAN_BINARY_DIR) + "/stovan-shell");
    }
    ~CheckRoot() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    // Why the root could not be made ("" when it was).
    const std::string& problem() const { return problem_; }
    stovan::Engine& engine() { return *engine_; }
    stovan::VersionCheckContext Context() {
        return stovan::VersionCheckContext{*engine_, *server_, frontend_, {}, nullptr};
    }

  private:
    std::string folder_;
    std::string problem_;
    std::unique_ptr<amiga::DosList> dos_;
    stovan::Preferences preferences_;
    stovan::Log log_;
    std::unique_ptr<stovan::Engine> engine_;
    QuietFrontend frontend_;
    std::unique_ptr<stovan::EventServer> server_;
};

void BM_SystemCheck(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    CheckRoot root("stovan-bench-check", count, {}, {});
    if (!root.problem().empty()) {
        state.SkipWithError(root.problem().c_str());
        return;
    }
    stovan::Engine& engine = root.engine();
    engine.versionInProcess = state.range(1) != 0;
    for (auto _ : state) {
        stovan::VersionCheckContext context = root.Context();
        (void)stovan::VersionCheckRun(context, stovan::CheckMode::System, stovan::CheckScope::All);
    }
    if (engine.items().front()->installedVersion.revision != 0 ||
        engine.items().back()->installedVersion.revision != static_cast<unsigned>(count - 1)) {
        state.SkipWithError("versions not found");
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_SystemCheck)
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The site: /readmeN, /pageN and /ArchiveN.lha for every N, after the delay.
stovan::test::HttpTestServer& Site(const std::atomic<int>& delayMilliseconds) {
    static stovan::test::HttpTestServer site(
        [&delayMilliseconds](stovan::test::HttpConnection& connection) {
            if (const int delay = delayMilliseconds.load(); delay > 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            }
            const std::string path = connection.path();
            if (path.rfind("/readme", 0) == 0) {
                connection.Send(stovan::test::HttpResponse("200 OK", "Read me\nVersion: 2.1\n"));
            } else if (path.rfind("/page", 0) == 0) {
                connection.Send(stovan::test::HttpResponse(
                    "200 OK", std::string(2000, 'p') + "<a>App_2.3.lha</a><a>App_2.10.lha</a>"));
            } else {
                connection.Send(stovan::test::HttpResponse(
                    "200 OK", "", "Last-Modified: Thu, 05 Nov 2015 10:00:00 GMT\r\n"));
            }
        });
    return site;
}

void BM_FullCheck(benchmark::State& state) {
    static std::atomic<int> delay{0};
    delay = static_cast<int>(state.range(2));
    stovan::test::DisableProxies();
    auto& site = Site(delay);
    const int count = static_cast<int>(state.range(0));
    const auto prepare = [](stovan::Preferences& preferences) {
        preferences.tempDir = "RAM:T";
        preferences.connectRetries = 1;
    };
    const auto serverSide = [&site](stovan::ApplicationItem& item, int i) {
        switch (i % 3) {
            case 0:
                (void)item.SetTextField(stovan::ItemField::urlReadme,
                                        site.Url("/readme" + std::to_string(i)));
                break;
            case 1:
                (void)item.SetTextField(stovan::ItemField::urlWebPage,
                                        site.Url("/page" + std::to_string(i)));
                (void)item.SetTextField(stovan::ItemField::urlPattern,
                                        "App_{VERSION}.{REVISION}.lha");
                break;
            default:
                (void)item.SetTextField(stovan::ItemField::urlArchive,
                                        site.Url("/Archive" + std::to_string(i) + ".lha"));
                break;
        }
    };
    CheckRoot root("stovan-bench-full-check", count, prepare, serverSide);
    if (!root.problem().empty()) {
        state.SkipWithError(root.problem().c_str());
        return;
    }
    stovan::Engine& engine = root.engine();
    for (auto _ : state) {
        stovan::VersionCheckContext context = root.Context();
        stovan::UseServerSteps(context, static_cast<std::uint32_t>(state.range(1)),
                               [] { return false; });
        (void)stovan::VersionCheckRun(context, stovan::CheckMode::Full, stovan::CheckScope::All);
    }
    int outdated = 0;
    for (const stovan::ApplicationItem& item : engine.items()) {
        outdated += item.state == stovan::ItemState::OUTDATED ? 1 : 0;
    }
    // The read-me's 2.1 and the page's 2.10 beat the installed 1.x; the
    // archive's 2015 date is older than the installed file, so that third
    // stays installed.
    if (outdated != count - count / 3) {
        state.SkipWithError(("outdated: " + std::to_string(outdated)).c_str());
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_FullCheck)
    ->ArgNames({"items", "jobs", "delay_ms"})
    ->Args({1000, 1, 0})
    ->Args({1000, 4, 0})
    ->Args({1000, 1, 3})
    ->Args({1000, 4, 3})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
