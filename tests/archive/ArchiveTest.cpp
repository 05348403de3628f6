#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>

#include "archive/Crc16.h"
#include "archive/Detect.h"
#include "archive/Extract.h"
#include "archive/Lh5Encoder.h"
#include "archive/LhaHeader.h"
#include "archive/LhaWriter.h"
#include "archive/Listing.h"
#include "tests/support/BuildPaths.h"
#include "tests/support/RunProgram.h"
#include "tests/support/SampleData.h"
#include "tests/support/TempFolder.h"

namespace stovan::archive {
namespace {

namespace fs = std::filesystem;
using amiga::HostTimeFromDateStamp;

using TempDir = test::TempFolder;

// Runs a host tool (from /usr/bin) in a folder; its exit code.
int Tool(const std::string& folder, const std::string& tool, std::vector<std::string> arguments) {
    return test::RunProgram("/usr/bin/" + tool, arguments, {.workingDirectory = folder}).exitCode;
}

const auto WriteFile = test::WriteHostFile;
const auto ReadFile = test::ReadHostFile;

using test::RandomBytes;
using test::TextLike;

// What a tree holds: relative path -> kind and content (files), link target.
std::map<std::string, std::string> Snapshot(const std::string& root, bool withTimes) {
    std::map<std::string, std::string> tree;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const std::string relative = fs::relative(it->path(), root).string();
        const auto status = it->symlink_status();
        if (fs::is_symlink(status)) {
            tree[relative] = "link:" + fs::read_symlink(it->path()).string();
        } else if (fs::is_directory(status)) {
            tree[relative] = "drawer";
        } else {
            std::string value = "file:" + ReadFile(it->path().string());
            if (withTimes) {
                struct stat info {};
                ::stat(it->path().c_str(), &info);
                value += "@" + std::to_string(info.st_mtime);
            }
            tree[relative] = value;
        }
    }
    return tree;
}

struct RecordingSink final : MetadataSink {
    std::map<std::string, ArchiveMetadata> applied;
    void apply(const std::string& hostPath, const ArchiveMetadata& metadata) override {
        applied[hostPath] = metadata;
    }
};

std::string FixturesDir() {
    return std::string(STOVAN_FIXTURES_DIR) + "/lha";
}

std::vector<std::string> FixtureArchives() {
    std::vector<std::string> archives;
    for (const auto& set : fs::directory_iterator(FixturesDir())) {
        if (!set.is_directory()) {
            continue;
        }
        for (const auto& file : fs::directory_iterator(set.path())) {
            const std::string name = file.path().filename().string();
            if (name.rfind("README", 0) == 0) {
                continue;
            }
            archives.push_back(file.path().string());
        }
    }
    std::sort(archives.begin(), archives.end());
    return archives;
}

ExtractOptions Quiet() {
    ExtractOptions options;
    options.quiet = true;
    return options;
}

// ------------------------------------------------------------ fixtures

TEST(ArchiveFixtures, EveryAmigaArchiveExtractsLikeLhasa) {
    const auto archives = FixtureArchives();
    ASSERT_GE(archives.size(), 30u);
    for (const auto& original : archives) {
        SCOPED_TRACE(original);
        if (original.find("h2_huge") != std::string::npos) {
            continue;  // a 4 GiB entry: see MetadataDateMatchesTheArchiveAndAHugeEntryIsRefused
        }
        TempDir temp;
        const std::string archive = temp / fs::path(original).filename().string();
        fs::copy_file(original, archive);
        fs::create_directories(temp / "ours");
        fs::create_directories(temp / "lhasa");
        std::ostringstream out;
        auto result = ExtractArchive(archive, temp / "ours", Quiet(), nullptr, out);
        ASSERT_TRUE(result.ok()) << result.error().message;
        ASSERT_EQ(Tool(temp / "lhasa", "lhasa", {"xq", archive}), 0);
        const auto ours = Snapshot(temp / "ours", true);
        EXPECT_FALSE(ours.empty());
        EXPECT_EQ(ours, Snapshot(temp / "lhasa", true));
        EXPECT_EQ(result->files, static_cast<uint64_t>(std::count_if(
                                     ours.begin(), ours.end(),
                                     [](const auto& item) { return item.second[0] == 'f'; })));
        auto tested = TestArchive(archive, Quiet(), out);
        ASSERT_TRUE(tested.ok()) << tested.error().message;
        EXPECT_GE(tested->files, 1u);
    }
}

TEST(ArchiveFixtures, MetadataDateMatchesTheArchiveAndAHugeEntryIsRefused) {
    // h2_metadata.lzh stores 1751502812 (2025-07-03 00:33:32 UTC); tests run with TZ=UTC.
    auto list = ListArchive(FixturesDir() + "/morphos_lha_2717/h2_metadata.lzh");
    ASSERT_TRUE(list.ok());
    ASSERT_EQ(list->size(), 1u);
    EXPECT_EQ(HostTimeFromDateStamp(*(*list)[0].metadata.date), 1751502812);
    std::ostringstream out;
    PrintArchiveListing(*list, out);
    EXPECT_NE(out.str().find("03-Jul-25 00:33:32 metadata.txt\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find(" : This is a comment on the file.\n"), std::string::npos);
    EXPECT_NE(out.str().find("1 file\n"), std::string::npos);

    TempDir temp;
    auto result = ExtractArchive(FixturesDir() + "/morphos_lha_2717/h2_huge.lzh", temp / "x",
                                 Quiet(), nullptr, out);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().kind, ArchiveError::Kind::Unsupported);
    EXPECT_NE(result.error().message.find("zero.bin"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(temp / "x"));
}

// ------------------------------------------------------------ writer

// Source tree for the writer tests, with data awkward for the encoder.
void MakeSourceTree(const std::string& root) {
    WriteFile(root + "/App/empty", "");
    WriteFile(root + "/App/one", "x");
    WriteFile(root + "/App/random.bin", RandomBytes(3 << 20, 1));
    WriteFile(root + "/App/text.txt", TextLike(5 << 20, 2));
    WriteFile(root + "/App/Docs/deep/nested/readme", TextLike(20000, 3));
    WriteFile(root + "/App/zeros", std::string(300000, '\0'));
    fs::create_directories(root + "/App/EmptyDrawer");
    WriteFile(root + "/App.info", RandomBytes(900, 4));
    WriteFile(root + "/App/Awkward/two bytes", "ab");
    WriteFile(root + "/App/Awkward/three equal bytes", "aaa");
    WriteFile(root + "/App/Awkward/70000 zero symbols", std::string(70000, '\0'));
    WriteFile(root + "/App/Awkward/one literal then matches", "q" + std::string(1000, 'q'));
    std::string sawtooth, longRuns;
    for (int i = 0; i < 200000; ++i) {
        sawtooth += static_cast<char>(i % 251);
    }
    for (int i = 0; i < 50; ++i) {
        longRuns += std::string(static_cast<size_t>(1000 + i * 37), static_cast<char>('a' + i % 3));
    }
    WriteFile(root + "/App/Awkward/sawtooth", sawtooth);
    WriteFile(root + "/App/Awkward/long runs", longRuns);
    const std::string farRepeat = RandomBytes(8190, 9);  // matches at the edge of the 8 KiB window
    WriteFile(root + "/App/Awkward/window edge", farRepeat + farRepeat + farRepeat);
    WriteFile(root + "/App/Awkward/text 600 KiB", TextLike(600 << 10, 5));
}

TEST(LhaWriter, LhasaReadsBackEveryFileByteExact) {
    TempDir temp;
    MakeSourceTree(temp / "src");
    auto inputs = CollectLhaInputs(temp / "src", {"App", "App.info"}, {true, true, {}}, nullptr,
                                   temp / "b.lha");
    ASSERT_TRUE(inputs.ok()) << inputs.error().message;
    auto written = CreateLhaArchive(temp / "b.lha", *inputs);
    ASSERT_TRUE(written.ok()) << written.error().message;
    EXPECT_LT(written->packedBytes, written->originalBytes);

    EXPECT_EQ(Tool(temp.path(), "lhasa", {"t", temp / "b.lha"}), 0);
    const std::string listing = test::RunProgram("/usr/bin/lhasa", {"l", temp / "b.lha"}).out;
    EXPECT_NE(listing.find("App/Docs/deep/nested/readme"), std::string::npos) << listing;
    EXPECT_NE(listing.find("App/EmptyDrawer/"), std::string::npos) << listing;
    const std::string verbose = test::RunProgram("/usr/bin/lhasa", {"v", temp / "b.lha"}).out;
    EXPECT_NE(verbose.find("[Amiga]"), std::string::npos);
    EXPECT_NE(verbose.find("-lh5-"), std::string::npos);
    EXPECT_NE(verbose.find("-lh0-"), std::string::npos);  // random data and empty files

    fs::create_directories(temp / "lhasa");
    ASSERT_EQ(Tool(temp / "lhasa", "lhasa", {"xq", temp / "b.lha"}), 0);
    EXPECT_EQ(Snapshot(temp / "lhasa", false), Snapshot(temp / "src", false));
}

TEST(LhaWriter, ProtectionCommentAndDateSurviveOurOwnRoundTrip) {
    TempDir temp;
    WriteFile(temp / "src/Tool", "binary");
    WriteFile(temp / "src/Sub/Script", "echo hi\n");
    const std::string longComment(79, 'c');
    const std::string longName(200, 'n');
    WriteFile(temp / ("src/" + longName), "long");
    DateStamp date{17000, 600, 100};  // 2024-07-18 10:00:02
    std::vector<LhaInput> inputs = {
        {temp / "src/Tool", "Tool", 0x0A, "Main program", date, false},
        {temp / "src/Sub", "Sub", 0x00, "A drawer", date, true},
        {temp / "src/Sub/Script", "Sub/Script", 0x40, "", date, false},
        {temp / ("src/" + longName), longName, 0x10, longComment, date, false},
    };
    auto written = CreateLhaArchive(temp / "m.lha", inputs);
    ASSERT_TRUE(written.ok()) << written.error().message;
    EXPECT_EQ(Tool(temp.path(), "lhasa", {"t", temp / "m.lha"}), 0);

    RecordingSink sink;
    std::ostringstream out;
    auto result = ExtractArchive(temp / "m.lha", temp / "x", Quiet(), &sink, out);
    ASSERT_TRUE(result.ok()) << result.error().message;
    for (const auto& input : inputs) {
        SCOPED_TRACE(input.archiveName.substr(0, 20));
        const auto& metadata = sink.applied[temp / ("x/" + input.archiveName)];
        EXPECT_EQ(metadata.protection, input.protection);
        EXPECT_EQ(metadata.comment, input.comment);
        ASSERT_TRUE(metadata.date.has_value());
        EXPECT_EQ(metadata.date->days, date.days);
        EXPECT_EQ(metadata.date->minute, date.minute);
        EXPECT_EQ(metadata.date->tick, 100);  // two-second steps of MS-DOS time
    }
    EXPECT_EQ(ReadFile(temp / ("x/" + longName)), "long");
}

TEST(LhaWriter, FailureLeavesTheOldArchiveAlone) {
    TempDir temp;
    WriteFile(temp / "a", "data");
    ASSERT_TRUE(CreateLhaArchive(temp / "x.lha", {{temp / "a", "a", 0, "", {}, false}}).ok());
    const std::string before = ReadFile(temp / "x.lha");
    auto failed = CreateLhaArchive(temp / "x.lha", {{temp / "missing", "m", 0, "", {}, false}});
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().kind, ArchiveError::Kind::NotFound);
    EXPECT_EQ(ReadFile(temp / "x.lha"), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 2);

    auto hostile = CreateLhaArchive(temp / "x.lha", {{temp / "a", "../a", 0, "", {}, false}});
    EXPECT_TRUE(hostile.ok());  // ".." is a plain name to LhA; extraction refuses it
    auto volume = CreateLhaArchive(temp / "y.lha", {{temp / "a", "SYS:a", 0, "", {}, false}});
    ASSERT_FALSE(volume.ok());
    EXPECT_EQ(volume.error().kind, ArchiveError::Kind::BadArguments);

    // A fresh archive replaces the old one instead of adding to it.
    LhaWriteOptions fresh;
    fresh.addToExisting = false;
    ASSERT_TRUE(
        CreateLhaArchive(temp / "x.lha", {{temp / "a", "new", 0, "", {}, false}}, fresh).ok());
    auto list = ListArchive(temp / "x.lha");
    ASSERT_TRUE(list.ok());
    ASSERT_EQ(list->size(), 1u);
    EXPECT_EQ((*list)[0].name, "new");
}

TEST(LhaWriter, CollectLeavesOutTheArchiveAndFollowsSwitches) {
    TempDir temp;
    WriteFile(temp / "App/f", "1");
    WriteFile(temp / "App/Sub/g", "2");
    fs::create_directories(temp / "App/Empty");
    WriteFile(temp / "App/backup.lha", "old");
    fs::create_symlink("/etc/passwd", temp / "App/link");
    struct Row {
        const char* name;
        CollectOptions options;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {"plain", {false, false, {}}, {"App/f"}},
        {"-r", {true, false, {}}, {"App/Sub/g", "App/f"}},
        {"-r -e", {true, true, {}}, {"App", "App/Empty", "App/Sub", "App/Sub/g", "App/f"}},
        {"host-only names left out",
         {true, false, [](const std::string& name) { return name == "f"; }},
         {"App/Sub/g"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto inputs =
            CollectLhaInputs(temp.path(), {"App"}, row.options, nullptr, temp / "App/backup.lha");
        ASSERT_TRUE(inputs.ok());
        std::vector<std::string> names;
        for (const auto& input : *inputs) {
            names.push_back(input.archiveName);
        }
        EXPECT_EQ(names, row.expected);
    }
    auto missing = CollectLhaInputs(temp.path(), {"Nothing"}, {}, nullptr);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().kind, ArchiveError::Kind::NotFound);
}

TEST(LhaHeader, Level1HeaderParsesBack) {
    const auto bytes =
        BuildLevel1Header({"-lh5-", "A/B", "file", "note", 0x4F, {}, 1234, 5678, 0xBEEF});
    auto parsed = ParseLhaHeader(bytes.data(), bytes.size());
    ASSERT_TRUE(parsed.ok()) << parsed.error().message;
    EXPECT_EQ(parsed->path, "A/B/file");
    EXPECT_EQ(parsed->comment, "note");
    EXPECT_EQ(parsed->attribute, 0x4F);
    EXPECT_EQ(parsed->osType, 'A');
    EXPECT_EQ(parsed->dataSize, 1234u);
    EXPECT_EQ(parsed->originalSize, 5678u);
    EXPECT_EQ(parsed->crc, 0xBEEF);
    EXPECT_EQ(parsed->headerLength, bytes.size());
    // Truncated or nonsense headers are refused, never read past the end.
    for (size_t cut = 1; cut < bytes.size(); ++cut) {
        auto partial = ParseLhaHeader(bytes.data(), cut);
        EXPECT_FALSE(partial.ok()) << cut;
    }
    EXPECT_EQ(UpdateCrc16(0, "123456789", 9), 0xBB3D);  // CRC-16/ARC check value
}

// ------------------------------------------------------------ zip and tar

TEST(OtherFormats, ZipAndTarExtractWithContentAndDates) {
    TempDir temp;
    WriteFile(temp / "src/Pkg/readme.txt", TextLike(40000, 6));
    WriteFile(temp / "src/Pkg/bin/tool", RandomBytes(5000, 7));
    WriteFile(temp / "src/Pkg/empty", "");
    fs::create_directories(temp / "src/Pkg/Empty");
    // Named ".lha": detection goes by content, each compressor's magic apart.
    const std::vector<std::string> made[] = {{"zip", "-qr"},
                                             {"bsdtar", "-cf"},
                                             {"bsdtar", "-czf"},
                                             {"bsdtar", "-cjf"},
                                             {"bsdtar", "-cJf"}};
    for (size_t i = 0; i < std::size(made); ++i) {
        SCOPED_TRACE(made[i][1]);
        const std::string archive = temp / ("archive" + std::to_string(i) + ".lha");
        ASSERT_EQ(Tool(temp / "src", made[i][0], {made[i][1], archive, "Pkg"}), 0);
        auto format = DetectArchiveFormat(archive);
        ASSERT_TRUE(format.ok());
        EXPECT_EQ(*format, i == 0 ? ArchiveFormat::Zip : ArchiveFormat::Tar);
        const std::string target = temp / ("out" + std::to_string(i));
        RecordingSink sink;
        std::ostringstream out;
        auto result = ExtractArchive(archive, target, Quiet(), &sink, out);
        ASSERT_TRUE(result.ok()) << result.error().message;
        EXPECT_EQ(Snapshot(target, false), Snapshot(temp / "src", false));
        EXPECT_EQ(result->files, 3u);
        const auto& metadata = sink.applied[target + "/Pkg/readme.txt"];
        EXPECT_FALSE(metadata.protection.has_value());
        ASSERT_TRUE(metadata.date.has_value());
        struct stat info {};
        ::stat((temp / "src/Pkg/readme.txt").c_str(), &info);
        EXPECT_LE(std::abs(HostTimeFromDateStamp(*metadata.date) - info.st_mtime), 2);
    }
    // A self-extracting LhA archive is found by its content too; a drawer is no archive.
    auto sfx = DetectArchiveFormat(FixturesDir() + "/lha_amiga_122/sfx.run");
    ASSERT_TRUE(sfx.ok());
    EXPECT_EQ(*sfx, ArchiveFormat::Lha);
    WriteFile(temp / "plain.zip", "This is not a zip file at all.");
    auto plain = DetectArchiveFormat(temp / "plain.zip");
    ASSERT_TRUE(plain.ok());
    EXPECT_EQ(*plain, ArchiveFormat::Unknown);
    EXPECT_FALSE(DetectArchiveFormat(temp.path()).ok());
}

// ------------------------------------------------------------ hostile archives

struct TarItem {
    std::string name, data;
    int type = AE_IFREG;
    std::string link{};
    bool hardlink = false;
};

void WriteLibarchive(const std::string& path, bool zip, const std::vector<TarItem>& items) {
    ::archive* a = archive_write_new();
    if (zip) {
        archive_write_set_format_zip(a);
    } else {
        archive_write_set_format_pax_restricted(a);
    }
    ASSERT_EQ(archive_write_open_filename(a, path.c_str()), ARCHIVE_OK);
    for (const auto& item : items) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, item.name.c_str());
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_mtime(entry, 1000000000, 0);
        if (item.hardlink) {
            archive_entry_set_hardlink(entry, item.link.c_str());
        } else {
            archive_entry_set_filetype(entry, static_cast<unsigned>(item.type));
            if (item.type == AE_IFLNK) {
                archive_entry_set_symlink(entry, item.link.c_str());
            }
        }
        archive_entry_set_size(entry, static_cast<la_int64_t>(item.data.size()));
        archive_write_header(a, entry);
        if (!item.data.empty()) {
            archive_write_data(a, item.data.data(), item.data.size());
        }
        archive_entry_free(entry);
    }
    archive_write_close(a);
    archive_write_free(a);
}

// An LhA archive with one stored file under any name, written byte by byte.
void WriteRawLha(const std::string& path, const std::string& directory, const std::string& name,
                 const std::string& data) {
    const auto size = static_cast<uint32_t>(data.size());
    const auto crc = UpdateCrc16(0, data.data(), data.size());
    const auto header = BuildLevel1Header({"-lh0-", directory, name, "", 0, {}, size, size, crc});
    std::string bytes(header.begin(), header.end());
    bytes += data;
    bytes += '\0';
    WriteFile(path, bytes);
}

TEST(HostileArchives, NothingLandsOutsideTheTarget) {
    TempDir temp;
    struct Row {
        const char* name;
        std::function<void(const std::string&)> make;
    };
    using Maker = std::function<void(const std::string&)>;
    const auto tar = [](TarItem item) -> Maker {
        return [item](const std::string& p) { WriteLibarchive(p, false, {item}); };
    };
    const auto zip = [](TarItem item) -> Maker {
        return [item](const std::string& p) { WriteLibarchive(p, true, {item}); };
    };
    const auto lha = [](std::string directory, std::string name) -> Maker {
        return [=](const std::string& p) { WriteRawLha(p, directory, name, "x"); };
    };
    const std::vector<Row> rows = {
        {"tar dot-dot", tar({"../evil", "x"})},
        {"tar nested dot-dot", tar({"a/b/../../../evil", "x"})},
        {"tar absolute", tar({"/tmp/evil", "x"})},
        {"zip dot-dot", zip({"../evil", "x"})},
        {"zip volume", zip({"SYS:evil", "x"})},
        {"zip drive letter", zip({"C:evil", "x"})},
        {"tar symlink out", tar({"link", "", AE_IFLNK, "../../outside"})},
        {"tar absolute symlink", tar({"link", "", AE_IFLNK, "/etc"})},
        {"tar hardlink out", tar({"hard", "", AE_IFREG, "../victim", true})},
        {"lha dot-dot drawer", lha("..", "evil")},
        {"lha volume", lha("", "SYS:evil")},
        {"lha absolute", lha("", "/tmp/evil")},
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].name);
        const std::string base = temp / std::to_string(i);
        fs::create_directories(base);
        WriteFile(base + "/victim", "precious");
        rows[i].make(base + "/archive");
        const std::string target = base + "/deep/target";
        fs::create_directories(target);
        std::ostringstream out;
        auto result = ExtractArchive(base + "/archive", target, Quiet(), nullptr, out);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error().kind, ArchiveError::Kind::UnsafeEntry) << result.error().message;
        EXPECT_NE(result.error().message.find("Refusing"), std::string::npos);
        EXPECT_EQ(result.error().returnCode(), 20);
        EXPECT_TRUE(fs::is_empty(target));
        EXPECT_FALSE(fs::exists(base + "/deep/evil"));
        EXPECT_FALSE(fs::exists(base + "/evil"));
        EXPECT_EQ(ReadFile(base + "/victim"), "precious");
    }
    EXPECT_FALSE(fs::exists("/tmp/evil"));
}

