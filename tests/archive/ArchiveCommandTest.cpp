#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "archive/ArchiveCommand.h"
#include "tests/support/TempFolder.h"

namespace stovan::archive {
namespace {

namespace fs = std::filesystem;

// A parsed command line as one text: the action's command letter, the
// archive, "to" the destination, "in" the base drawer, the files, switches.
std::string Describe(const ArchiveCommandLine& line) {
    std::string text = std::string("xElta").substr(static_cast<int>(line.action), 1) + " " +
                       line.archive + " to " + line.destination + " in " + line.baseDrawer + " [";
    for (const std::string& file : line.files) {
        text += file + ";";
    }
    return text + "]" + (line.recursive ? " -r" : "") + (line.emptyDrawers ? " -e" : "") +
           (line.quiet ? " -q" : "");
}

TEST(ArchiveCommand, LhaCommandLinesOfTheScripts) {
    struct Row {
        const char* name;
        std::vector<std::string> arguments;
        std::string parsed;
    };
    const Row rows[] = {
        {"extract to temp",
         {"x", "Dl:Foo.lha", "T:StovanTemp1234ABCD/"},
         "x Dl:Foo.lha to T:StovanTemp1234ABCD/ in  []"},
        {"backup",
         {"a", "-re", "B:Foo_v1.2.lha", "Foo", "Foo.info"},
         "a B:Foo_v1.2.lha to  in  [Foo;Foo.info;] -r -e"},
        {"switch first", {"-r", "a", "arc", "Work:", "Foo"}, "a arc to  in Work: [Foo;] -r"},
        {"flat with pattern", {"E", "arc", "#?.info", "RAM:"}, "E arc to RAM: in  [#?.info;]"},
        {"list", {"l", "arc"}, "l arc to  in  []"},
        {"verbose list", {"v", "arc"}, "l arc to  in  []"},
        {"test", {"-q", "t", "arc"}, "t arc to  in  [] -q"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto parsed = ParseLhaCommandLine(row.arguments);
        ASSERT_TRUE(parsed.ok()) << parsed.error().message;
        EXPECT_EQ(Describe(*parsed), row.parsed);
    }
    for (const auto& bad : std::vector<std::vector<std::string>>{
             {}, {"x"}, {"-r"}, {"z", "arc"}, {"a", "arc"}, {"a", "arc", "RAM:"}}) {
        auto parsed = ParseLhaCommandLine(bad);
        ASSERT_FALSE(parsed.ok());
        EXPECT_EQ(parsed.error().kind, ArchiveError::Kind::BadArguments);
    }
    auto unzip = ParseUnZipCommandLine({"-o", "Dl:Foo.zip", "-d", "RAM:x"});
    ASSERT_TRUE(unzip.ok());
    EXPECT_EQ(unzip->archive, "Dl:Foo.zip");
    EXPECT_EQ(unzip->destination, "RAM:x");
    EXPECT_EQ(unzip->overwrite, OverwriteMode::Replace);
    EXPECT_FALSE(ParseUnZipCommandLine({"-d"}).ok());
    EXPECT_FALSE(ParseUnZipCommandLine({"-q"}).ok());
}

using test::ReadHostFile;
using test::WriteHostFile;

struct Sidecars final : MetadataSink, MetadataSource {
    std::map<std::string, ArchiveMetadata> stored;
    void apply(const std::string& hostPath, const ArchiveMetadata& metadata) override {
        stored[fs::path(hostPath).filename().string()] = metadata;
    }
    std::optional<ArchiveMetadata> read(const std::string& hostPath) override {
        auto it = stored.find(fs::path(hostPath).filename().string());
        if (it == stored.end()) {
            return std::nullopt;
        }
        return it->second;
    }
};

// The backup template: archive the installed drawer and its icon, then add
// the drawer again from the temporary drawer with the restore script in it.
TEST(ArchiveCommand, BackupScriptRoundTrip) {
    test::TempFolder folder;
    const fs::path root = folder.path();
    WriteHostFile(root / "Apps/Foo/Foo", "program");
    WriteHostFile(root / "Apps/Foo/Docs/Foo.guide", "guide");
    fs::create_directories(root / "Apps/Foo/Empty");
    WriteHostFile(root / "Apps/Foo.info", "icon");
    WriteHostFile(root / "Temp/Foo/StovanRestore", "restore script");
    WriteHostFile(root / "Temp/Foo/StovanRestoreData/ENVARC/foo.prefs", "prefs");

    Sidecars sidecars;
    sidecars.stored["StovanRestore"] = ArchiveMetadata{0x40, "", std::nullopt};
    sidecars.stored["Foo"] = ArchiveMetadata{0x02, "The program", std::nullopt};
    std::ostringstream out;
    std::ostringstream err;
    fs::path current;
    ArchiveCommandContext context;
    context.toHostPath = [&current, &root](const std::string& amiga) {
        if (amiga.rfind("B:", 0) == 0) {
            return (root / "Backups" / amiga.substr(2)).string();
        }
        return (current / amiga).string();
    };
    context.sink = &sidecars;
    context.source = &sidecars;
    context.out = &out;
    context.err = &err;
    fs::create_directories(root / "Backups");

    current = root / "Apps";
    auto first = ParseLhaCommandLine({"a", "-re", "B:Foo_v1.2.lha", "Foo", "Foo.info"});
    ASSERT_TRUE(first.ok());
    ASSERT_EQ(RunArchiveCommand(*first, context), 0) << err.str();
    current = root / "Temp";
    auto second = ParseLhaCommandLine({"a", "-re", "B:Foo_v1.2.lha", "Foo"});
    ASSERT_TRUE(second.ok());
    ASSERT_EQ(RunArchiveCommand(*second, context), 0) << err.str();

    // Restore: everything of both runs, metadata included.
    sidecars.stored.clear();
    current = root;
    auto restore = ParseLhaCommandLine({"x", "B:Foo_v1.2.lha", "Restored/"});
    ASSERT_TRUE(restore.ok());
    ASSERT_EQ(RunArchiveCommand(*restore, context), 0) << err.str();
    EXPECT_EQ(ReadHostFile(root / "Restored/Foo/Foo"), "program");
    EXPECT_EQ(ReadHostFile(root / "Restored/Foo/Docs/Foo.guide"), "guide");
    EXPECT_TRUE(fs::is_directory(root / "Restored/Foo/Empty"));
    EXPECT_EQ(ReadHostFile(root / "Restored/Foo.info"), "icon");
    EXPECT_EQ(ReadHostFile(root / "Restored/Foo/StovanRestore"), "restore script");
    EXPECT_EQ(ReadHostFile(root / "Restored/Foo/StovanRestoreData/ENVARC/foo.prefs"), "prefs");
    EXPECT_EQ(sidecars.stored["StovanRestore"].protection, 0x40u);
    EXPECT_EQ(sidecars.stored["Foo"].comment, "The program");

    // A broken archive is a failure (20) with a message.
    WriteHostFile(root / "Backups/bad.lha", "no archive");
    auto bad = ParseLhaCommandLine({"x", "B:bad.lha", "Restored/"});
    ASSERT_TRUE(bad.ok());
    EXPECT_EQ(RunArchiveCommand(*bad, context), 20);
    EXPECT_FALSE(err.str().empty());

    // Listing with a pattern (plain names without a matcher).
    out.str("");
    auto list = ParseLhaCommandLine({"l", "B:Foo_v1.2.lha", "foo.info"});
    ASSERT_TRUE(list.ok());
    ASSERT_EQ(RunArchiveCommand(*list, context), 0);
    EXPECT_NE(out.str().find(" Foo.info\n"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find("Foo.guide"), std::string::npos);
}

}  // namespace
}  // namespace stovan::archive
