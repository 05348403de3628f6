#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "core/MessageIds.h"
#include "database/ConfigFiles.h"
#include "database/Item.h"
#include "database/Loader.h"
#include "database/Parser.h"
#include "database/SampleDatabase.h"
#include "platform/DosFiles.h"
#include "platform/Locks.h"
#include "platform/Pattern.h"
#include "platform/ReadArgs.h"
#include "tests/database/DatabaseFixture.h"
#include "tests/support/BuildPaths.h"
#include "tests/support/FileSizeLimit.h"

namespace stovan {
namespace {

using Strings = std::vector<std::string>;

using test::DatabaseFixture;
using test::FileSizeLimit;
using test::ReadHostFile;
using test::ValidEntry;

const std::string kInternal = "Stovan/Database/Internal/";
const std::string kUser = "Stovan/Database/User/";
const std::string kPrefs = "Stovan/Prefs/";

using LoaderTest = DatabaseFixture;

TEST_F(LoaderTest, ReadOrderAndMerging) {
    WriteFile("Work", kInternal + "Apps.db",
              ValidEntry("YAM") + ValidEntry("Games", "#APPTYPE STOVAN\n"));
    WriteFile("Work", kInternal + "StovanMain.db",
              ValidEntry("Stovan", "#APPTYPE STOVAN\n") + ValidEntry("Games", "#APPTYPE STOVAN\n"));
    WriteFile("Work", kInternal + "Only_MorphOS.db", ValidEntry("MorphOnly"));
    WriteFile("Work", kInternal + "Notes.txt", ValidEntry("NotADatabase"));
    WriteFile(
        "Work", kUser + "Mine_AmigaOS4.db",
        ValidEntry("YAM") + ValidEntry("YAM", "", " DUPENAME \"YAM_beta\"") + ValidEntry("Own"));
    std::filesystem::create_directories(root.Host("Work", kUser + "Sub.db"));
    WriteFile("Work", kUser + "Sub.db/Inner.db", ValidEntry("Inner"));

    ASSERT_TRUE(LoadAllDatabases(engine).ok());
    EXPECT_FALSE(engine.loading);
    // Stovan's own file first; Apps.db replaces the package entry Games;
    // the user's YAM is refused, its DUPENAME entry is added.
    EXPECT_EQ(Names(), (Strings{"Stovan", "YAM", "Games", "YAM_beta", "Own"}));
    EXPECT_EQ(LinesWith("Loading"),
              (Strings{"|Loading database 'StovanMain.db'.", "|Loading database 'Apps.db'.",
                       "|Loading database 'Mine_AmigaOS4.db'."}));
    EXPECT_EQ(LogLines().front(), "|Loading database 'StovanMain.db'.");
    EXPECT_EQ(LogLines().back(), "|" + std::string(80, '-'));
}

TEST_F(LoaderTest, ConfigurationOverridesTheDatabase) {
    WriteFile("Work", kInternal + "StovanMain.db", ValidEntry("Stovan", "#APPTYPE STOVAN\n"));
    WriteFile("Work", kInternal + "Apps.db",
              ValidEntry("YAM", "#INSTALLDIR \"Work:Net\"\n", " MODE NOTIFY") + ValidEntry("Tool") +
                  ValidEntry("Tool", "", " DUPENAME \"Tool_beta\"") +
                  ValidEntry("Plugin", "#INSTALLDIR DEPENDENCY YAM\n") + ValidEntry("Odd"));
    WriteFile("Work", kPrefs + "Config.db",
              "; Stovan Database\n;\n;\n"
              "## ITEM \"yam\"  MODE \"DOWNLOAD\"\n## INSTALLDIR \"Work:Mail\"\n## ITEM END\n"
              "## ITEM \"Stovan\"  MODE \"NOTIFY\"\n## ITEM END\n"
              "## ITEM \"Tool\" DUPENAME \"Tool_beta\" MODE \"INSTALL\"\n## ITEM END\n"
              "## ITEM \"Tool\"  MODE \"NOTIFY\"\n## ITEM END\n"
              "## ITEM \"Plugin\"  MODE \"NOTIFY\"\n## INSTALLDIR \"Work:Else\"\n## ITEM END\n"
              "## ITEM \"Odd\"  MODE \"SOMETIMES\"\n## ITEM END\n"
              "## ITEM \"Gone\"  MODE \"INSTALL\"\n## INSTALLDIR \"Work:X\"\n## ITEM END\n");
    ASSERT_TRUE(LoadAllDatabases(engine).ok());
    ItemList& items = engine.items();
    ASSERT_EQ(items.size(), 6u) << testing::PrintToString(LogLines());
    EXPECT_EQ(items.FindItem("YAM", false)->mode, ItemMode::DOWNLOAD);
    EXPECT_EQ(items.FindItem("YAM", false)->installDir(), "Work:Mail");
    EXPECT_EQ(items.FindItem("Stovan", false)->mode, ItemMode::INSTALL);
    EXPECT_EQ(items.FindItem("Tool_beta", true)->mode, ItemMode::INSTALL);
    EXPECT_EQ(items.FindItem("Tool", false)->mode, ItemMode::NOTIFY);
    // A following item keeps the name of the item it follows.
    EXPECT_EQ(items.FindItem("Plugin", false)->installDir(), "YAM");
    EXPECT_EQ(items.FindItem("Odd", false)->mode, ItemMode::IGNORE);
    EXPECT_EQ(LinesWith("Error"), Strings{});  // "Gone" is skipped silently
    EXPECT_EQ(LinesWith("configuration"), Strings{"|Loading configuration."});
}

TEST_F(LoaderTest, BrokenConfigurationRecordKeepsTheItem) {
    WriteFile("Work", kInternal + "Apps.db", ValidEntry("YAM") + ValidEntry("Tool"));
    WriteFile("Work", kPrefs + "Config.db",
              "## ITEM \"YAM\"  MODE \"NOTIFY\"\n## BOGUS\n## ITEM END\n"
              "## ITEM \"Tool\"  MODE \"NOTIFY\"\n");
    ASSERT_TRUE(LoadAllDatabases(engine).ok());
    EXPECT_EQ(Names(), (Strings{"YAM", "Tool"}));
    EXPECT_EQ(engine.items().FindItem("YAM", false)->mode, ItemMode::NOTIFY);
}

TEST_F(LoaderTest, ReloadKeepsVersionResultsAndDeletesTheCache) {
    WriteFile("Work", kInternal + "Apps.db",
              ValidEntry("YAM") + ValidEntry("YAM", "", " DUPENAME \"YAM_beta\""));
    ASSERT_TRUE(LaunchReload(engine).ok());
    ASSERT_EQ(engine.items().size(), 2u);
    ApplicationItem& yam = *engine.items().FindItem("yam", false);
    yam.state = ItemState::OUTDATED;
    yam.installedVersion = {2, 10, 3};
    yam.installedDate = {16000, 10, 20};
    yam.serverVersion = {2, 11, 0};
    yam.serverDate = {16500, 0, 1};
    yam.mode = ItemMode::OP_UNINSTALL;  // one-shot: saved as IGNORE
    ApplicationItem& beta = *engine.items().FindItem("YAM_BETA", true);
    beta.state = ItemState::INSTALLED;
    beta.mode = ItemMode::NOTIFY;
    beta.installedVersion = {3, 0, 0};
    const auto results = [](const ApplicationItem& item) {
        return std::tuple(item.state, item.mode, item.installedVersion, item.installedDate,
                          item.serverVersion, item.serverDate);
    };
    const auto betaBefore = results(beta);

    ASSERT_TRUE(ReloadDatabase(engine).ok());
    const ApplicationItem& newYam = *engine.items().FindItem("YAM", false);
    EXPECT_NE(&newYam, &yam);
    EXPECT_EQ(results(newYam), std::tuple(ItemState::OUTDATED, ItemMode::IGNORE,
                                          VersionTriple{2, 10, 3}, amiga::DateStamp{16000, 10, 20},
                                          VersionTriple{2, 11, 0}, amiga::DateStamp{16500, 0, 1}));
    EXPECT_EQ(results(*engine.items().FindItem("YAM_beta", true)), betaBefore);
    EXPECT_FALSE(test::HostExists(root.Host("RAM", "T/StovanVersion.db")));
    EXPECT_TRUE(test::HostExists(root.Host("Work", kPrefs + "Config.db")));
    EXPECT_EQ(LinesWith("Error"), Strings{});
}

TEST_F(LoaderTest, ReloadThatCannotSaveLosesNothing) {
    WriteFile("Work", kInternal + "Apps.db", ValidEntry("YAM") + ValidEntry("Tool"));
    WriteFile("Work", kPrefs + "Config.db",
              "; Stovan Database\n;\n;\n## ITEM \"YAM\"  MODE \"NOTIFY\"\n## ITEM END\n");
    ASSERT_TRUE(LaunchReload(engine).ok());
    // A cache left by an interrupted reload, and the user's new choices.
    WriteFile("RAM", "T/StovanVersion.db", "; old cache\n");
    engine.items().FindItem("YAM", false)->mode = ItemMode::INSTALL;
    engine.items().FindItem("Tool", false)->installedVersion = {1, 2, 3};
    const std::string config = ReadHostFile(root.Host("Work", kPrefs + "Config.db"));
    const std::string cache = ReadHostFile(root.Host("RAM", "T/StovanVersion.db"));

    auto expectNothingLost = [&](Status status) {
        EXPECT_EQ(status, Status(msg::CannotCreateTempFile));
        // Nothing was reloaded: the choices are still in memory...
        EXPECT_EQ(engine.items().FindItem("YAM", false)->mode, ItemMode::INSTALL);
        EXPECT_EQ(engine.items().FindItem("Tool", false)->installedVersion,
                  (VersionTriple{1, 2, 3}));
        // ... and no temporary file is left beside Config.db.
        EXPECT_EQ(
            std::ranges::count_if(std::filesystem::directory_iterator(root.Host("Work", kPrefs)),
                                  [](const auto& entry) { return entry.is_regular_file(); }),
            1)
            << "only Config.db";
    };
    {
        SCOPED_TRACE("Config.db cannot be written: no file changes");
        Status status;
        {
            FileSizeLimit full(0);
            ASSERT_TRUE(full.active());
            status = ReloadDatabase(engine);
        }
        expectNothingLost(status);
        EXPECT_EQ(ReadHostFile(root.Host("Work", kPrefs + "Config.db")), config);
        EXPECT_EQ(ReadHostFile(root.Host("RAM", "T/StovanVersion.db")), cache);
    }
    {
        SCOPED_TRACE("the version cache cannot be written: no reload");
        // A drawer stands where the cache goes.
        std::filesystem::remove(root.Host("RAM", "T/StovanVersion.db"));
        std::filesystem::create_directories(root.Host("RAM", "T/StovanVersion.db"));
        expectNothingLost(ReloadDatabase(engine));
        EXPECT_TRUE(std::filesystem::is_directory(root.Host("RAM", "T/StovanVersion.db")));
    }
}

TEST_F(LoaderTest, AConfigurationThatCannotBeReadWholeIsKeptBeforeASave) {
    WriteFile("Work", kInternal + "Apps.db", ValidEntry("YAM") + ValidEntry("Tool"));
    const std::string good =
        "; Stovan Database\n;\n;\n## ITEM \"YAM\"  MODE \"NOTIFY\"\n"
        "## INSTALLDIR \"Work:Mail\"\n## ITEM END\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : good) {
        utf16 += c;
        utf16 += '\0';
    }
    // The label, the file's bytes, and whether it is damaged.
    const std::vector<std::tuple<const char*, std::string, bool>> rows = {
        {"LF", good, false},
        {"CR-LF", std::regex_replace(good, std::regex("\n"), "\r\n"), false},
        {"CR only", std::regex_replace(good, std::regex("\n"), "\r"), false},
        {"UTF-16", utf16, true},
        {"a missing value", "## ITEM \"Tool\" MODE\n## ITEM END\n" + good, true},
        {"zero bytes", good + std::string("\0\0\0junk\n", 8), true},
        {"text lines", good + "this is no record\n", true},
    };
    const std::string prefs = root.Host("Work", kPrefs);
    for (const auto& [label, content, damaged] : rows) {
        SCOPED_TRACE(label);
        std::filesystem::remove_all(prefs);
        std::filesystem::create_directories(prefs);
        WriteFile("Work", kPrefs + "Config.db", content);
        log.ClearLog();
        ASSERT_TRUE(LoadAllDatabases(engine).ok());
        if (!damaged) {
            EXPECT_EQ(engine.items().FindItem("YAM", false)->mode, ItemMode::NOTIFY);
            EXPECT_EQ(engine.items().FindItem("YAM", false)->installDir(), "Work:Mail");
        }
        ASSERT_TRUE(SaveConfiguration(engine, kPrefsDrawer).ok());
        Strings kept;
        for (const auto& entry : std::filesystem::directory_iterator(prefs)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("Config.db.damaged-")) {
                kept.push_back(name);
                EXPECT_EQ(ReadHostFile(entry.path().string()), content);
            }
        }
        EXPECT_EQ(kept.size(), damaged ? 1u : 0u);
        EXPECT_EQ(LinesWith("kept as Config.db.damaged-").empty(), !damaged)
            << testing::PrintToString(LogLines());
    }
}