TEST(HostileArchives, LinksInsideAreKeptAndNeverFollowed) {
    TempDir temp;
    // A link inside the target is fine; writing through it is not.
    WriteLibarchive(temp / "ok.tar", false,
                    {{"data/file", "content"},
                     {"data/alias", "", AE_IFLNK, "file"},
                     {"data/hard", "", AE_IFREG, "data/file", true}});
    std::ostringstream out;
    auto ok = ExtractArchive(temp / "ok.tar", temp / "x", Quiet(), nullptr, out);
    ASSERT_TRUE(ok.ok()) << ok.error().message;
    EXPECT_EQ(ok->links, 2u);
    EXPECT_EQ(fs::read_symlink(temp / "x/data/alias"), "file");
    EXPECT_EQ(ReadFile(temp / "x/data/hard"), "content");

    // A link already in the target drawer that points out is not followed.
    fs::create_directories(temp / "outside");
    fs::create_directories(temp / "y");
    fs::create_directory_symlink(temp / "outside", temp / "y/sneaky");
    WriteLibarchive(temp / "through.tar", false, {{"sneaky/file", "x"}});
    auto through = ExtractArchive(temp / "through.tar", temp / "y", Quiet(), nullptr, out);
    ASSERT_FALSE(through.ok());
    EXPECT_EQ(through.error().kind, ArchiveError::Kind::Exists);
    EXPECT_TRUE(fs::is_empty(temp / "outside"));

    // Replacing a file that is a link replaces the link, not what it points to.
    WriteFile(temp / "outside/victim", "precious");
    fs::create_symlink(temp / "outside/victim", temp / "y/file");
    WriteLibarchive(temp / "replace.tar", false, {{"file", "new"}});
    auto replaced = ExtractArchive(temp / "replace.tar", temp / "y", Quiet(), nullptr, out);
    ASSERT_TRUE(replaced.ok()) << replaced.error().message;
    EXPECT_EQ(ReadFile(temp / "outside/victim"), "precious");
    EXPECT_FALSE(fs::is_symlink(temp / "y/file"));
    EXPECT_EQ(ReadFile(temp / "y/file"), "new");
}

