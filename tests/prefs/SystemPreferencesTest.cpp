#include <gtest/gtest.h>

#include <filesystem>

#include "core/MessageIds.h"
#include "platform/SystemRoot.h"
#include "prefs/PreferencesFile.h"
#include "prefs/SystemPreferences.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TempRoot.h"

namespace stovan {
namespace {

namespace fs = std::filesystem;

// A system root made by hand: boot volume SYS on DH0, Work on DH1, the RAM
// disk under its volume name "Ram Disk", a CD on CD0, Stovan in Work:Stovan.
constexpr const char* kMountTable =
    "system AmigaOS4 4.1\n"
    "volume SYS System boot device DH0\n"
    "volume Work Work device DH1\n"
    "volume \"Ram Disk\" Ram device RAM\n"
    "volume CD CD device CD0\n"
    "assign PROGDIR: Work:Stovan\n"
    "assign T: RAM:T\n";

class SystemPreferences : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* folder : {"System/Tools", "Work/Stovan", "Ram/T", "CD"}) {
            fs::create_directories(root_ / folder);
        }
        test::WriteHostFile(root_ / "MountTable", kMountTable);
        auto dos = amiga::OpenSystemRoot(root_.string());
        ASSERT_TRUE(dos.ok()) << dos.error();
        dos_ = std::move(*dos);
    }

    bool HostExists(const char* relative) const { return fs::exists(root_ / relative); }

    test::TempFolder folder_{"prefs-root"};
    fs::path root_{folder_.path()};
    amiga::DosList dos_;
};

TEST_F(SystemPreferences, FirstStartUsesValidatedDefaultsAndCreatesTheCacheDrawers) {
    Preferences record;
    EXPECT_EQ(LoadLivePreferences(record, dos_), Status(msg::PrefsInvalidUsingDefaults));
    EXPECT_EQ(record.downloadDir, "Work:Stovan/Cache/Downloads");
    EXPECT_EQ(record.imageDir, "Work:Stovan/Cache/Images");
    EXPECT_EQ(record.backupDir, "Work:Stovan/Cache/Backups");
    EXPECT_EQ(record.installDirTool, "SYS:Tools");
    EXPECT_EQ(record.installDirUtility, "SYS:Utilities/");  // missing: kept as typed
    EXPECT_EQ(record.tempDir, "SYS:");
    EXPECT_EQ(record.maxArchives, 2u);
    EXPECT_EQ(record.finderPaths, "SYS:,SYS:Games,SYS:Applications,DH1:");
    EXPECT_TRUE(HostExists("Work/Stovan/Cache/Downloads"));
    EXPECT_TRUE(HostExists("Work/Stovan/Cache/Images"));
    EXPECT_TRUE(HostExists("Work/Stovan/Cache/Backups"));
}

TEST_F(SystemPreferences, DamagedFileGivesTheDefaultsOfTheSystem) {
    std::string file = EncodePreferences(Preferences{});
    file.resize(file.size() - 5);
    test::WriteHostFile(root_ / "Work/Stovan/Prefs/stovan.prefs", file);
    Preferences record;
    record.tempDir = "Work:Leftover";
    EXPECT_EQ(loadPreferences(record, dos_, kPreferencesPath, amiga::SystemKind::MorphOS),
              Status(msg::PrefsInvalidUsingDefaults));
    Preferences expected;
    setDefaultPreferences(expected, amiga::SystemKind::MorphOS);
    EXPECT_EQ(record, expected);
}

TEST_F(SystemPreferences, SaveIntoAMissingDrawerFails) {
    Preferences record;
    setDefaultPreferences(record, amiga::SystemKind::AmigaOS4);
    EXPECT_EQ(savePreferences(record, dos_, "Work:NoSuchDrawer/stovan.prefs"),
              Status(msg::CannotOpen));
    EXPECT_EQ(savePreferences(record, dos_, "NOSUCHVOLUME:stovan.prefs"), Status(msg::CannotOpen));
    EXPECT_FALSE(HostExists("Work/NoSuchDrawer"));
}

TEST_F(SystemPreferences, DefaultFinderPathsFromTheMountedDevices) {
    EXPECT_EQ(DefaultFinderPaths(dos_), "SYS:,SYS:Games,SYS:Applications,DH1:");
    // A device whose folder is gone cannot be locked and is left out.
    fs::remove_all(root_ / "Work");
    EXPECT_EQ(DefaultFinderPaths(dos_), "SYS:,SYS:Games,SYS:Applications");
}

TEST(SystemPreferencesProfile, DefaultsFollowTheSystemOfTheRoot) {
    test::TempRoot root(amiga::SystemProfile{amiga::SystemKind::MorphOS, "3.18"});
    Preferences record;
    EXPECT_EQ(LoadLivePreferences(record, root.dos()), Status(msg::PrefsInvalidUsingDefaults));
    EXPECT_EQ(record.installDirAudio, "SYS:Applications/");  // missing, kept as typed
    EXPECT_EQ(record.installDirGame, "SYS:Games/");
    EXPECT_EQ(record.listFormat, "SYS:Applications/");
    EXPECT_EQ(record.downloadDir, "Work:Stovan/Cache/Downloads");
    ASSERT_TRUE(SaveLivePreferences(record, root.dos()).ok());

    Preferences loaded;
    ASSERT_TRUE(LoadLivePreferences(loaded, root.dos()).ok());
    EXPECT_EQ(loaded, record);
}

}  // namespace
}  // namespace stovan
