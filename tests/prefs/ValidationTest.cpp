#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Latin1.h"
#include "prefs/FinderPaths.h"
#include "prefs/Preferences.h"
#include "prefs/Validation.h"

namespace stovan {
namespace {

// A file system of named paths: each known path has the full name its lock
// reports. Drawers listed as creatable appear when created. Every call is
// logged, so the order of the work can be checked.
class FakeHost : public PreferencesHost {
  public:
    std::map<std::string, std::string, amiga::NoCaseLess> existing;
    std::map<std::string, std::string, amiga::NoCaseLess> creatable;
    std::set<std::string, amiga::NoCaseLess> ramNames;
    std::optional<std::string> finderDefault = "SYS:,SYS:Games,SYS:Applications,DH1:";
    std::vector<std::string> log;

    std::optional<std::string> fullPath(std::string_view path) override {
        log.push_back("lock " + std::string(path));
        auto found = existing.find(path);
        if (found == existing.end()) {
            return std::nullopt;
        }
        return found->second;
    }
    bool createDrawerPath(std::string_view path) override {
        log.push_back("create " + std::string(path));
        auto found = creatable.find(path);
        if (found == creatable.end()) {
            return false;
        }
        existing[found->first] = found->second;
        return true;
    }
    bool isRamDisk(std::string_view deviceName) override {
        return ramNames.count(std::string(deviceName)) != 0;
    }
    std::optional<std::string> defaultFinderPaths() override {
        log.push_back("finder");
        return finderDefault;
    }
};

// A system where Stovan lives in "Work:Stovan" and every default drawer exists.
FakeHost InstalledSystem() {
    FakeHost host;
    host.existing = {
        {"SYS:", "System:"},
        {"SYS:Tools/", "System:Tools"},
        {"SYS:Utilities/", "System:Utilities"},
        {"PROGDIR:Cache/Downloads/", "Work:Stovan/Cache/Downloads"},
        {"PROGDIR:Cache/Images/", "Work:Stovan/Cache/Images"},
        {"PROGDIR:Cache/Backups/", "Work:Stovan/Cache/Backups"},
        {"RAM:", "Ram Disk:"},
        {"RAM:T", "Ram Disk:T"},
        {"ram:Downloads", "Ram Disk:Downloads"},
        {"RAM DISK:Apps", "Ram Disk:Apps"},
    };
    return host;
}

Preferences Defaults() {
    Preferences record;
    setDefaultPreferences(record, amiga::SystemKind::AmigaOS4);
    return record;
}

TEST(Validation, DrawersOnTheRamDisk) {
    struct Row {
        const char* name;
        std::string Preferences::*field;
        std::string typed;
        std::string expected;
    };
    const Row rows[] = {
        {"download drawer in lower case", &Preferences::downloadDir, "ram:Downloads",
         "Work:Stovan/Cache/Downloads"},
        {"temporary drawer stays", &Preferences::tempDir, "RAM:", "Ram Disk:"},
        {"temporary drawer on the volume name stays", &Preferences::tempDir, "RAM DISK:Apps",
         "Ram Disk:Apps"},
        {"type drawer on RAM DISK: becomes SYS:", &Preferences::installDirGame, "RAM DISK:Apps",
         "System:"},
        {"type drawer by the mount table's own RAM name", &Preferences::installDirAudio,
         "Scratch:Music", "System:"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeHost host = InstalledSystem();
        host.existing["Scratch:Music"] = "Scratch:Music";
        host.ramNames.insert("Scratch");
        // The default drawers are missing at first and get created.
        for (const char* path :
             {"PROGDIR:Cache/Downloads/", "PROGDIR:Cache/Images/", "PROGDIR:Cache/Backups/"}) {
            host.creatable[path] = host.existing[path];
            host.existing.erase(path);
        }
        Preferences record = Defaults();
        record.*row.field = row.typed;
        validatePreferences(record, host);
        EXPECT_EQ(record.*row.field, row.expected);
    }
}

TEST(Validation, ImageDrawerOfTheOlderLayoutMovesIntoItsImagesDrawer) {
    struct Row {
        const char* name;
        std::string imageDir;
        std::string imagesEntry;  // the path under which "Images" exists, "" for none
        std::string expected;
    };
    const Row rows[] = {
        {"drawer with slash", "Work:Old/", "Work:Old/Images", "Work:Old/Images"},
        {"drawer without slash", "Work:Old", "Work:Old/Images", "Work:Old/Images"},
        {"volume root", "Pics:", "Pics:Images", "Pics:Images"},
        {"no Images inside", "Work:Old", "", "Work:Old"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeHost host = InstalledSystem();
        host.existing[row.imageDir] = row.imageDir;
        if (!row.imagesEntry.empty()) {
            host.existing[row.imagesEntry] = row.imagesEntry;
        }
        Preferences record = Defaults();
        record.imageDir = row.imageDir;
        validatePreferences(record, host);
        EXPECT_EQ(record.imageDir, row.expected);
    }
}

TEST(Validation, EmptyStringsGetTheirDefaults) {
    FakeHost host = InstalledSystem();
    Preferences record = Defaults();
    record.backupDir.clear();
    record.imageDir.clear();
    validatePreferences(record, host);
    EXPECT_EQ(record.backupDir, "Work:Stovan/Cache/Backups");
    EXPECT_EQ(record.imageDir, "Work:Stovan/Cache/Images");

    // A search list the user typed is kept; an unavailable default leaves it empty.
    record.finderPaths = "Work:,DH2:";
    validatePreferences(record, host);
    EXPECT_EQ(record.finderPaths, "Work:,DH2:");
    host.finderDefault.reset();
    record.finderPaths.clear();
    validatePreferences(record, host);
    EXPECT_EQ(record.finderPaths, "");
}

TEST(Validation, NumbersAreBroughtIntoRange) {
    struct Row {
        const char* name;
        std::uint32_t Preferences::*field;
        std::uint32_t value;
        std::uint32_t expected;
    };
    const Row rows[] = {
        {"maxArchives 2", &Preferences::maxArchives, 2, 2},
        {"maxArchives 32", &Preferences::maxArchives, 32, 32},
        {"maxArchives huge", &Preferences::maxArchives, 0xFFFFFFFF, 32},
        {"connectTimeout 1", &Preferences::connectTimeout, 1, 1},
        {"connectTimeout 31", &Preferences::connectTimeout, 31, 30},
        {"connectRetries huge", &Preferences::connectRetries, 0x80000000, 30},
        {"parallelTransfers 17", &Preferences::parallelTransfers, 17, 16},
        {"launchAction 3", &Preferences::launchAction, 3, 1},
        {"state filter 5", &Preferences::stateFilterPreset, 5, 0},
        {"mode filter 99", &Preferences::modeFilterPreset, 99, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeHost host = InstalledSystem();
        Preferences record = Defaults();
        record.*row.field = row.value;
        validatePreferences(record, host);
        EXPECT_EQ(record.*row.field, row.expected);
    }

    // A record read from a file with a short fixed part (an older file) has
    // zero words: each gets its default.
    FakeHost host = InstalledSystem();
    Preferences record = Defaults();
    for (std::size_t index = 2; index < kPreferencesWordCount; ++index) {
        record.word(index) = 0;
    }
    validatePreferences(record, host);
    EXPECT_EQ(record.connectTimeout, 2u);
    EXPECT_EQ(record.transferTimeout, 3u);
    EXPECT_EQ(record.connectRetries, 4u);
    EXPECT_EQ(record.maxArchives, 2u);
    EXPECT_EQ(record.parallelTransfers, 4u);
}

TEST(FinderPaths, ExcludedNames) {
    for (const char* path : {"RAM:", "PIPE:", "CD0:", "Work:Download", "Work:Apps/TEMP",
                             "Work:.recycled", "Work:Untitled", "Work:T", "Work:DATA"}) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(IsExcludedName(path));
    }
    for (const char* path : {"DH0:", "Work:Tools", "Work:Downloads2", "Work:Data/Apps",
                             "Work:Download//", "", "RAM DISK:", "Work:d\xC4TA"}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(IsExcludedName(path));
    }
}

}  // namespace
}  // namespace stovan
