// `stovan process --yes` over 200 outdated items on a demonstration site
// served on 127.0.0.1: each item's archive (a real .lha made by the site
// builder) is downloaded and installed by its script, and the item checked
// again. The program runs as a user runs it, a process of its own.
//
// Where the time goes, by difference:
//   BM_ProcessOutdated/download  - the whole run, every archive fetched;
//   BM_ProcessOutdated/reuse     - the same with every archive already in
//                                  the download drawer (no transfer);
//   BM_SystemCheckOfTheItems     - `stovan check --mode system`: the Version
//                                  command for each item, what the run's
//                                  refreshes cost (two per item).
// The rest of the reuse run is writing and running the install scripts.

#include <benchmark/benchmark.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "demo/SiteBuilder.h"
#include "demo/SiteServer.h"
#include "platform/HostFiles.h"
#include "tests/support/BuildPaths.h"

namespace {

namespace fs = std::filesystem;

constexpr int kItems = 200;

std::string Quote(const std::string& text) {
    return "'" + text + "'";
}

std::string Program() {
    const char* built = std::getenv("STOVAN_PROGRAM");
    return built != nullptr ? built : std::string(STOVAN_BINARY_DIR) + "/stovan";
}

// Runs the stovan program quietly; its exit code.
int Stovan(const std::string& arguments) {
    const std::string line = Quote(Program()) + " " + arguments + " >/dev/null 2>&1";
    const int status = std::system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Write(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    (void)amiga::HostWriteFileAtomic(path, text);
}

// The site (200 applications at 1.1, one page listing them), and a root
// on which all of them are installed at 1.0, checked (OUTDATED) and in
// mode INSTALL. With reuse, the archives are in the download drawer too.
struct Fixture {
    std::string folder;
    std::unique_ptr<stovan::demo::SiteServer> server;
    std::string templateRoot;
    std::string error;

    explicit Fixture(bool reuse) {
        folder = (fs::temp_directory_path() /
                  ("stovan-bench-process-" + std::string(reuse ? "reuse" : "download")))
                     .string();
        fs::remove_all(folder);
        const std::string source = folder + "/source";
        std::string page = "<html><body>\n";
        std::string database;
        std::string configuration;
        for (int i = 0; i < kItems; ++i) {
            const std::string name = "Item" + std::to_string(i);
            Write(
                source + "/files/" + name + "_1.1.lha/" + name + "/" + name,
                "program\n" + std::string(20000, 'x') + "\n$VER: " + name + " 1.1 (01.12.2026)\n");
            page += "<a href=\"files/" + name + "_1.1.lha\">" + name + "_1.1.lha</a>\n";
            database += "#ITEM \"" + name + "\"\n#APPTYPE TOOL\n#STOVANAUTHOR \"Bench\"\n" +
                        "#URLWEBPAGE \"{DEMOSITE}index.html\"\n#URLPATTERN \"" + name +
                        "_{VERSION}.{REVISION}.lha\"\n#URLARCHIVE \"{DEMOSITE}files/" + name +
                        "_{VERSION}.{REVISION}.lha\"\n#INSTALLDIR \"Work:Apps/\"\n" +
                        "#INSTALLCHECK \"{INSTALLDIR}{NAME}/{NAME}\"\n" +
                        "#VERSIONCHECK \"{INSTALLDIR}{NAME}/{NAME}\"\n#DESCRIPTION \"A tool\"\n" +
                        "#INSTALL\n{STANDARDEXTRACT}\n{STANDARDCOPY}\n#INSTALL END\n#ITEM END\n";
            configuration += "## ITEM \"" + name + "\" MODE \"INSTALL\"\n## ITEM END\n";
        }
        Write(source + "/index.html", page + "</body></html>\n");
        stovan::demo::SiteSummary summary;
        error = stovan::demo::BuildSite(source, folder + "/site", summary);
        if (!error.empty()) {
            return;
        }
        server = stovan::demo::SiteServer::Start(folder + "/site", error);
        if (!server) {
            return;
        }
        templateRoot = folder + "/template";
        if (Stovan("--root " + Quote(templateRoot) + " root") != 0) {
            error = "cannot make the root";
            return;
        }
        const std::string progdir = templateRoot + "/Work/Stovan";
        fs::remove_all(progdir + "/Database/Internal");
        Write(progdir + "/Database/Internal/Bench.db",
              stovan::demo::FillSiteUrl(database, server->BaseUrl()));
        Write(progdir + "/Prefs/Config.db", configuration);
        fs::create_directories(progdir + "/Cache/Downloads");
        for (int i = 0; i < kItems; ++i) {
            const std::string name = "Item" + std::to_string(i);
            Write(templateRoot + "/Work/Apps/" + name + "/" + name,
                  "program\n$VER: " + name + " 1.0 (01.10.2026)\n");
            if (reuse) {
                fs::copy_file(folder + "/site/files/" + name + "_1.1.lha",
                              progdir + "/Cache/Downloads/" + name + "_v1.01.lha");
            }
        }
        if (reuse) {
            (void)Stovan("--root " + Quote(templateRoot) + " prefs set KEEP_ARCHIVES on");
        }
        if (Stovan("--root " + Quote(templateRoot) + " check") != 0) {
            error = "the check failed";
        }
    }
    ~Fixture() {
        server.reset();
        fs::remove_all(folder);
    }
};

void BM_ProcessOutdated(benchmark::State& state) {
    ::setenv("no_proxy", "127.0.0.1", 1);
    Fixture fixture(state.range(0) != 0);
    if (!fixture.error.empty()) {
        state.SkipWithError(fixture.error.c_str());
        return;
    }
    const std::string root = fixture.folder + "/run";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(root);
        fs::copy(fixture.templateRoot, root, fs::copy_options::recursive);
        state.ResumeTiming();
        const int code = Stovan("--root " + Quote(root) + " process --yes");
        state.PauseTiming();
        const std::string last = "Item" + std::to_string(kItems - 1);
        auto text = amiga::HostReadFile(root + "/Work/Apps/" + last + "/" + last, 1 << 20);
        const std::string installed = text ? *text : std::string();
        if (code != 0 || installed.find(" 1.1 ") == std::string::npos) {
            state.SkipWithError(
                ("the run did not install everything, exit " + std::to_string(code)).c_str());
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kItems);
    state.SetLabel(state.range(0) != 0 ? "reuse" : "download");
}
BENCHMARK(BM_ProcessOutdated)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_SystemCheckOfTheItems(benchmark::State& state) {
    ::setenv("no_proxy", "127.0.0.1", 1);
    Fixture fixture(false);
    if (!fixture.error.empty()) {
        state.SkipWithError(fixture.error.c_str());
        return;
    }
    for (auto _ : state) {
        if (Stovan("--root " + Quote(fixture.templateRoot) + " check --mode system") != 0) {
            state.SkipWithError("the check failed");
        }
    }
    state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_SystemCheckOfTheItems)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