TEST_F(LoaderTest, RecordsOfItemsNotLoadedSurviveSaves) {
    // Tool's entry is rejected for a typo: its record must not be lost.
    WriteFile("Work", kInternal + "Apps.db", ValidEntry("YAM"));
    WriteFile("Work", kUser + "Mine.db", ValidEntry("Tool", "#INSTALLDRI \"Work:X\"\n"));
    const std::string record =
        "## ITEM \"Tool\"  MODE \"NOTIFY\"\n## INSTALLDIR \"Work:Tools\"\n## ITEM END\n";
    WriteFile("Work", kPrefs + "Config.db",
              "; Stovan Database\n;\n;\n## ITEM \"YAM\"  MODE \"NOTIFY\"\n## ITEM END\n" + record);
    for (int save = 0; save < 2; ++save) {
        SCOPED_TRACE(save);
        ASSERT_TRUE(LoadAllDatabases(engine).ok());
        ASSERT_EQ(engine.items().FindItem("Tool", false), nullptr);
        ASSERT_TRUE(SaveConfiguration(engine, kPrefsDrawer).ok());
        const std::string written = ReadHostFile(root.Host("Work", kPrefs + "Config.db"));
        EXPECT_NE(written.find(record), std::string::npos) << written;
        EXPECT_EQ(written.find(record), written.rfind(record)) << "written once";
    }
    // The typo mended: the user's choices are back.
    WriteFile("Work", kUser + "Mine.db", ValidEntry("Tool", "#INSTALLDIR \"Work:X\"\n"));
    ASSERT_TRUE(LoadAllDatabases(engine).ok());
    const ApplicationItem* tool = engine.items().FindItem("Tool", false);
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->mode, ItemMode::NOTIFY);
    EXPECT_EQ(tool->installDir(), "Work:Tools");
    EXPECT_TRUE(engine.keptConfiguration.empty());
}

