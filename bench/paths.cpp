// Path resolution in a drawer of 10,000 entries: an exact name (one lstat)
// against a name in another case (a scan of the drawer).

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/Locks.h"
#include "platform/SystemRoot.h"

namespace {

struct BigDrawer {
    BigDrawer() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "stovan-bench-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        auto created = amiga::CreateDefaultRoot(folder + "/root");
        dos = std::move(*created);
        const std::string drawer = folder + "/root/Work/Big";
        std::filesystem::create_directories(drawer);
        for (int i = 0; i < 10000; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "Entry%05d", i);
            std::ofstream(drawer + "/" + name) << "x";
        }
    }
    ~BigDrawer() { std::filesystem::remove_all(folder); }
    std::string folder;
    amiga::DosList dos;
};

BigDrawer& Drawer() {
    static BigDrawer drawer;
    return drawer;
}

void BM_LockExactCase(benchmark::State& state) {
    auto& drawer = Drawer();
    for (auto _ : state) {
        auto lock = amiga::Lock(drawer.dos, "Work:Big/Entry09999");
        benchmark::DoNotOptimize(lock);
    }
}
BENCHMARK(BM_LockExactCase);

void BM_LockOtherCaseScansTheDrawer(benchmark::State& state) {
    auto& drawer = Drawer();
    for (auto _ : state) {
        auto lock = amiga::Lock(drawer.dos, "work:big/ENTRY09999");
        benchmark::DoNotOptimize(lock);
    }
}
BENCHMARK(BM_LockOtherCaseScansTheDrawer);

void BM_LockMissingName(benchmark::State& state) {
    auto& drawer = Drawer();
    for (auto _ : state) {
        auto lock = amiga::Lock(drawer.dos, "Work:Big/NoSuchEntry");
        benchmark::DoNotOptimize(lock);
    }
}
BENCHMARK(BM_LockMissingName);

}  // namespace
