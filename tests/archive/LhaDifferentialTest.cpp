// Our LhA decoder against liblhasa's: the same archives, read entry by entry
// both ways, must give the same bytes and the same verdict.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <vector>

#include "archive/LhaEntryReader.h"
#include "archive/LhaWriter.h"
#include "tests/support/BuildPaths.h"
#include "tests/support/SampleData.h"
#include "tests/support/TempFolder.h"

namespace stovan::archive {
namespace {

namespace fs = std::filesystem;

struct DecodedEntry {
    std::string name;
    std::string method;
    std::string data;
    std::string verdict;  // "ok" or the error message
};

// Every entry of the archive, read through the reader.
std::vector<DecodedEntry> ReadAll(const std::string& path, LhaDecoding decoding) {
    std::vector<DecodedEntry> entries;
    auto reader = OpenLhaReader(path, decoding);
    if (!reader) {
        entries.push_back({"", "", "", reader.error().message});
        return entries;
    }
    std::vector<std::uint8_t> buffer(7001);  // an odd size, across rounds
    Entry entry;
    auto more = (*reader)->next(entry);
    for (; more && *more; more = (*reader)->next(entry)) {
        DecodedEntry decoded{entry.name, entry.method, "", "ok"};
        if (entry.type == Entry::Type::File) {
            for (;;) {
                auto got = (*reader)->read(buffer.data(), buffer.size());
                if (!got) {
                    decoded.verdict = got.error().message;
                    break;
                }
                if (*got == 0) {
                    auto verified = (*reader)->verify(entry);
                    if (!verified) {
                        decoded.verdict = verified.error().message;
                    }
                    break;
                }
                decoded.data.append(reinterpret_cast<const char*>(buffer.data()), *got);
            }
        }
        entries.push_back(std::move(decoded));
    }
    if (!more) {
        entries.push_back({"", "", "", more.error().message});
    }
    return entries;
}

// Compares both decoders on one archive; returns the methods seen.
std::set<std::string> ExpectSameDecoding(const std::string& path) {
    SCOPED_TRACE(path);
    const auto ours = ReadAll(path, LhaDecoding::Own);
    const auto theirs = ReadAll(path, LhaDecoding::Liblhasa);
    std::set<std::string> methods;
    EXPECT_EQ(ours.size(), theirs.size());
    for (std::size_t i = 0; i < std::min(ours.size(), theirs.size()); ++i) {
        SCOPED_TRACE(theirs[i].name + " " + theirs[i].method);
        EXPECT_EQ(ours[i].name, theirs[i].name);
        EXPECT_EQ(ours[i].verdict, theirs[i].verdict);
        EXPECT_EQ(ours[i].verdict, "ok");
        EXPECT_TRUE(ours[i].data == theirs[i].data)
            << ours[i].data.size() << " bytes against " << theirs[i].data.size();
        methods.insert(theirs[i].method);
    }
    return methods;
}

int Shell(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Seeded inputs and some real files of the repository, written into folder.
std::vector<std::string> WriteInputs(const test::TempFolder& folder, unsigned first,
                                     unsigned count) {
    std::vector<std::string> names;
    for (unsigned seed = first; seed < first + count; ++seed) {
        names.push_back("in" + std::to_string(seed));
        test::WriteHostFile(folder / names.back(), test::MixedSample(seed));
    }
    for (const char* real : {"archive/Lh5Encoder.cpp", "archive/Extract.cpp",
                             "tests/data/lha/lha_amiga_122/lh4_long.lzh"}) {
        names.push_back(fs::path(real).filename().string());
        fs::copy_file(std::string(STOVAN_SOURCE_DIR) + "/" + real, folder / names.back());
    }
    return names;
}

TEST(LhaDifferential, EveryFixtureArchiveDecodesAsLiblhasaDoes) {
    std::set<std::string> methods;
    for (const auto& set : fs::directory_iterator(std::string(STOVAN_FIXTURES_DIR) + "/lha")) {
        if (!set.is_directory()) {
            continue;
        }
        for (const auto& file : fs::directory_iterator(set.path())) {
            const std::string name = file.path().filename().string();
            if (name.rfind("README", 0) == 0 || name == "h2_huge.lzh") {
                continue;  // the 4 GiB entry is refused before any decoding
            }
            const auto seen = ExpectSameDecoding(file.path().string());
            methods.insert(seen.begin(), seen.end());
        }
    }
    // Our decoder really ran on the fixtures' methods.
    for (const char* method : {"-lh0-", "-lh1-", "-lh4-", "-lh5-", "-lh6-"}) {
        EXPECT_EQ(methods.count(method), 1u) << method;
    }
}

TEST(LhaDifferential, ArchivesOfOurWriterDecodeAsLiblhasaDoes) {
    test::TempFolder folder;
    const auto names = WriteInputs(folder, 1, 300);
    std::vector<LhaInput> inputs;
    for (const auto& name : names) {
        inputs.push_back({folder / name, "d/" + name, 0, "", {}, false});
    }
    LhaWriteOptions options;
    options.addToExisting = false;
    auto written = CreateLhaArchive(folder / "ours.lha", inputs, options);
    ASSERT_TRUE(written.ok()) << written.error().message;
    const auto methods = ExpectSameDecoding(folder / "ours.lha");
    EXPECT_EQ(methods, (std::set<std::string>{"-lh0-", "-lh5-"}));
}

TEST(LhaDifferential, ArchivesOfJlhaDecodeAsLiblhasaDoes) {
    test::TempFolder folder;
    const auto names = WriteInputs(folder, 1000, 40);
    std::string list;
    for (const auto& name : names) {
        list += " " + name;
    }
    // Each method and each header level once (jlha starts a Java VM: few runs).
    const std::pair<const char*, const char*> rows[] = {
        {"jlha a0o5", "-lh5-"}, {"jlha a1o6", "-lh6-"}, {"jlha a2o7", "-lh7-"}};
    for (const auto& [command, method] : rows) {
        SCOPED_TRACE(command);
        const std::string archive = folder / "jlha.lzh";
        fs::remove(archive);
        ASSERT_EQ(Shell("cd '" + folder.path() + "' && " + command + " " + archive + list), 0);
        EXPECT_EQ(ExpectSameDecoding(archive).count(method), 1u);
    }
}

}  // namespace
}  // namespace stovan::archive