// --- the files Stovan writes --------------------------------------------------

using ConfigFilesTest = DatabaseFixture;

TEST_F(ConfigFilesTest, RecordShapes) {
    (void)Parse(ValidEntry("YAM", "#INSTALLDIR \"Work:Net\"\n", " MODE NOTIFY") +
                ValidEntry("YAM", "", " DUPENAME \"YAM_beta\"") +
                ValidEntry("Plugin", "#INSTALLDIR DEPENDENCY YAM\n"));
    ASSERT_EQ(engine.items().size(), 3u);
    ApplicationItem& yam = *engine.items().front();
    yam.state = ItemState::OUTDATED;
    yam.installedVersion = {1, 2, 3};
    yam.installedDate = {4, 5, 6};
    EXPECT_EQ(FormatConfigurationRecord(yam),
              "## ITEM \"YAM\"  MODE \"NOTIFY\"\n## INSTALLDIR \"Work:Net\"\n## ITEM END\n");
    EXPECT_EQ(FormatConfigurationRecord(*engine.items().Next(yam)),
              "## ITEM \"YAM\" DUPENAME \"YAM_beta\" MODE \"IGNORE\"\n## ITEM END\n");
    EXPECT_EQ(FormatConfigurationRecord(*engine.items().back()),
              "## ITEM \"Plugin\"  MODE \"IGNORE\"\n## ITEM END\n");
    EXPECT_EQ(FormatVersionCacheRecord(yam),
              "## ITEM \"YAM\"  STATE OUTDATED VERSION \"1.2.3\" DATE \"4.5.6\" SVERSION \"0.0.0\" "
              "SDATE \"0.0.0\"\n## ITEM END\n");
    yam.mode = ItemMode::OP_REPAIR;
    EXPECT_NE(FormatConfigurationRecord(yam).find("MODE \"IGNORE\""), std::string::npos);

    ASSERT_TRUE(SaveConfiguration(engine, "PROGDIR:Prefs").ok());
    const std::string written = ReadHostFile(root.Host("Work", kPrefs + "Config.db"));
    EXPECT_TRUE(written.starts_with("; Stovan Database\n;\n;\n## ITEM \"YAM\"  MODE"));
    EXPECT_EQ(LogLines(), (Strings{"|Loading database 'Test.db'.", "|Saving configuration.",
                                   "|" + std::string(80, '-')}));
}

