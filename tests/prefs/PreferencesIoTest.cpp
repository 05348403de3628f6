#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/MessageIds.h"
#include "prefs/PreferencesFile.h"
#include "prefs/PreferencesIo.h"

namespace stovan {
namespace {

namespace fs = std::filesystem;

class PreferencesIo : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "prefs-io-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        drawer_ = pattern;
    }
    void TearDown() override { fs::remove_all(drawer_); }

    std::string path(const char* name) const { return (drawer_ / name).string(); }
    static std::string Read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Write(const std::string& file, const std::string& data) {
        std::ofstream(file, std::ios::binary) << data;
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(drawer_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path drawer_;
};

Preferences Defaults(SystemProfile profile) {
    Preferences record;
    setDefaultPreferences(record, profile);
    return record;
}

TEST_F(PreferencesIo, SavedFileLoadsBackEqualAndLeavesNoTemporaryFile) {
    Preferences record = Defaults(SystemProfile::MorphOS);
    record.modeFilterPreset = 4;
    record.finderPaths = "Work:";
    record.stringsOffset = 0;
    ASSERT_TRUE(savePreferences(record, path("stovan.prefs")).ok());
    EXPECT_EQ(record.stringsOffset, 60u);
    EXPECT_EQ(Read(path("stovan.prefs")), EncodePreferences(record));

    Preferences loaded;
    ASSERT_TRUE(loadPreferences(loaded, path("stovan.prefs"), SystemProfile::AmigaOS4).ok());
    EXPECT_EQ(loaded, record);

    // Saving again replaces the file in place.
    record.maxArchives = 9;
    ASSERT_TRUE(savePreferences(record, path("stovan.prefs")).ok());
    ASSERT_TRUE(loadPreferences(loaded, path("stovan.prefs"), SystemProfile::AmigaOS4).ok());
    EXPECT_EQ(loaded.maxArchives, 9u);
    EXPECT_EQ(Entries(), std::vector<std::string>{"stovan.prefs"});
}

TEST_F(PreferencesIo, UnusableFilesGiveTheDefaultsOfTheSystem) {
    Write(path("text.prefs"), "not a preferences file");
    Write(path("huge.prefs"), std::string(kMaxPreferencesFileSize + 1, '\0'));
    fs::create_directory(drawer_ / "drawer.prefs");
    for (const char* name : {"missing.prefs", "text.prefs", "huge.prefs", "drawer.prefs"}) {
        SCOPED_TRACE(name);
        for (SystemProfile profile : {SystemProfile::AmigaOS4, SystemProfile::MorphOS}) {
            Preferences record = Defaults(SystemProfile::AmigaOS4);
            record.tempDir = "Work:Leftover";
            record.reserved[2] = 7;
            EXPECT_EQ(loadPreferences(record, path(name), profile),
                      Status(msg::PrefsInvalidUsingDefaults));
            EXPECT_EQ(record, Defaults(profile));
        }
    }
}

TEST_F(PreferencesIo, EmptyPathDoesNothing) {
    Preferences record;
    record.tempDir = "Work:Kept";
    EXPECT_TRUE(loadPreferences(record, "", SystemProfile::AmigaOS4).ok());
    EXPECT_TRUE(savePreferences(record, "").ok());
    EXPECT_EQ(record.tempDir, "Work:Kept");
    EXPECT_TRUE(Entries().empty());
}

TEST_F(PreferencesIo, FailedSaveKeepsTheOldFile) {
    Preferences record = Defaults(SystemProfile::AmigaOS4);
    EXPECT_EQ(savePreferences(record, path("NoSuchDrawer/stovan.prefs")), Status(msg::CannotOpen));
    EXPECT_TRUE(Entries().empty());

    // The target is a drawer: the rename cannot replace it, nothing is left behind.
    fs::create_directory(drawer_ / "stovan.prefs");
    EXPECT_EQ(savePreferences(record, path("stovan.prefs")), Status(msg::CannotOpen));
    EXPECT_EQ(Entries(), std::vector<std::string>{"stovan.prefs"});
    EXPECT_TRUE(fs::is_directory(drawer_ / "stovan.prefs"));
}

}  // namespace
}  // namespace stovan
