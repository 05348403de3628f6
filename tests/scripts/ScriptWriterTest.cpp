#include <gtest/gtest.h>

#include <filesystem>

#include "core/MessageIds.h"
#include "platform/DosFiles.h"
#include "platform/Locks.h"
#include "prefs/Preferences.h"
#include "scripts/ScriptWriter.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/PlaceholderWorld.h"

namespace stovan::test {
namespace {

class ScriptWriterTest : public ::testing::Test {
  protected:
    ScriptWriterTest() : item(world.AddItem("Foo")) {
        world.Set(item, ItemField::installDir, "Work:Apps/");
        world.Set(item, ItemField::installScript, "Echo \"{NAME}\"\n");
        world.Set(item, ItemField::uninstallScript, "Delete \"{INSTALLDIR}{NAME}\" ALL\n");
    }
    std::string Read(const std::string& path) { return ReadAmigaFile(world.root.dos(), path); }

    PlaceholderWorld world;
    ApplicationItem& item;
};

TEST_F(ScriptWriterTest, ProloguesByKind) {
    const std::string temp = world.Expand(&item, "{TEMPDIR}");
    ASSERT_EQ(temp.rfind("RAM:T/StovanTemp", 0), 0u) << temp;
    struct Row {
        const char* name;
        ScriptKind kind;
        bool echo;
        std::string expected;
    };
    const Row rows[] = {
        {"install", ScriptKind::Install, false, "CD \"" + temp + "\"\nFailAt 9\nEcho \"Foo\"\n"},
        {"install with shell output", ScriptKind::Install, true,
         "Set echo on\nCD \"" + temp + "\"\nFailAt 9\nEcho \"Foo\"\n"},
        {"uninstall", ScriptKind::Uninstall, false,
         "CD \"" + temp + "\"\nFailAt 30\nDelete FORCE \"Work:Stovan/Prefs/VersionData/Foo\"\n" +
             "Delete \"Work:Apps/Foo\" ALL\n"},
        {"other kind", ScriptKind::None, false, "CD \"" + temp + "\"\nEcho \"Foo\"\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        world.preferences.flags = row.echo ? (world.preferences.flags | SHOW_SHELL_OUTPUT)
                                           : (world.preferences.flags & ~SHOW_SHELL_OUTPUT);
        std::string path;
        const std::string& block =
            row.kind == ScriptKind::Uninstall ? item.uninstallScript() : item.installScript();
        ASSERT_TRUE(WriteScript(*world.engine, item, block, row.kind, path).ok());
        EXPECT_EQ(path, temp + "Foo.bat");
        EXPECT_EQ(Read(path), row.expected);
    }
}

// A disk that fills up while the script is written: the file size limit
// makes the write fail as a full disk does (root included).
TEST_F(ScriptWriterTest, AFailedWriteLeavesNoFile) {
    const std::string temp = world.Expand(&item, "{TEMPDIR}");
    auto drawer = amiga::Lock(world.root.dos(), temp);
    ASSERT_TRUE(drawer.ok());
    world.Set(item, ItemField::installScript, std::string(4096, 'x'));
    std::string path = "unchanged";
    Status status;
    {
        FileSizeLimit full(1024);
        ASSERT_TRUE(full.active());
        status = WriteScript(*world.engine, item, item.installScript(), ScriptKind::Install, path);
    }
    EXPECT_EQ(status.message(), msg::CannotCreateTempFile);
    EXPECT_TRUE(path.empty());
    std::error_code error;
    EXPECT_TRUE(std::filesystem::is_empty(drawer->hostPath, error)) << "partial file left";
}

TEST_F(ScriptWriterTest, TextFilesAndTheirFailures) {
    ASSERT_TRUE(item.SetListField(ItemField::textFiles,
                                  {"Work:{NAME}.txt", "Hello {NAME}", "Work:Two", "2"})
                    .ok());
    EXPECT_TRUE(WriteTextFiles(*world.engine, item).ok());
    EXPECT_EQ(Read("Work:Foo.txt"), "Hello Foo");
    EXPECT_EQ(Read("Work:Two"), "2");

    ASSERT_TRUE(item.SetListField(ItemField::textFiles, {"Work:Three", "3", "Work:Four"}).ok());
    EXPECT_EQ(WriteTextFiles(*world.engine, item).message(), msg::NotEnoughMemory);
    EXPECT_EQ(Read("Work:Three"), "3");

    // A name outside every volume is refused by the host layer.
    ASSERT_TRUE(item.SetListField(ItemField::textFiles, {"Work://../../escape", "x"}).ok());
    EXPECT_EQ(WriteTextFiles(*world.engine, item).message(), msg::CannotCreateTempFile);
    EXPECT_FALSE(std::filesystem::exists(world.root.folder() + "/escape"));
}

TEST_F(ScriptWriterTest, InstallDrawerGetsIcons) {
    world.Set(item, ItemField::installDir, "Work:New/Apps/");
    EXPECT_TRUE(CreateInstallDrawer(*world.engine, item).ok());
    EXPECT_TRUE(amiga::Lock(world.root.dos(), "Work:New/Apps").ok());
    EXPECT_TRUE(amiga::Lock(world.root.dos(), "Work:New.info").ok());
    EXPECT_TRUE(amiga::Lock(world.root.dos(), "Work:New/Apps.info").ok());
}

}  // namespace
}  // namespace stovan::test