// The target drawer below a volume's folder is opened relative to that
// folder: a drawer on the way swapped for a link to outside (the moment a
// racing rename wins) stops the extraction instead of writing there.
TEST(HostileArchives, TargetBelowAVolumeIsNeverReachedThroughALinkOut) {
    TempDir temp;
    fs::create_directories(temp / "volume");
    fs::create_directories(temp / "outside");
    WriteLibarchive(temp / "a.tar", false, {{"App/file", "x"}});
    ExtractOptions options = Quiet();
    options.containingRoot = temp / "volume";
    struct Row {
        const char* name;
        std::string linkText;  // what volume/dd is: a link with this text
        bool extracts;
    };
    const Row rows[] = {
        {"link out of the volume", temp / "outside", false},
        {"link up and out", "../outside", false},
        {"link inside the volume", "real", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(temp / "volume");
        fs::create_directories(temp / "volume/real");
        fs::create_directory_symlink(row.linkText, temp / "volume/dd");
        std::ostringstream out;
        auto result = ExtractArchive(temp / "a.tar", temp / "volume/dd/sub", options, nullptr, out);
        EXPECT_EQ(result.ok(), row.extracts) << (result ? "" : result.error().message);
        EXPECT_TRUE(fs::is_empty(temp / "outside"));
        EXPECT_EQ(fs::exists(temp / "volume/real/sub/App/file"), row.extracts);
    }
}

TEST(HostileArchives, LimitsStopArchivesThatUnpackTooMuch) {
    TempDir temp;
    WriteLibarchive(temp / "bomb.zip", true, {{"a", std::string(1 << 20, '\0')}, {"b", "x"}});
    ExtractOptions small = Quiet();
    small.maxTotalBytes = 100000;
    std::ostringstream out;
    auto result = ExtractArchive(temp / "bomb.zip", temp / "x", small, nullptr, out);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().kind, ArchiveError::Kind::LimitExceeded);
    EXPECT_TRUE(fs::is_empty(temp / "x"));

    // The same check holds when the header lies about the size.
    WriteFile(temp / "zeros", std::string(1 << 20, '\0'));
    ASSERT_TRUE(
        CreateLhaArchive(temp / "bomb.lha", {{temp / "zeros", "zeros", 0, "", {}, false}}).ok());
    auto lha = ExtractArchive(temp / "bomb.lha", temp / "y", small, nullptr, out);
    ASSERT_FALSE(lha.ok());
    EXPECT_EQ(lha.error().kind, ArchiveError::Kind::LimitExceeded);
    EXPECT_TRUE(fs::is_empty(temp / "y"));

    WriteLibarchive(temp / "many.tar", false, {{"1", "a"}, {"2", "b"}, {"3", "c"}});
    ExtractOptions few = Quiet();
    few.maxEntries = 2;
    auto many = ExtractArchive(temp / "many.tar", temp / "z", few, nullptr, out);
    ASSERT_FALSE(many.ok());
    EXPECT_EQ(many.error().kind, ArchiveError::Kind::LimitExceeded);
}

