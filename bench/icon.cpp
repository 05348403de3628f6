// Icon decoding and encoding: the finder and the install scripts touch many
// icons in a row.

#include "platform/Icon.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/BuildPaths.h"

namespace {

std::string Fixture(const char* name) {
    std::ifstream in(std::string(STOVAN_FIXTURES_DIR) + "/icons/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void BM_DecodeGlowIcon(benchmark::State& state) {
    const std::string data = Fixture("external_openurl_dist_OpenURL_Prefs_OpenURL.info");
    for (auto _ : state) {
        auto icon = amiga::DecodeDiskObject(data);
        benchmark::DoNotOptimize(icon);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_DecodeGlowIcon);

void BM_EditNewIconsToolTypes(benchmark::State& state) {
    const std::string data = Fixture("external_openurl_dist_OpenURL_Install.info");
    for (auto _ : state) {
        auto icon = amiga::DecodeDiskObject(data);
        amiga::EditToolTypes(icon->toolTypes, {"DONOTWAIT", "", "MINUSER", "-"});
        auto bytes = amiga::EncodeDiskObject(*icon);
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_EditNewIconsToolTypes);

}  // namespace