TEST_F(ConfigFilesTest, EmptyListTouchesNothing) {
    EXPECT_TRUE(SaveConfiguration(engine, "PROGDIR:Prefs/New").ok());
    EXPECT_TRUE(SaveVersionCache(engine, "T:StovanVersion.db").ok());
    EXPECT_FALSE(test::HostExists(root.Host("Work", kPrefs + "New")));
    EXPECT_FALSE(test::HostExists(root.Host("RAM", "T/StovanVersion.db")));
    EXPECT_TRUE(log.entries().empty());
}

TEST_F(ConfigFilesTest, CreatesTheDrawerAndReportsNewDrawers) {
    (void)Parse(ValidEntry("YAM"));
    ASSERT_TRUE(SaveConfiguration(engine, "Work:Deep/Prefs").ok());
    EXPECT_TRUE(test::HostExists(root.Host("Work", "Deep/Prefs/Config.db")));
    // Each drawer it made has the default drawer icon beside it.
    EXPECT_TRUE(test::HostExists(root.Host("Work", "Deep.info")));
    EXPECT_TRUE(test::HostExists(root.Host("Work", "Deep/Prefs.info")));
    // A drawer that cannot be made: nothing written, still a separator.
    test::WriteHostFile(root.Host("Work", "Blocker"), "a file");
    EXPECT_FALSE(SaveConfiguration(engine, "Work:Blocker/Prefs").ok());
    EXPECT_EQ(LogLines().back(), "|" + std::string(80, '-'));
}