TEST(HostileArchives, DamagedDataIsReportedAndNotLeftBehind) {
    TempDir temp;
    WriteFile(temp / "text", TextLike(100000, 8));
    ASSERT_TRUE(CreateLhaArchive(temp / "a.lha", {{temp / "text", "text", 0, "", {}, false}}).ok());
    std::string bytes = ReadFile(temp / "a.lha");
    bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x55);
    WriteFile(temp / "broken.lha", bytes);
    std::ostringstream out;
    auto result = ExtractArchive(temp / "broken.lha", temp / "x", Quiet(), nullptr, out);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().kind, ArchiveError::Kind::Corrupt);
    EXPECT_TRUE(fs::is_empty(temp / "x"));
    auto tested = TestArchive(temp / "broken.lha", Quiet(), out);
    EXPECT_FALSE(tested.ok());

    struct Row {
        const char* name;
        std::string bytes;
        ArchiveError::Kind kind;
    };
    const Row rows[] = {
        {"empty file", "", ArchiveError::Kind::UnknownFormat},
        {"truncated lha", bytes.substr(0, 30), ArchiveError::Kind::Corrupt},
        {"truncated zip", "PK\x03\x04garbage", ArchiveError::Kind::Corrupt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WriteFile(temp / "bad", row.bytes);
        auto bad = ExtractArchive(temp / "bad", temp / "y", Quiet(), nullptr, out);
        ASSERT_FALSE(bad.ok());
        EXPECT_EQ(bad.error().kind, row.kind) << bad.error().message;
        EXPECT_FALSE(bad.error().message.empty());
    }
    auto missing = ExtractArchive(temp / "missing.lha", temp / "y", Quiet(), nullptr, out);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().kind, ArchiveError::Kind::NotFound);
}

