#include <gtest/gtest.h>

#include "platform/Latin1.h"
#include "prefs/Preferences.h"
#include "prefs/PreferencesSettings.h"

namespace stovan {
namespace {

Preferences Defaults() {
    Preferences record;
    setDefaultPreferences(record, amiga::SystemKind::AmigaOS4);
    return record;
}

TEST(PreferencesSettings, ValuesAsTheWindowTakesThem) {
    struct Row {
        const char* name;
        const char* value;
        const char* field;
        std::string expected;
    };
    const Row rows[] = {
        {"drawer without a volume", "Cache/Temp", "tempDir", "PROGDIR:Cache/Temp"},
        {"name without regard to case", "Work:Demos/", "INSTALLDIRDESKTOP", "Work:Demos/"},
        {"image server as typed", "http://mirror.example/img/", "imageServer",
         "http://mirror.example/img/"},
        {"state preset squeezed label", "not-installed", "stateFilterPreset", "2"},
        {"launch action by label", "version check", "launchAction", "1"},
        {"slider at its top", "30", "transferTimeout", "30"},
        {"archives at the bottom", "2", "maxArchives", "2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Preferences record = Defaults();
        auto result = SetPreference(record, row.field, row.value);
        ASSERT_TRUE(result.ok()) << result.error();
        std::string shown;
        for (const PreferenceSetting& setting : ListPreferences(record)) {
            shown = amiga::EqualsNoCase(setting.name, row.field) ? setting.value : shown;
        }
        EXPECT_EQ(shown, row.expected);
    }
}

TEST(PreferencesSettings, RefusedValuesLeaveTheRecordAlone) {
    struct Row {
        const char* name;
        const char* field;
        std::string value;
    };
    const Row rows[] = {
        {"unknown name", "colour", "red"},
        {"empty name", "", "1"},
        {"switch word", "KEEP_ARCHIVES", "maybe"},
        {"internal flag", "DATABASE_WARNING_SHOWN", "on"},
        {"internal string", "listFormat", "BAR"},
        {"too few archives", "maxArchives", "1"},
        {"zero timeout", "connectTimeout", "0"},
        {"negative number", "connectRetries", "-1"},
        {"number with junk", "connectRetries", "2x"},
        {"empty number", "connectRetries", ""},
        {"number too big for a word", "connectRetries", "99999999999"},
        {"launch action out of range", "launchAction", "3"},
        {"label of another cycle", "launchAction", "Installed"},
        {"line feed in a drawer", "tempDir", "Work:a\nb"},
        {"overlong drawer", "tempDir", "Work:" + std::string(70000, 'x')},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Preferences record = Defaults();
        auto result = SetPreference(record, row.field, row.value);
        ASSERT_FALSE(result.ok());
        EXPECT_FALSE(result.error().empty());
        EXPECT_EQ(record, Defaults());
    }
}

TEST(PreferencesSettings, ListedValuesSetBackToTheSameRecord) {
    Preferences record = Defaults();
    record.flags ^= 0x7FFF801F & ~DATABASE_WARNING_SHOWN;
    record.flags2 = 0x039E;
    record.maxArchives = 17;
    record.parallelTransfers = 7;
    record.installDirGame = "Games:\xE9t\xE9/";
    record.finderPaths = "Work:,Games:";
    Preferences rebuilt = Defaults();
    for (const PreferenceSetting& setting : ListPreferences(record)) {
        if (IsInternalPreference(setting.name)) {
            continue;
        }
        SCOPED_TRACE(setting.name);
        ASSERT_TRUE(SetPreference(rebuilt, setting.name, setting.value).ok());
    }
    EXPECT_EQ(rebuilt, record);
}

}  // namespace
}  // namespace stovan