TEST_F(ConfigFilesTest, LongRecordsAreNeverCut) {
    const std::string name(5000, 'n');
    (void)Parse(ValidEntry(name));
    ASSERT_EQ(engine.items().size(), 1u);
    ApplicationItem& item = *engine.items().front();
    item.mode = ItemMode::DOWNLOAD;
    ASSERT_TRUE(item.SetTextField(ItemField::installDir, "Work:" + std::string(3000, 'd')).ok());
    ASSERT_TRUE(SaveConfiguration(engine, "PROGDIR:Prefs").ok());
    item.mode = ItemMode::IGNORE;
    ASSERT_TRUE(item.SetTextField(ItemField::installDir, "").ok());
    auto prefs = amiga::Lock(root.dos(), "PROGDIR:Prefs");
    ASSERT_TRUE(prefs.ok());
    EXPECT_EQ(ParseDatabaseFile(engine, "Config.db", &*prefs), ParseTotals{});
    EXPECT_EQ(item.mode, ItemMode::DOWNLOAD);
    EXPECT_EQ(item.installDir().size(), 3005u);
}

// The sample database shipped in the repository loads without a message on
// both systems, and a new root gets it once.
TEST(SampleDatabase, LoadsCleanlyOnBothSystems) {
    const std::string sample = std::string(STOVAN_SOURCE_DIR) + "/sample/Database/Internal";
    for (const amiga::SystemKind kind : {amiga::SystemKind::AmigaOS4, amiga::SystemKind::MorphOS}) {
        SCOPED_TRACE(kind == amiga::SystemKind::MorphOS ? "MorphOS" : "AmigaOS4");
        test::TempRoot root(amiga::SystemProfile{kind, "4.1"});
        Preferences preferences;
        Log log;
        Engine engine(root.dos(), preferences, log);
        EXPECT_EQ(SeedSampleDatabase(root.dos(), sample), 4u);
        EXPECT_EQ(SeedSampleDatabase(root.dos(), sample), 0u);  // no longer empty
        ASSERT_TRUE(LaunchReload(engine).ok());
        for (const LogEntry& entry : log.entries()) {
            EXPECT_NE(entry.severity, kSeverityWarning) << entry.text;
            EXPECT_NE(entry.severity, kSeverityFatal) << entry.text;
            EXPECT_EQ(entry.text.find("Error"), std::string::npos) << entry.text;
        }
        ItemList& items = engine.items();
        ASSERT_GE(items.size(), 8u);
        EXPECT_EQ(items.front()->name(), "Stovan");
        EXPECT_EQ(items.FindItem("Stovan", false)->mode, ItemMode::INSTALL);
        EXPECT_NE(items.FindItem("TuneBox-Beta", true), nullptr);
        EXPECT_TRUE(items.FindItem("MailNest-PGP", false)->HasFlags(INSTALLDIR_FOLLOWS));
        const ApplicationItem* game = items.FindItem("SpaceRocks", false);
        ASSERT_NE(game, nullptr);
        EXPECT_NE(game->urlArchive().find(kind == amiga::SystemKind::MorphOS ? "/mos/" : "/os4/"),
                  std::string::npos);
        const Strings deutsch = {"deutsch"};
        const std::string* text =
            LocalisedEntry(*items.FindItem("MailNest", false), ItemField::description, deutsch);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->rfind("Ein E-Mail-Programm", 0), 0u);
    }
}

}  // namespace
TEST_F(LoaderTest, NonRegularDatabaseFilesAreSkippedWithALogLine) {
    WriteFile("Work", kUser + "Good.db", ValidEntry("Good"));
    std::filesystem::create_directories(root.Host("Work", kUser));
    // A FIFO nobody writes to: reading it would wait for ever.
    ASSERT_EQ(::mkfifo(root.Host("Work", kUser + "Stalled.db").c_str(), 0600), 0);

    ASSERT_TRUE(LoadAllDatabases(engine).ok());
    EXPECT_EQ(Names(), (Strings{"Good"}));
    EXPECT_EQ(LinesWith("Stalled.db"),
              Strings{"WARNING|Error while parsing 'Stalled.db'. Line 0, Error: "
                      "object is not of required type"});
    // Read on its own, the file is refused at once as well.
    auto read = amiga::ReadFile(root.dos(), "PROGDIR:Database/User/Stalled.db");
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error(), amiga::ERROR_OBJECT_WRONG_TYPE);
}