// ------------------------------------------------------------ modes

TEST(ExtractModes, OverwriteFlatAndSelection) {
    TempDir temp;
    WriteFile(temp / "src/a", "new a");
    WriteFile(temp / "src/Sub/b", "new b");
    auto inputs = CollectLhaInputs(temp / "src", {"a", "Sub"}, {true, false, {}}, nullptr);
    ASSERT_TRUE(inputs.ok());
    ASSERT_TRUE(CreateLhaArchive(temp / "m.lha", *inputs).ok());

    struct Row {
        const char* name;
        OverwriteMode mode;
        bool ok;
        const char* content;
    };
    const Row rows[] = {
        {"replace", OverwriteMode::Replace, true, "new a"},
        {"skip", OverwriteMode::Skip, true, "old a"},
        {"fail", OverwriteMode::Fail, false, "old a"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir target;
        WriteFile(target / "a", "old a");
        ExtractOptions options = Quiet();
        options.overwrite = row.mode;
        std::ostringstream out;
        auto result = ExtractArchive(temp / "m.lha", target.path(), options, nullptr, out);
        EXPECT_EQ(result.ok(), row.ok);
        if (!row.ok) {
            EXPECT_EQ(result.error().kind, ArchiveError::Kind::Exists);
        }
        EXPECT_EQ(ReadFile(target / "a"), row.content);
        // No temporary file is left behind.
        for (const auto& item : fs::recursive_directory_iterator(target.path())) {
            EXPECT_EQ(item.path().filename().string().rfind(".~", 0), std::string::npos);
        }
    }

    ExtractOptions flat = Quiet();
    flat.flat = true;
    std::ostringstream out;
    ASSERT_TRUE(ExtractArchive(temp / "m.lha", temp / "flat", flat, nullptr, out).ok());
    EXPECT_EQ(Snapshot(temp / "flat", false),
              (std::map<std::string, std::string>{{"a", "file:new a"}, {"b", "file:new b"}}));

    ExtractOptions some = Quiet();
    some.quiet = false;
    some.select = [](const std::string& name) { return name == "Sub/b"; };
    std::ostringstream listing;
    auto selected = ExtractArchive(temp / "m.lha", temp / "some", some, nullptr, listing);
    ASSERT_TRUE(selected.ok());
    EXPECT_EQ(selected->skipped, 1u);
    EXPECT_EQ(Snapshot(temp / "some", false),
              (std::map<std::string, std::string>{{"Sub", "drawer"}, {"Sub/b", "file:new b"}}));
    EXPECT_EQ(listing.str(), " Extracting: Sub/b\n");
}

}  // namespace
}  // namespace stovan::archive
