// The window with 10,000 applications, drawn offscreen: start-up to a
// usable window (the session opened, a database file of 10,000 entries
// loaded, the main window built, shown and drawn once), and on the shown
// window a full-list sort from a title click and a state filter.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "database/Loader.h"
#include "engine/ProgramFolders.h"
#include "engine/Session.h"
#include "platform/DosFiles.h"
#include "platform/SystemRoot.h"
#include "ui/EngineRuns.h"
#include "ui/ListColumns.h"
#include "ui/MainWindow.h"
#include "ui/QtFrontend.h"

namespace {

using namespace stovan;

constexpr std::size_t kItems = 10000;

QApplication& Application() {
    static int argc = 1;
    static char name[] = "bench_ui_window";
    static char* argv[] = {name, nullptr};
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication application(argc, argv);
    return application;
}

// A root whose only database holds kItems entries, removed at the end.
struct WindowRoot {
    WindowRoot() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "stovan-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        folder = pattern;
        root = folder + "/root";
        auto dos = amiga::CreateDefaultRoot(root, {});
        if (!dos) {
            std::abort();
        }
        std::string text;
        const char* types[] = {"TOOL", "GAME", "AUDIO", "NETWORK", "UTILITY"};
        for (std::size_t i = 0; i < kItems; ++i) {
            char entry[512];
            std::snprintf(entry, sizeof entry,
                          "#ITEM \"App%05zu\"\n#APPTYPE %s\n#STOVANAUTHOR \"Bench\"\n"
                          "#DESCRIPTION \"A useful tool number %zu\"\n"
                          "#URLARCHIVE \"http://127.0.0.1:9/App%05zu.lha\"\n"
                          "#INSTALLCHECK \"{INSTALLDIR}{NAME}/{NAME}\"\n"
                          "#INSTALL\n{STANDARDEXTRACT}\n{STANDARDCOPY}\n#INSTALL END\n#ITEM END\n",
                          (i * 7919) % kItems, types[i % 5], i, i);
            text += entry;
        }
        if (!amiga::CreateDrawerPath(*dos, kInternalDrawer).ok() ||
            !amiga::WriteFile(*dos, std::string(kInternalDrawer) + "/Bench.db", text).ok()) {
            std::abort();
        }
    }
    ~WindowRoot() {
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }
    std::string folder;
    std::string root;
};

WindowRoot& Root() {
    static WindowRoot root;
    return root;
}

// Everything a shown window stands on.
struct OpenWindow {
    explicit OpenWindow(const std::string& root) {
        auto opened = OpenSession(root);
        if (!opened) {
            std::abort();
        }
        session = std::move(*opened);
        if (!LaunchReload(*session->engine).ok() || session->engine->items().size() != kItems) {
            std::abort();
        }
        runs = std::make_unique<ui::EngineRuns>(*session, frontend,
                                                RunningProgramFolder() + "/stovan-shell");
        window = std::make_unique<ui::MainWindow>(*session, frontend, *runs);
        window->resize(1200, 800);
        window->show();
        QApplication::processEvents();  // laid out and drawn once
    }
    std::unique_ptr<Session> session;
    ui::QtFrontend frontend;
    std::unique_ptr<ui::EngineRuns> runs;
    std::unique_ptr<ui::MainWindow> window;
};

void BM_WindowStartUp10000(benchmark::State& state) {
    Application();
    const std::string& root = Root().root;
    for (auto _ : state) {
        OpenWindow open(root);
        benchmark::DoNotOptimize(open.window->list().rowCount());
        state.PauseTiming();  // closing is not part of the start
        open.window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WindowStartUp10000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_WindowSortByTitleClick10000(benchmark::State& state) {
    Application();
    OpenWindow open(Root().root);
    QHeaderView* header = open.window->listView()->horizontalHeader();
    int column = 0;
    for (auto _ : state) {
        // Name, then Description, then Name reversed...: every click sorts.
        column = column == ui::ColumnName ? ui::ColumnName + 1 : ui::ColumnName;
        emit header->sectionClicked(column);
        QApplication::processEvents();  // and the view draws the new order
        benchmark::DoNotOptimize(open.window->list().itemAt(0));
    }
}
BENCHMARK(BM_WindowSortByTitleClick10000)->Unit(benchmark::kMillisecond);

void BM_WindowStateFilter10000(benchmark::State& state) {
    Application();
    OpenWindow open(Root().root);
    std::uint32_t filter = 0;
    for (auto _ : state) {
        // A state filter and "All" in turn: every step filters the whole list.
        filter = filter == 0 ? 2 : 0;
        open.window->list().SetStateFilter(filter);
        QApplication::processEvents();
        benchmark::DoNotOptimize(open.window->list().rowCount());
    }
}
BENCHMARK(BM_WindowStateFilter10000)->Unit(benchmark::kMillisecond);

}  // namespace
