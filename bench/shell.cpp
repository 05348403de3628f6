// The interpreter on a real throw-away root: lines of a typical install
// script per second (flow control, variables, back-ticks, file commands),
// Copy ALL of a drawer tree of 200 files, and "LhA x" of an archive whose
// every entry carries a comment (one ".uaem" sidecar written per entry).

#include "shell/Shell.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "archive/LhaWriter.h"
#include "platform/SystemRoot.h"
#include "shell/PlatformHost.h"

namespace {

struct BenchRoot {
    BenchRoot() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "stovan-bench-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        auto created = amiga::CreateDefaultRoot(folder + "/root");
        host = std::make_unique<amiga::PlatformHost>(std::move(*created));
        null = amiga::FileDescriptor(::open("/dev/null", O_RDWR | O_CLOEXEC));
    }
    ~BenchRoot() { std::filesystem::remove_all(folder); }
    std::string folder;
    std::unique_ptr<amiga::PlatformHost> host;
    amiga::FileDescriptor null;
};

// An install script's usual lines; 24 lines run per pass.
constexpr const char* kInstallScript =
    "FailAt 9\n"
    "Set app Foo\n"
    "If \"$app\" EQ \"Foo\"\n"
    " Echo \"Installing $app\"\n"
    "Else\n"
    " Echo never\n"
    "EndIf\n"
    "If NOT EXISTS \"Work:Apps/$app\"\n"
    " MakeDir \"Work:Apps/$app\" ALL\n"
    "EndIf\n"
    "Echo \"*$VER: Foo 1.2\" >\"Work:Apps/$app/ReadMe\"\n"
    "Copy \"Work:Apps/$app/ReadMe\" \"Work:Apps/$app/ReadMe.bak\"\n"
    "Protect \"Work:Apps/$app/ReadMe\" +s\n"
    "If EXISTS \"Work:Apps/$app/ReadMe.bak\"\n"
    " Delete \"Work:Apps/$app/ReadMe.bak\" QUIET\n"
    "EndIf\n"
    "Set v `Echo 12`\n"
    "If $v GT 9 VAL\n"
    " Echo big\n"
    "EndIf\n"
    "SetEnv stovan-bench $v\n"
    "Echo ${stovan-bench}\n"
    "Version \"Work:Apps/$app/ReadMe\"\n"
    "Echo done\n";

void BM_InstallScriptLines(benchmark::State& state) {
    BenchRoot root;
    amiga::Streams io{root.null.get(), root.null.get(), root.null.get()};
    amiga::Shell shell(*root.host, io);
    for (auto _ : state) {
        int rc = shell.RunScript(kInstallScript, io);
        if (rc != 0) {
            state.SkipWithError("the script failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * 24);
}
BENCHMARK(BM_InstallScriptLines);

void BM_CopyDrawerTree(benchmark::State& state) {
    BenchRoot root;
    const std::string source = root.folder + "/root/Work/Tree";
    for (int d = 0; d < 10; ++d) {
        std::filesystem::create_directories(source + "/Drawer" + std::to_string(d));
        for (int f = 0; f < 20; ++f) {
            std::ofstream(source + "/Drawer" + std::to_string(d) + "/File" + std::to_string(f))
                << std::string(4096, 'x');
        }
    }
    amiga::Streams io{root.null.get(), root.null.get(), root.null.get()};
    amiga::Shell shell(*root.host, io);
    for (auto _ : state) {
        int rc =
            shell.RunScript("Copy Work:Tree RAM:Tree ALL QUIET\nDelete RAM:Tree ALL QUIET\n", io);
        if (rc != 0) {
            state.SkipWithError("Copy failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * 200);
    state.SetBytesProcessed(state.iterations() * 200 * 4096);
}
BENCHMARK(BM_CopyDrawerTree);

// An extraction writes a sidecar for each of its entries; they are synced
// once at its end. Run with the entry count as argument (16000 by default).
void BM_LhaExtractWithSidecars(benchmark::State& state) {
    BenchRoot root;
    const auto entries = static_cast<std::size_t>(state.range(0));
    const std::string data = root.folder + "/data";
    std::ofstream(data) << "x";
    std::vector<stovan::archive::LhaInput> inputs;
    inputs.reserve(entries);
    for (std::size_t i = 0; i < entries; ++i) {
        stovan::archive::LhaInput input;
        input.hostPath = data;
        input.archiveName = "App/Drawer" + std::to_string(i / 1000) + "/File" + std::to_string(i);
        input.comment = "entry " + std::to_string(i);
        inputs.push_back(std::move(input));
    }
    if (!stovan::archive::CreateLhaArchive(root.folder + "/root/RAM/big.lha", inputs)) {
        state.SkipWithError("cannot make the archive");
        return;
    }
    amiga::Streams io{root.null.get(), root.null.get(), root.null.get()};
    amiga::Shell shell(*root.host, io);
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(root.folder + "/root/Work/Out");
        state.ResumeTiming();
        if (shell.RunScript("LhA -q x RAM:big.lha Work:Out/\n", io) != 0) {
            state.SkipWithError("LhA failed");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * entries));
}
BENCHMARK(BM_LhaExtractWithSidecars)->Arg(16000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
