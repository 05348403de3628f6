// Archive speed and size against the Linux tools, on the same data and
// machine: LhA extraction against `lhasa x` and `bsdtar -xf`, ZIP extraction
// against `unzip`, LhA creation (time and size) against jlha-utils' `jlha a`,
// and our -lh5- decoder alone against liblhasa's, in memory.
// The external tools run as processes, as the scripts would run them.
// tools/bench-archives.sh runs this and prints the ratios.
#include <benchmark/benchmark.h>
#include <lha_decoder.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "archive/Extract.h"
#include "archive/Lh5Encoder.h"
#include "archive/LhaDecoder.h"
#include "archive/LhaWriter.h"

namespace {

namespace fs = std::filesystem;

struct Corpus {
    fs::path root;
    std::vector<std::string> names;  // top-level names inside root/src
    std::uint64_t bytes = 0;
    fs::path ourLha;   // made by our writer
    fs::path jlhaLha;  // made by jlha (level 1, generic OS: bsdtar reads it)
    fs::path zip;
};

void WriteFile(const fs::path& path, const std::string& data) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << data;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int Shell(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// About 8 MiB: English text (licence texts repeated), program
// binaries of this machine, and a little incompressible data, in drawers.
const Corpus& GetCorpus() {
    static Corpus corpus = [] {
        Corpus c;
        std::string pattern = (fs::temp_directory_path() / "bench-archive-XXXXXX").string();
        c.root = ::mkdtemp(pattern.data());
        const fs::path src = c.root / "src";
        // English-like text: the GNU licence texts of this machine, repeated.
        std::string text;
        std::string sample;
        for (const char* file :
             {"/usr/share/common-licenses/GPL-3", "/usr/share/common-licenses/LGPL-2.1",
              "/usr/share/common-licenses/Apache-2.0"}) {
            sample += ReadFile(file);
        }
        if (sample.empty()) {
            sample = "The archive holds the application drawer and its icon.\n";
        }
        while (text.size() < (4u << 20)) {
            text += sample;
        }
        text.resize(4u << 20);
        WriteFile(src / "App/Docs/Manual.txt", text);
        WriteFile(src / "App/Docs/Short.txt", text.substr(100000, 30000));
        std::string binaries;
        for (const char* program : {"/usr/bin/bsdtar", "/usr/bin/lhasa", "/usr/bin/unzip",
                                    "/usr/bin/zip", "/usr/bin/cmake"}) {
            binaries += ReadFile(program);
            if (binaries.size() > (3u << 20)) {
                break;
            }
        }
        binaries.resize(std::min<std::size_t>(binaries.size(), 3u << 20));
        WriteFile(src / "App/App", binaries);
        std::mt19937 random(7);
        std::string noise(1u << 20, '\0');
        for (auto& byte : noise) {
            byte = static_cast<char>(random() & 0xFF);
        }
        WriteFile(src / "App/Data/noise.bin", noise);
        WriteFile(src / "App.info", binaries.substr(0, 2000));
        c.names = {"App", "App.info"};
        for (const auto& item : fs::recursive_directory_iterator(src)) {
            if (item.is_regular_file()) {
                c.bytes += item.file_size();
            }
        }
        c.ourLha = c.root / "ours.lha";
        auto inputs =
            stovan::archive::CollectLhaInputs(src.string(), c.names, {true, false, {}}, nullptr);
        if (inputs) {
            (void)stovan::archive::CreateLhaArchive(c.ourLha.string(), *inputs);
        }
        c.jlhaLha = c.root / "jlha.lzh";
        Shell("cd '" + src.string() + "' && jlha a1 '" + c.jlhaLha.string() + "' App App.info");
        c.zip = c.root / "a.zip";
        Shell("cd '" + src.string() + "' && zip -qr '" + c.zip.string() + "' App App.info");
        return c;
    }();
    return corpus;
}

void Fresh(const fs::path& dir) {
    fs::remove_all(dir);
    fs::create_directories(dir);
}

void SetBytes(benchmark::State& state, std::uint64_t bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

template <typename Body>
void ExtractLoop(benchmark::State& state, Body body) {
    const Corpus& c = GetCorpus();
    const fs::path out = c.root / "out";
    for (auto _ : state) {
        state.PauseTiming();
        Fresh(out);
        state.ResumeTiming();
        if (!body(c, out)) {
            state.SkipWithError("extraction failed");
            break;
        }
    }
    SetBytes(state, c.bytes);
}

// Extraction of one archive by our module and by lhasa, for the ratios.
bool ExtractWithOurs(const fs::path& archive, const fs::path& out) {
    stovan::archive::ExtractOptions options;
    options.quiet = true;
    std::ostringstream log;
    return stovan::archive::ExtractArchive(archive.string(), out.string(), options, nullptr, log)
        .ok();
}
bool ExtractWithLhasa(const fs::path& archive, const fs::path& out) {
    return Shell("cd '" + out.string() + "' && lhasa xq '" + archive.string() + "'") == 0;
}

void BM_ExtractOurLha_Ours(benchmark::State& state) {
    ExtractLoop(
        state, [](const Corpus& c, const fs::path& out) { return ExtractWithOurs(c.ourLha, out); });
}
void BM_ExtractOurLha_Lhasa(benchmark::State& state) {
    ExtractLoop(state, [](const Corpus& c, const fs::path& out) {
        return ExtractWithLhasa(c.ourLha, out);
    });
}
void BM_ExtractJlhaLha_Ours(benchmark::State& state) {
    ExtractLoop(state, [](const Corpus& c, const fs::path& out) {
        return ExtractWithOurs(c.jlhaLha, out);
    });
}
void BM_ExtractJlhaLha_Lhasa(benchmark::State& state) {
    ExtractLoop(state, [](const Corpus& c, const fs::path& out) {
        return ExtractWithLhasa(c.jlhaLha, out);
    });
}
void BM_ExtractJlhaLha_Bsdtar(benchmark::State& state) {
    ExtractLoop(state, [](const Corpus& c, const fs::path& out) {
        return Shell("bsdtar -xf '" + c.jlhaLha.string() + "' -C '" + out.string() + "'") == 0;
    });
}
void BM_ExtractZip_Ours(benchmark::State& state) {
    ExtractLoop(state,
                [](const Corpus& c, const fs::path& out) { return ExtractWithOurs(c.zip, out); });
}
void BM_ExtractZip_Unzip(benchmark::State& state) {
    ExtractLoop(state, [](const Corpus& c, const fs::path& out) {
        return Shell("unzip -qo '" + c.zip.string() + "' -d '" + out.string() + "'") == 0;
    });
}

void BM_CreateLha_Ours(benchmark::State& state) {
    const Corpus& c = GetCorpus();
    const fs::path archive = c.root / "create-ours.lha";
    std::uint64_t packed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(archive);
        state.ResumeTiming();
        auto inputs = stovan::archive::CollectLhaInputs((c.root / "src").string(), c.names,
                                                        {true, false, {}}, nullptr);
        auto written =
            inputs
                ? stovan::archive::CreateLhaArchive(archive.string(), *inputs)
                : amiga::Expected<stovan::archive::LhaWriteSummary, stovan::archive::ArchiveError>(
                      amiga::Unexpected{inputs.error()});
        if (!written) {
            state.SkipWithError("creation failed");
            break;
        }
        packed = fs::file_size(archive);
    }
    SetBytes(state, c.bytes);
    state.counters["archive_bytes"] = static_cast<double>(packed);
    state.counters["ratio_percent"] =
        100.0 * static_cast<double>(packed) / static_cast<double>(c.bytes);
}

void BM_CreateLha_Jlha(benchmark::State& state) {
    const Corpus& c = GetCorpus();
    const fs::path archive = c.root / "create-jlha.lzh";
    std::uint64_t packed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(archive);
        state.ResumeTiming();
        if (Shell("cd '" + (c.root / "src").string() + "' && jlha a1 '" + archive.string() +
                  "' App App.info") != 0) {
            state.SkipWithError("jlha failed");
            break;
        }
        packed = fs::file_size(archive);
    }
    SetBytes(state, c.bytes);
    state.counters["archive_bytes"] = static_cast<double>(packed);
    state.counters["ratio_percent"] =
        100.0 * static_cast<double>(packed) / static_cast<double>(c.bytes);
}

// The decoders alone, in memory and without files: ours against liblhasa's
// on the corpus's text and programs packed by our -lh5- encoder.
struct PackedSample {
    std::vector<std::uint8_t> packed;
    std::size_t original = 0;
};

const PackedSample& GetPackedSample() {
    static PackedSample sample = [] {
        const Corpus& c = GetCorpus();
        const std::string data =
            ReadFile(c.root / "src/App/Docs/Manual.txt") + ReadFile(c.root / "src/App/App");
        PackedSample s;
        s.original = data.size();
        s.packed = stovan::archive::CompressLh5(reinterpret_cast<const std::uint8_t*>(data.data()),
                                                data.size());
        return s;
    }();
    return sample;
}

void BM_DecodeLh5_Ours(benchmark::State& state) {
    const PackedSample& s = GetPackedSample();
    std::vector<std::uint8_t> out(std::size_t{1} << 16);
    stovan::archive::LhaDecoder decoder;
    for (auto _ : state) {
        std::size_t offset = 0;
        decoder.start(stovan::archive::LhaMethod::Lh5, s.original,
                      [&](std::uint8_t* buffer, std::size_t size) -> std::ptrdiff_t {
                          const std::size_t count = std::min(size, s.packed.size() - offset);
                          std::memcpy(buffer, s.packed.data() + offset, count);
                          offset += count;
                          return static_cast<std::ptrdiff_t>(count);
                      });
        std::size_t total = 0;
        for (;;) {
            auto got = decoder.read(out.data(), out.size());
            if (!got || *got == 0) {
                break;
            }
            total += *got;
        }
        if (total != s.original) {
            state.SkipWithError("decoding failed");
            break;
        }
    }
    SetBytes(state, s.original);
}

struct MemoryInput {
    const PackedSample* sample;
    std::size_t offset;
};

std::size_t FeedLiblhasa(void* buffer, std::size_t size, void* handle) {
    auto* input = static_cast<MemoryInput*>(handle);
    const std::size_t count = std::min(size, input->sample->packed.size() - input->offset);
    std::memcpy(buffer, input->sample->packed.data() + input->offset, count);
    input->offset += count;
    return count;
}

void BM_DecodeLh5_Liblhasa(benchmark::State& state) {
    const PackedSample& s = GetPackedSample();
    std::vector<std::uint8_t> out(std::size_t{1} << 16);
    char method[] = "-lh5-";
    for (auto _ : state) {
        MemoryInput input{&s, 0};
        LHADecoder* decoder =
            lha_decoder_new(lha_decoder_for_name(method), FeedLiblhasa, &input, s.original);
        std::size_t total = 0;
        while (std::size_t got = lha_decoder_read(decoder, out.data(), out.size())) {
            total += got;
        }
        lha_decoder_free(decoder);
        if (total != s.original) {
            state.SkipWithError("decoding failed");
            break;
        }
    }
    SetBytes(state, s.original);
}

BENCHMARK(BM_ExtractOurLha_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractOurLha_Lhasa)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractJlhaLha_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractJlhaLha_Lhasa)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractJlhaLha_Bsdtar)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractZip_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractZip_Unzip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateLha_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateLha_Jlha)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeLh5_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeLh5_Liblhasa)->Unit(benchmark::kMillisecond);

}  // namespace
