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
using Tree = std::map<std::string, std::string>;
Tree Snapshot(const std::string& root, bool withTimes) {
    Tree tree;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const std::string relative = fs::relative(it->path(), root).string();
        const auto status = it->symlink_status();
        if (fs::is_symlink(status)) {
            tree[relative] = "link:" + fs::read_symlink(it->path()).string();
        } else if (fs::is_directory(status)) {
            tree[relative] = "drawer";
        } else {
            struct stat info {};
            ::stat(it->path().c_str(), &info);
            tree[relative] = "file:" + ReadFile(it->path().string()) +
                             (withTimes ? "@" + std::to_string(info.st_mtime) : "");
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
    // Each set of archives is a drawer of its own, with a read-me beside them.
    std::vector<std::string> archives;
    for (auto it = fs::recursive_directory_iterator(FixturesDir());
         it != fs::recursive_directory_iterator(); ++it) {
        if (it.depth() == 1 && it->path().filename().string().rfind("README", 0) != 0) {
            archives.push_back(it->path().string());
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

// Extracts with the listing thrown away.
Expected<ExtractSummary, ArchiveError> Extract(const std::string& archive,
                                               const std::string& target,
                                               const ExtractOptions& options = Quiet(),
                                               MetadataSink* sink = nullptr) {
    std::ostringstream out;
    return ExtractArchive(archive, target, options, sink, out);
}

// The kind of a failure, nothing when the call succeeded.
template <typename T>
std::optional<ArchiveError::Kind> Failure(const Expected<T, ArchiveError>& result) {
    return result ? std::nullopt : std::optional(result.error().kind);
}

// One file under a name, with no Amiga metadata.
std::vector<LhaInput> One(const std::string& hostPath, const std::string& name) {
    return {{hostPath, name, 0, "", {}, false}};
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
        auto result = Extract(archive, temp / "ours");
        ASSERT_TRUE(result.ok()) << result.error().message;
        ASSERT_EQ(Tool(temp / "lhasa", "lhasa", {"xq", archive}), 0);
        const auto ours = Snapshot(temp / "ours", true);
        EXPECT_FALSE(ours.empty());
        EXPECT_EQ(ours, Snapshot(temp / "lhasa", true));
        EXPECT_EQ(result->files, static_cast<uint64_t>(std::count_if(
                                     ours.begin(), ours.end(),
                                     [](const auto& item) { return item.second[0] == 'f'; })));
        std::ostringstream out;
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
    auto result = Extract(FixturesDir() + "/morphos_lha_2717/h2_huge.lzh", temp / "x");
    ASSERT_EQ(Failure(result), ArchiveError::Kind::Unsupported);
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
    auto result = Extract(temp / "m.lha", temp / "x", Quiet(), &sink);
    ASSERT_TRUE(result.ok()) << result.error().message;
    for (const auto& input : inputs) {
        SCOPED_TRACE(input.archiveName.substr(0, 20));
        const auto& metadata = sink.applied[temp / ("x/" + input.archiveName)];
        EXPECT_EQ(metadata.protection, input.protection);
        EXPECT_EQ(metadata.comment, input.comment);
        ASSERT_TRUE(metadata.date.has_value());
        // The tick keeps the two-second steps of MS-DOS time.
        EXPECT_EQ(std::tuple(metadata.date->days, metadata.date->minute, metadata.date->tick),
                  std::tuple(date.days, date.minute, 100));
    }
    EXPECT_EQ(ReadFile(temp / ("x/" + longName)), "long");
}

TEST(LhaWriter, FailureLeavesTheOldArchiveAlone) {
    TempDir temp;
    WriteFile(temp / "a", "data");
    ASSERT_TRUE(CreateLhaArchive(temp / "x.lha", One(temp / "a", "a")).ok());
    const std::string before = ReadFile(temp / "x.lha");
    EXPECT_EQ(Failure(CreateLhaArchive(temp / "x.lha", One(temp / "missing", "m"))),
              ArchiveError::Kind::NotFound);
    EXPECT_EQ(ReadFile(temp / "x.lha"), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 2);

    // ".." is a plain name to LhA; extraction refuses it.
    EXPECT_TRUE(CreateLhaArchive(temp / "x.lha", One(temp / "a", "../a")).ok());
    EXPECT_EQ(Failure(CreateLhaArchive(temp / "y.lha", One(temp / "a", "SYS:a"))),
              ArchiveError::Kind::BadArguments);

    // A fresh archive replaces the old one instead of adding to it.
    LhaWriteOptions fresh;
    fresh.addToExisting = false;
    ASSERT_TRUE(CreateLhaArchive(temp / "x.lha", One(temp / "a", "new"), fresh).ok());
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
    const std::tuple<const char*, CollectOptions, std::vector<std::string>> rows[] = {
        {"plain", {false, false, {}}, {"App/f"}},
        {"-r", {true, false, {}}, {"App/Sub/g", "App/f"}},
        {"-r -e", {true, true, {}}, {"App", "App/Empty", "App/Sub", "App/Sub/g", "App/f"}},
        {"host-only names left out",
         {true, false, [](const std::string& name) { return name == "f"; }},
         {"App/Sub/g"}},
    };
    for (const auto& [name, options, expected] : rows) {
        SCOPED_TRACE(name);
        auto inputs =
            CollectLhaInputs(temp.path(), {"App"}, options, nullptr, temp / "App/backup.lha");
        ASSERT_TRUE(inputs.ok());
        std::vector<std::string> names;
        for (const auto& input : *inputs) {
            names.push_back(input.archiveName);
        }
        EXPECT_EQ(names, expected);
    }
    EXPECT_EQ(Failure(CollectLhaInputs(temp.path(), {"Nothing"}, {}, nullptr)),
              ArchiveError::Kind::NotFound);
}

TEST(LhaHeader, Level1HeaderParsesBack) {
    const auto bytes =
        BuildLevel1Header({"-lh5-", "A/B", "file", "note", 0x4F, {}, 1234, 5678, 0xBEEF});
    auto parsed = ParseLhaHeader(bytes.data(), bytes.size());
    ASSERT_TRUE(parsed.ok()) << parsed.error().message;
    EXPECT_EQ(std::tuple(parsed->path, parsed->comment, parsed->attribute, parsed->osType),
              std::tuple("A/B/file", "note", 0x4F, 'A'));
    EXPECT_EQ(std::tuple(parsed->dataSize, parsed->originalSize, parsed->crc, parsed->headerLength),
              std::tuple(1234u, 5678u, 0xBEEF, bytes.size()));
    // Truncated or nonsense headers are refused, never read past the end.
    for (size_t cut = 1; cut < bytes.size(); ++cut) {
        EXPECT_FALSE(ParseLhaHeader(bytes.data(), cut).ok()) << cut;
    }
    EXPECT_EQ(UpdateCrc16(0, "123456789", 9), 0xBB3D);  // CRC-16/ARC check value
}

// ------------------------------------------------------------ zip and tar

// The detected format, nothing when detection fails.
std::optional<ArchiveFormat> Format(const std::string& path) {
    auto format = DetectArchiveFormat(path);
    return format ? std::optional(*format) : std::nullopt;
}

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
        EXPECT_EQ(Format(archive), i == 0 ? ArchiveFormat::Zip : ArchiveFormat::Tar);
        const std::string target = temp / ("out" + std::to_string(i));
        RecordingSink sink;
        auto result = Extract(archive, target, Quiet(), &sink);
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
    EXPECT_EQ(Format(FixturesDir() + "/lha_amiga_122/sfx.run"), ArchiveFormat::Lha);
    WriteFile(temp / "plain.zip", "This is not a zip file at all.");
    EXPECT_EQ(Format(temp / "plain.zip"), ArchiveFormat::Unknown);
    EXPECT_EQ(Format(temp.path()), std::nullopt);
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
    (zip ? archive_write_set_format_zip : archive_write_set_format_pax_restricted)(a);
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
    using Maker = std::function<void(const std::string&)>;
    const auto libarchive = [](bool zip, TarItem item) -> Maker {
        return [=](const std::string& p) { WriteLibarchive(p, zip, {item}); };
    };
    const auto tar = [&](TarItem item) { return libarchive(false, item); };
    const auto zip = [&](TarItem item) { return libarchive(true, item); };
    const auto lha = [](std::string directory, std::string name) -> Maker {
        return [=](const std::string& p) { WriteRawLha(p, directory, name, "x"); };
    };
    const std::vector<std::pair<const char*, Maker>> rows = {
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
        SCOPED_TRACE(rows[i].first);
        const std::string base = temp / std::to_string(i);
        WriteFile(base + "/victim", "precious");
        rows[i].second(base + "/archive");
        const std::string target = base + "/deep/target";
        fs::create_directories(target);
        auto result = Extract(base + "/archive", target);
        ASSERT_EQ(Failure(result), ArchiveError::Kind::UnsafeEntry);
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
    auto ok = Extract(temp / "ok.tar", temp / "x");
    ASSERT_TRUE(ok.ok()) << ok.error().message;
    EXPECT_EQ(ok->links, 2u);
    EXPECT_EQ(fs::read_symlink(temp / "x/data/alias"), "file");
    EXPECT_EQ(ReadFile(temp / "x/data/hard"), "content");

    // A link already in the target drawer that points out is not followed.
    fs::create_directories(temp / "outside");
    fs::create_directories(temp / "y");
    fs::create_directory_symlink(temp / "outside", temp / "y/sneaky");
    WriteLibarchive(temp / "through.tar", false, {{"sneaky/file", "x"}});
    EXPECT_EQ(Failure(Extract(temp / "through.tar", temp / "y")), ArchiveError::Kind::Exists);
    EXPECT_TRUE(fs::is_empty(temp / "outside"));

    // Replacing a file that is a link replaces the link, not what it points to.
    WriteFile(temp / "outside/victim", "precious");
    fs::create_symlink(temp / "outside/victim", temp / "y/file");
    WriteLibarchive(temp / "replace.tar", false, {{"file", "new"}});
    auto replaced = Extract(temp / "replace.tar", temp / "y");
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
    fs::create_directories(temp / "outside");
    WriteLibarchive(temp / "a.tar", false, {{"App/file", "x"}});
    ExtractOptions options = Quiet();
    options.containingRoot = temp / "volume";
    // Each row: what volume/dd is (a link with this text), and whether extraction goes on.
    const std::tuple<const char*, std::string, bool> rows[] = {
        {"link out of the volume", temp / "outside", false},
        {"link up and out", "../outside", false},
        {"link inside the volume", "real", true},
    };
    for (const auto& [name, linkText, extracts] : rows) {
        SCOPED_TRACE(name);
        fs::remove_all(temp / "volume");
        fs::create_directories(temp / "volume/real");
        fs::create_directory_symlink(linkText, temp / "volume/dd");
        auto result = Extract(temp / "a.tar", temp / "volume/dd/sub", options);
        EXPECT_EQ(result.ok(), extracts) << (result ? "" : result.error().message);
        EXPECT_TRUE(fs::is_empty(temp / "outside"));
        EXPECT_EQ(fs::exists(temp / "volume/real/sub/App/file"), extracts);
    }
}

TEST(HostileArchives, LimitsStopArchivesThatUnpackTooMuch) {
    TempDir temp;
    WriteLibarchive(temp / "bomb.zip", true, {{"a", std::string(1 << 20, '\0')}, {"b", "x"}});
    // The same check holds for LhA, whose header may lie about the size.
    WriteFile(temp / "zeros", std::string(1 << 20, '\0'));
    ASSERT_TRUE(CreateLhaArchive(temp / "bomb.lha", One(temp / "zeros", "zeros")).ok());
    ExtractOptions small = Quiet();
    small.maxTotalBytes = 100000;
    for (const std::string bomb : {"bomb.zip", "bomb.lha"}) {
        SCOPED_TRACE(bomb);
        EXPECT_EQ(Failure(Extract(temp / bomb, temp / (bomb + "-x"), small)),
                  ArchiveError::Kind::LimitExceeded);
        EXPECT_TRUE(fs::is_empty(temp / (bomb + "-x")));
    }

    WriteLibarchive(temp / "many.tar", false, {{"1", "a"}, {"2", "b"}, {"3", "c"}});
    ExtractOptions few = Quiet();
    few.maxEntries = 2;
    EXPECT_EQ(Failure(Extract(temp / "many.tar", temp / "z", few)),
              ArchiveError::Kind::LimitExceeded);
}

TEST(HostileArchives, DamagedDataIsReportedAndNotLeftBehind) {
    TempDir temp;
    WriteFile(temp / "text", TextLike(100000, 8));
    ASSERT_TRUE(CreateLhaArchive(temp / "a.lha", One(temp / "text", "text")).ok());
    std::string bytes = ReadFile(temp / "a.lha");
    bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x55);
    WriteFile(temp / "broken.lha", bytes);
    EXPECT_EQ(Failure(Extract(temp / "broken.lha", temp / "x")), ArchiveError::Kind::Corrupt);
    EXPECT_TRUE(fs::is_empty(temp / "x"));
    std::ostringstream out;
    EXPECT_FALSE(TestArchive(temp / "broken.lha", Quiet(), out).ok());

    const std::tuple<const char*, std::string, ArchiveError::Kind> rows[] = {
        {"empty file", "", ArchiveError::Kind::UnknownFormat},
        {"truncated lha", bytes.substr(0, 30), ArchiveError::Kind::Corrupt},
        {"truncated zip", "PK\x03\x04garbage", ArchiveError::Kind::Corrupt},
    };
    for (const auto& [name, badBytes, kind] : rows) {
        SCOPED_TRACE(name);
        WriteFile(temp / "bad", badBytes);
        auto bad = Extract(temp / "bad", temp / "y");
        ASSERT_EQ(Failure(bad), kind);
        EXPECT_FALSE(bad.error().message.empty());
    }
    EXPECT_EQ(Failure(Extract(temp / "missing.lha", temp / "y")), ArchiveError::Kind::NotFound);
}

// ------------------------------------------------------------ modes

TEST(ExtractModes, OverwriteFlatAndSelection) {
    TempDir temp;
    WriteFile(temp / "src/a", "new a");
    WriteFile(temp / "src/Sub/b", "new b");
    auto inputs = CollectLhaInputs(temp / "src", {"a", "Sub"}, {true, false, {}}, nullptr);
    ASSERT_TRUE(inputs.ok());
    ASSERT_TRUE(CreateLhaArchive(temp / "m.lha", *inputs).ok());

    // Each row: the mode, how extraction fails, what the existing file then holds.
    const std::tuple<const char*, OverwriteMode, std::optional<ArchiveError::Kind>, const char*>
        rows[] = {
            {"replace", OverwriteMode::Replace, std::nullopt, "new a"},
            {"skip", OverwriteMode::Skip, std::nullopt, "old a"},
            {"fail", OverwriteMode::Fail, ArchiveError::Kind::Exists, "old a"},
        };
    for (const auto& [name, mode, failure, content] : rows) {
        SCOPED_TRACE(name);
        TempDir target;
        WriteFile(target / "a", "old a");
        ExtractOptions options = Quiet();
        options.overwrite = mode;
        EXPECT_EQ(Failure(Extract(temp / "m.lha", target.path(), options)), failure);
        EXPECT_EQ(ReadFile(target / "a"), content);
        // No temporary file is left behind.
        for (const auto& item : fs::recursive_directory_iterator(target.path())) {
            EXPECT_EQ(item.path().filename().string().rfind(".~", 0), std::string::npos);
        }
    }

    ExtractOptions flat = Quiet();
    flat.flat = true;
    ASSERT_TRUE(Extract(temp / "m.lha", temp / "flat", flat).ok());
    EXPECT_EQ(Snapshot(temp / "flat", false), (Tree{{"a", "file:new a"}, {"b", "file:new b"}}));

    ExtractOptions some;
    some.select = [](const std::string& name) { return name == "Sub/b"; };
    std::ostringstream listing;
    auto selected = ExtractArchive(temp / "m.lha", temp / "some", some, nullptr, listing);
    ASSERT_TRUE(selected.ok());
    EXPECT_EQ(selected->skipped, 1u);
    EXPECT_EQ(Snapshot(temp / "some", false), (Tree{{"Sub", "drawer"}, {"Sub/b", "file:new b"}}));
    EXPECT_EQ(listing.str(), " Extracting: Sub/b\n");
}

}  // namespace
}  // namespace stovan::archive