TEST_F(LoaderTest, EachInstallDrawerIsLookedUpOncePerLoad) {
    std::filesystem::create_directories(root.Host("Work", "Apps"));
    std::string text;
    for (int i = 0; i < 300; ++i) {
        const char* drawer = i % 3 == 0 ? "Work:Apps" : i % 3 == 1 ? "Work:Missing" : "SYS:";
        text +=
            ValidEntry("App" + std::to_string(i), "#INSTALLDIR \"" + std::string(drawer) + "\"\n");
    }
    WriteFile("Work", kUser + "Many.db", text);

    for (int load = 0; load < 2; ++load) {
        SCOPED_TRACE(load);
        ASSERT_TRUE(LoadAllDatabases(engine).ok());
        ASSERT_EQ(engine.items().size(), 300u);
        // The three drawers and the type's default, once each.
        EXPECT_LE(engine.drawers.lookups(), 4u);
        EXPECT_FALSE(engine.drawers.active());
        EXPECT_EQ(engine.items().FindItem("App0", false)->installDir(), "Work:Apps");
        EXPECT_EQ(engine.items().FindItem("App1", false)->installDir(), "Work:Missing");
    }
    // Outside a load nothing is remembered: a drawer made now is seen.
    std::filesystem::create_directories(root.Host("Work", "Missing"));
    EXPECT_TRUE(engine.drawers.Lock(root.dos(), "Work:Missing").ok());
}

}  // namespace stovan
