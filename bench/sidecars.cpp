// Writing many ".uaem" sidecars (SetComment on every file of a drawer, as an
// extraction does for each entry with a comment or protection bits): each
// atomic write on its own (one fsync per file) against the same writes in a
// SyncBatch (one sync of the file system at the end).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/DosFiles.h"
#include "platform/HostFiles.h"
#include "platform/SystemRoot.h"

namespace {

namespace fs = std::filesystem;

struct Root {
    fs::path folder;
    amiga::DosList dos;

    explicit Root(int files) {
        std::string pattern = (fs::temp_directory_path() / "stovan-bench-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        dos = amiga::CreateDefaultRoot((folder / "root").string()).value();
        (void)amiga::CreateDrawerPath(dos, "Work:Drawer");
        for (int i = 0; i < files; ++i) {
            (void)amiga::WriteFile(dos, "Work:Drawer/f" + std::to_string(i), "x");
        }
    }
    ~Root() {
        std::error_code error;
        fs::remove_all(folder, error);
    }
};

void Comments(amiga::DosList& dos, int files, int round) {
    for (int i = 0; i < files; ++i) {
        (void)amiga::SetComment(dos, "Work:Drawer/f" + std::to_string(i),
                                "comment " + std::to_string(round));
    }
}

void BM_SidecarsSyncedEach(benchmark::State& state) {
    const int files = static_cast<int>(state.range(0));
    Root root(files);
    int round = 0;
    for (auto _ : state) {
        Comments(root.dos, files, ++round);
    }
    state.SetItemsProcessed(state.iterations() * files);
}

void BM_SidecarsInOneBatch(benchmark::State& state) {
    const int files = static_cast<int>(state.range(0));
    Root root(files);
    int round = 0;
    for (auto _ : state) {
        amiga::SyncBatch batch;
        Comments(root.dos, files, ++round);
        benchmark::DoNotOptimize(batch.Finish());
    }
    state.SetItemsProcessed(state.iterations() * files);
}

BENCHMARK(BM_SidecarsSyncedEach)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SidecarsInOneBatch)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace
