#include <gtest/gtest.h>

#include <filesystem>

#include "commands/ToolType.h"
#include "platform/Icon.h"
#include "platform/Latin1.h"
#include "tests/commands/CommandsSupport.h"
#include "tests/support/BuildPaths.h"

namespace stovan::test {
namespace {

namespace fs = std::filesystem;
using amiga::DiskObject;
using commands::RunSToolType;

// A tool icon with tool types, stack 0, at (3, 4).
constexpr const char* kToolIcon = "rom_filesys_SFS_SFScheck_SFScheck.info";
// A project icon with tool types, stack 30000, at (11, 4).
constexpr const char* kProjectIcon = "external_openurl_dist_OpenURL_Install.info";

std::string Fixture(const std::string& name) {
    return std::string(STOVAN_FIXTURES_DIR) + "/icons/" + name;
}

class SToolTypeTest : public ::testing::Test {
  protected:
    // Copies a fixture icon to Work:<name>.info.
    void PlaceIcon(const std::string& fixture, const std::string& name) {
        fs::copy_file(Fixture(fixture), root_.Host("Work", name + ".info"),
                      fs::copy_options::overwrite_existing);
    }
    DiskObject ReadIcon(const std::string& name) {
        auto icon = amiga::ReadDiskObjectFile(root_.Host("Work", name + ".info"));
        EXPECT_TRUE(icon.ok()) << name;
        return icon ? *icon : DiskObject{};
    }
    int Run(const std::string& line, std::string* output = nullptr) {
        CapturedContext context("SToolType", root_.dos(), line);
        const int rc = RunSToolType(context.get());
        if (output != nullptr) {
            *output = context.Output();
        }
        return rc;
    }

    TempRoot root_;
    FakeStovan stovan_{root_.dos()};
};

TEST_F(SToolTypeTest, NothingIsWrittenWithoutIconAndWithoutUsableType) {
    struct Row {
        const char* name;
        const char* line;
    } rows[] = {
        {"no type", "Work:Nothing"},
        {"type not in the table", "Work:Nothing TYPE WBFOLDER"},
        {"only a stack", "Work:Nothing STACK 30000"},
        {"drawer of the name missing, no type", "Work:Missing/Nothing TOOLTYPES A b"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string output;
        EXPECT_EQ(Run(row.line, &output), 0);
        EXPECT_EQ(output, "");
        EXPECT_FALSE(HostExists(root_.Host("Work", "Nothing.info")));
    }
}

TEST_F(SToolTypeTest, PositionAndStack) {
    struct Row {
        const char* name;
        const char* fixture;
        const char* arguments;
        std::int32_t x;
        std::int32_t y;
        std::int32_t stack;
    } rows[] = {
        {"X -1 Y -1 clears the position", kProjectIcon, "X -1 Y -1", amiga::NO_ICON_POSITION,
         amiga::NO_ICON_POSITION, 30000},
        {"X 10 alone moves only horizontally", kProjectIcon, "X 10", 10, 4, 30000},
        {"STACK 2048 keeps the old stack", kProjectIcon, "STACK 2048", 11, 4, 30000},
        {"STACK 2048 on a stack of 0 gives 8192", kToolIcon, "STACK 2048", 3, 4, 8192},
        {"STACK 24576 sets it", kProjectIcon, "STACK 24576", 11, 4, 24576},
        {"STACK 4096 is taken, then raised", kProjectIcon, "STACK 4096", 11, 4, 8192},
        {"no arguments raise a small stack", kToolIcon, "", 3, 4, 8192},
        {"a negative stack is ignored", kProjectIcon, "STACK -5", 11, 4, 30000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PlaceIcon(row.fixture, "Icon");
        EXPECT_EQ(Run(std::string("Work:Icon ") + row.arguments), 0);
        const DiskObject icon = ReadIcon("Icon");
        EXPECT_EQ(icon.currentX, row.x);
        EXPECT_EQ(icon.currentY, row.y);
        EXPECT_EQ(icon.stackSize, row.stack);
    }
}

// The edits themselves are the icon layer's (IconToolTypes); the command
// passes them on and the NewIcons image lines stay last.
TEST_F(SToolTypeTest, ToolTypeEditsKeepNewIconsImagesLast) {
    PlaceIcon(kToolIcon, "Tool");
    const std::vector<std::string> before = ReadIcon("Tool").toolTypes;
    const auto block = before.begin() + static_cast<long>(amiga::NewIconsBlockStart(before));
    ASSERT_NE(block, before.end());
    EXPECT_EQ(Run("Work:Tool TOOLTYPES DONOTWAIT \"\" cx_popup no"), 0);
    std::vector<std::string> expected(before.begin(), block);
    expected.push_back("DONOTWAIT");
    expected.push_back("CX_POPUP=no");
    expected.insert(expected.end(), block, before.end());
    EXPECT_EQ(ReadIcon("Tool").toolTypes, expected);
}

TEST_F(SToolTypeTest, NamesAreFoundLikeAmigaDosFindsThem) {
    fs::create_directories(root_.Host("Work", "Apps/Foo"));
    struct Row {
        const char* name;
        const char* line;
        const char* iconFile;  // below Work
    } rows[] = {
        {"relative to the current drawer", "Foo TYPE WBDRAWER", "Apps/Foo.info"},
        {"other case", "WORK:apps/foo TYPE WBDRAWER", "Apps/Foo.info"},
        {"trailing slash names the drawer", "Work:Apps/Foo/ TYPE WBDRAWER", "Apps/Foo.info"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(root_.Host("Work", row.iconFile));
        CapturedContext context("SToolType", root_.dos(), row.line);
        context.get().currentDrawer = *amiga::Lock(root_.dos(), "Work:Apps");
        EXPECT_EQ(RunSToolType(context.get()), 0) << context.Output();
        EXPECT_TRUE(HostExists(root_.Host("Work", row.iconFile)));
        // No second icon in another case: the drawer and its one icon.
        EXPECT_EQ(std::distance(fs::directory_iterator(root_.Host("Work", "Apps")),
                                fs::directory_iterator()),
                  2);
    }
}

TEST_F(SToolTypeTest, DamagedIconAndFailedWriteAreReported) {
    const std::string damaged = std::string("\xE3\x10\x00\x01", 4) + "short";
    WriteHostFile(root_.Host("Work", "Bad.info"), damaged);
    // A drawer stands where the icon file would go.
    fs::create_directories(root_.Host("Work", "Blocked.info"));
    for (const char* line : {"Work:Bad TYPE WBTOOL STACK 30000", "Work:Blocked TYPE WBDRAWER"}) {
        SCOPED_TRACE(line);
        std::string output;
        EXPECT_EQ(Run(line, &output), 5);
        EXPECT_TRUE(output.starts_with("SToolType: ")) << output;
    }
    EXPECT_EQ(ReadHostFile(root_.Host("Work", "Bad.info")), damaged);  // left alone
}

TEST_F(SToolTypeTest, ArgumentFaults) {
    struct Row {
        const char* name;
        const char* line;
        const char* output;
    } rows[] = {
        {"no name", "TYPE WBTOOL", "SToolType: required argument missing\n"},
        {"bad number", "Work:X X ten", "SToolType: bad number\n"},
        {"unclosed quote", "\"Work:X TYPE WBTOOL", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string output;
        EXPECT_EQ(Run(row.line, &output), 20);
        if (row.output != nullptr) {
            EXPECT_EQ(output, row.output);
        } else {
            EXPECT_TRUE(output.starts_with("SToolType: ")) << output;
        }
        EXPECT_FALSE(HostExists(root_.Host("Work", "X.info")));
    }
}

}  // namespace
}  // namespace stovan::test
