// Transfer speed against curl on the same machine and in the same run, both
// fetching from the loopback test server: one download of 1 GiB into a file
// (throughput; the peak resident memory of the process is reported beside
// it to show that the body streams), and 1,000 small pages, each on a new
// connection (the server closes every connection after its answer). curl
// runs as a process, as a user would run it; for the small pages one curl
// process fetches all 1,000 from a config file, so its start costs once.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "net/DownloadFile.h"
#include "platform/DosFiles.h"
#include "platform/SystemRoot.h"
#include "tests/support/HttpTestServer.h"

namespace {

namespace fs = std::filesystem;
using stovan::test::HttpConnection;
using stovan::test::HttpTestServer;

constexpr std::uint64_t kBigSize = std::uint64_t{1} << 30;
constexpr int kSmallPages = 1000;

const std::string& Block() {
    static const std::string block(1 << 20, 'b');
    return block;
}

HttpTestServer& Server() {
    static HttpTestServer server([](HttpConnection& connection) {
        if (connection.path() == "/big") {
            connection.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kBigSize) +
                            "\r\n\r\n");
            for (std::uint64_t sent = 0; sent < kBigSize; sent += Block().size()) {
                if (!connection.Send(Block())) {
                    return;
                }
            }
        } else {
            connection.Send(stovan::test::HttpResponse("200 OK", std::string(2000, 'p')));
        }
    });
    return server;
}

struct Root {
    fs::path folder;
    amiga::DosList dos;
    Root() {
        stovan::test::DisableProxies();
        folder =
            fs::temp_directory_path() / ("stovan-bench-transfer-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        auto made = amiga::CreateDefaultRoot((folder / "root").string(), {});
        if (!made) {
            std::abort();
        }
        dos = std::move(*made);
        (void)amiga::CreateDrawerPath(dos, "RAM:T");
    }
    ~Root() {
        std::error_code error;
        fs::remove_all(folder, error);
    }
    fs::path HostT() const { return folder / "root" / "RAM" / "T"; }
};

Root& TheRoot() {
    static Root root;
    return root;
}

stovan::DownloadContext Context() {
    stovan::DownloadContext context;
    context.dos = &TheRoot().dos;
    context.settings.connectTimeout = 5;
    context.settings.transferTimeout = 10;
    context.settings.connectRetries = 1;
    context.drawer = "T:";
    return context;
}

long PeakResidentKb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void RunCurl(const std::string& arguments) {
    const std::string command = "curl --silent --show-error --fail --noproxy '*' " + arguments;
    if (std::system(command.c_str()) != 0) {
        std::abort();
    }
}

void BM_Download1GiB_Stovan(benchmark::State& state) {
    const std::string url = Server().Url("/big");
    const stovan::DownloadContext context = Context();
    const long before = PeakResidentKb();
    for (auto _ : state) {
        if (!stovan::DownloadFile(context, url, "big", 0).ok()) {
            state.SkipWithError("download failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBigSize));
    state.counters["peak_rss_growth_kb"] = static_cast<double>(PeakResidentKb() - before);
    fs::remove(TheRoot().HostT() / "big");
}
BENCHMARK(BM_Download1GiB_Stovan)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Download1GiB_Curl(benchmark::State& state) {
    const std::string url = Server().Url("/big");
    const std::string target = (TheRoot().HostT() / "big-curl").string();
    for (auto _ : state) {
        RunCurl("-o '" + target + "' '" + url + "'");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBigSize));
    fs::remove(target);
}
BENCHMARK(BM_Download1GiB_Curl)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_SmallPages_Stovan(benchmark::State& state) {
    const stovan::DownloadContext context = Context();
    std::vector<std::string> urls;
    for (int page = 0; page < kSmallPages; ++page) {
        urls.push_back(Server().Url("/page" + std::to_string(page) + ".html"));
    }
    for (auto _ : state) {
        for (const std::string& url : urls) {
            if (!stovan::DownloadFile(context, url, "page", 0).ok()) {
                state.SkipWithError("fetch failed");
                return;
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kSmallPages);
}
BENCHMARK(BM_SmallPages_Stovan)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_SmallPages_Curl(benchmark::State& state) {
    const fs::path config = TheRoot().folder / "pages.curlrc";
    {
        std::ofstream out(config);
        const std::string target = (TheRoot().HostT() / "page-curl").string();
        for (int page = 0; page < kSmallPages; ++page) {
            out << "url = \"" << Server().Url("/page" + std::to_string(page) + ".html")
                << "\"\noutput = \"" << target << "\"\n";
        }
    }
    for (auto _ : state) {
        RunCurl("--config '" + config.string() + "'");
    }
    state.SetItemsProcessed(state.iterations() * kSmallPages);
}
BENCHMARK(BM_SmallPages_Curl)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
