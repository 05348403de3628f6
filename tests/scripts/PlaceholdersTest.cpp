#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "platform/DosFiles.h"
#include "platform/Locks.h"
#include "scripts/Placeholders.h"
#include "scripts/Templates.h"
#include "tests/support/PlaceholderWorld.h"
#include "tests/support/ScopedEnvironment.h"
#include "version/Date.h"

namespace stovan {
namespace {

using test::PlaceholderWorld;
using test::ScopedEnvironment;

struct Row {
    const char* label;
    std::string text;
    std::string expected;
};

void CheckRows(PlaceholderWorld& world, const ApplicationItem* item, const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(world.Expand(item, row.text), row.expected);
    }
}

std::string Repeat(std::string_view piece, std::size_t times) {
    std::string text;
    for (; times > 0; --times) {
        text += piece;
    }
    return text;
}

// The item every placeholder of the table is asked for.
ApplicationItem& FullItem(PlaceholderWorld& world) {
    ApplicationItem& item = world.AddItem("MyApp");
    world.Set(item, ItemField::displayName, "My App");
    world.Set(item, ItemField::urlArchive, "http://files.example/get/{NAME}_{VERSION}.tar.gz");
    world.Set(item, ItemField::installDir, "Work:Tools");
    world.Set(item, ItemField::appDirectory, "Work:MyAppData");
    EXPECT_TRUE(
        item.SetListField(ItemField::urlServer, {"http://a/", "http://b/", "http://c/"}).ok());
    item.type = AppType::TOOL;
    item.serverVersion = {2, 5, 0};
    item.installedVersion = {1, 3, 7};
    item.serverDate = DateFromNumbers(5, 3, 2021, 7, 8, 9);
    return item;
}

// Rows that are the same on both systems, related placeholders side by side.
std::vector<Row> CommonRows() {
    return {
        {"drawers", "{TEMPDIR}|{DOWNLOADDIR}|{BACKUPDIR}",
         "RAM:T/StovanTemp/001a2b3c/|PROGDIR:Cache/Downloads/|PROGDIR:Cache/Backups/"},
        {"server version", "{VERSION}|{REVISION}|{0REVISION}|{BUILD}|{0BUILD}", "2|5|05|0|00"},
        {"installed version",
         "{INSTVERSION}|{INSTREVISION}|{0INSTREVISION}|{INSTBUILD}|{0INSTBUILD}", "1|3|03|7|07"},
        {"names", "{NAME}|{UPPERNAME}|{LOWERNAME}|{DISPLAYNAME}", "MyApp|MYAPP|myapp|My App"},
        {"archive", "{ARCHIVENAME}|{ARCHIVE}|{EXTENSION}",
         "http://files.example/get/MyApp_2.tar.gz|MyApp_2.tar.gz|.tar.gz"},
        {"item drawers", "{INSTALLDIR}|{APPDIRECTORY}|{CHECKNAME}",
         "Work:Tools/|Work:MyAppData/|Work:Stovan/Prefs/VersionData/MyApp"},
        {"run", "{LANGUAGE}|{URLSERVER}|{STOVANICON}|{RANDOM}",
         "english|http://b/|Work:Stovan/Stovan|1a2b3c"},
        {"server date", "{DAY}.{MONTH}.{YEAR} {HOUR}:{MINUTE}:{SECOND}", "05.03.2021 07:08:09"},
        {"MUIPREFSPATTERN", "{MUIPREFSPATTERN}", "(%|.#[0-9])(%|.#[0-9]).(cfg|prefs)"},
        {"backup", "{RESTORESCRIPT}|{INSTALLMODE}|{BACKUPMODE}|{BACKUPNAME}",
         "StovanRestore|UNINSTALL||PROGDIR:Cache/Backups/MyApp_v1.03.07.lha"},
    };
}

// The system words themselves are checked below, with their letter cases.
TEST(Placeholders, EveryPlaceholderOnBothSystems) {
    for (const bool morphOs : {false, true}) {
        SCOPED_TRACE(morphOs ? "MorphOS" : "AmigaOS4");
        PlaceholderWorld world =
            morphOs ? PlaceholderWorld(amiga::SystemKind::MorphOS, "3.18") : PlaceholderWorld();
        std::vector<Row> rows = CommonRows();
        rows.push_back({"system", "{SYSTEMVERSION}|{FPU}",
                        morphOs ? "$VER: MorphOS 3.18.0|ALTIVEC" : "$VER: AmigaOS4 4.1.0|"});
        CheckRows(world, &FullItem(world), rows);
    }
}

TEST(Placeholders, EveryTableRowIsReachedByItsOwnName) {
    PlaceholderWorld world;
    ApplicationItem& item = FullItem(world);
    for (const PlaceholderRow& row : PlaceholderTable()) {
        SCOPED_TRACE(std::string(row.name));
        std::string value;
        auto matched =
            ResolvePlaceholder(*world.engine, &item, std::string(row.name) + "tail", value);
        ASSERT_TRUE(matched);
        ASSERT_EQ(*matched, &row);
        EXPECT_EQ(value.find('{'), std::string::npos) << "left unexpanded: " << value;
    }
    // 53 rows, and every template placeholder has one.
    EXPECT_EQ(PlaceholderTable().size(), 53u);
    for (const TemplatePlaceholder& entry : TemplatePlaceholders()) {
        SCOPED_TRACE(std::string(entry.placeholder));
        std::string value;
        auto matched = ResolvePlaceholder(*world.engine, &item, entry.placeholder.substr(1), value);
        ASSERT_TRUE(matched);
        EXPECT_NE(*matched, nullptr);
        EXPECT_EQ(value, world.Expand(&item, TemplateText(entry.which)));
    }
}

TEST(Placeholders, BracesThatNameNothing) {
    PlaceholderWorld world;
    ApplicationItem& item = FullItem(world);
    CheckRows(world, &item,
              {
                  {"lower case name", "{name}", "MyApp"},
                  {"unclosed", "{Name", "{Name"},
                  {"unknown", "{FOO}", "{FOO}"},
                  {"unknown then known", "{FOO{NAME}}", "{FOOMyApp}"},
                  {"empty braces", "{}", "{}"},
                  {"open brace ends the text", "{", "{"},
                  {"empty text", "", ""},
                  {"text ends at NUL", std::string("a{NAME}\0{NAME}", 14), "aMyApp"},
                  {"Latin-1 around", "\xe4{NAME}\xfc", "\xe4MyApp\xfc"},
              });
    std::string value = "old";
    auto none = ResolvePlaceholder(*world.engine, &item, "FOO}", value);
    ASSERT_TRUE(none);
    EXPECT_EQ(*none, nullptr);
    EXPECT_EQ(value, "");
    auto row = ResolvePlaceholder(*world.engine, &item, "name}rest", value);
    ASSERT_TRUE(row);
    ASSERT_NE(*row, nullptr);
    EXPECT_EQ((*row)->name.size(), 5u);
    EXPECT_EQ(value, "MyApp");
}

TEST(Placeholders, OperatingSystemWordsTakeTheLettersAsWritten) {
    // The text, and its value on AmigaOS 4 and on MorphOS.
    const char* const cases[][3] = {
        {"{SystemOS}", "AmigaOS4", "MorphOS"},
        {"{SYSOS}", "AOS4", "MOS"},
        {"{sysos}", "aos4", "mos"},
        {"{SYSTEMOS}", "AMIGAOS4", "MORPHOS"},
        {"{SYSCPU}", "AOSPPC", "MOSPPC"},
        {"{SYSTEMCPU}", "AMIGAOS4PPC", "MORPHOSPPC"},
        {"{SystemCPU}", "AmigaOS4PPC", "MorphosPPC"},
        {"{SOS}", "OS4", "MOS"},
        {"{SysOs}", "", ""},
    };
    PlaceholderWorld amigaOs4;
    PlaceholderWorld morphOs(amiga::SystemKind::MorphOS, "3.18");
    for (const auto& [text, onAmigaOs4, onMorphOs] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(amigaOs4.Expand(nullptr, std::string("<") + text + ">"),
                  std::string("<") + onAmigaOs4 + ">");
        EXPECT_EQ(morphOs.Expand(nullptr, text), onMorphOs);
    }
    // A key is matched over the whole word only.
    EXPECT_EQ(OperatingSystemWord(amiga::SystemKind::AmigaOS4, "SOSX"), "");
    EXPECT_EQ(OperatingSystemWord(amiga::SystemKind::AmigaOS4, "SO"), "");
}

TEST(Placeholders, SystemVersionOfTheManagedSystem) {
    const std::tuple<amiga::SystemKind, const char*, const char*> cases[] = {
        {amiga::SystemKind::AmigaOS4, "4.1", "$VER: AmigaOS4 4.1.0"},
        {amiga::SystemKind::AmigaOS4, "4.2", "$VER: AmigaOS4 0.0.0"},
        {amiga::SystemKind::AmigaOS4, "4", "$VER: AmigaOS4 4.0.0"},
        {amiga::SystemKind::MorphOS, "3.18", "$VER: MorphOS 3.18.0"},
        {amiga::SystemKind::MorphOS, "99999999999.1", "$VER: MorphOS 0.1.0"},
    };
    for (const auto& [kind, version, expected] : cases) {
        SCOPED_TRACE(version);
        EXPECT_EQ(SystemVersionString({kind, version}), expected);
    }
    PlaceholderWorld old(amiga::SystemKind::MorphOS, "2.7");
    EXPECT_EQ(old.Expand(nullptr, "[{FPU}]"), "[]");
}

TEST(Placeholders, ArchiveExtensionAndFilePart) {
    // The label, the archive's address, its EXTENSION and its ARCHIVE.
    const char* const cases[][4] = {
        {"tar.gz", "http://host/dir/app.tar.gz", ".tar.gz", "app.tar.gz"},
        {"tar.bz2 upper case", "http://host/dir/APP.TAR.BZ2", ".TAR.BZ2", "APP.TAR.BZ2"},
        {"no dot at all", "http://host/app", "", "app"},
        {"only the host has dots", "http://www.host.example/app", ".example/app", "app"},
        {"dot before tar elsewhere", "http://h.tarpit/app", ".tarpit/app", "app"},
        {"volume path", "Work:Archives/app.lha", ".lha", "app.lha"},
        {"empty", "", "", ""},
        {"trailing slash", "http://host/dir/", "", ""},
    };
    PlaceholderWorld world;
    ApplicationItem& item = world.AddItem("App");
    for (const auto& [label, url, extension, archive] : cases) {
        SCOPED_TRACE(label);
        world.Set(item, ItemField::urlArchive, url);
        EXPECT_EQ(world.Expand(&item, "{EXTENSION}|{ARCHIVE}|{ARCHIVENAME}"),
                  std::string(extension) + "|" + archive + "|" + url);
    }
}

TEST(Placeholders, HostileValuesStayBoundedAndEnd) {
    PlaceholderWorld world;
    ApplicationItem& item = world.AddItem("App");
    const std::string deep = Repeat("{STANDARDBACKUP}{ARCHIVE}{COPYALL}", 2000);
    world.Set(item, ItemField::urlArchive, deep);
    // The archive name holds the templates many times over: its value is
    // cut at the value limit, and it never names itself.
    const std::string once = world.Expand(&item, "{ARCHIVENAME}");
    EXPECT_EQ(once.size(), kMaxPlaceholderValue);
    EXPECT_EQ(once.substr(0, 20), world.Expand(&item, "{STANDARDBACKUP}").substr(0, 20));

    // A text that names it thousands of times would pass the size limit:
    // the expansion fails with its own message rather than growing, and
    // never as a memory shortage; so does one placeholder whose template
    // would pass it.
    const std::string many = Repeat("{ARCHIVENAME}", kMaxExpandedText / kMaxPlaceholderValue + 2);
    auto tooLong = ExpandText(*world.engine, &item, many);
    ASSERT_FALSE(tooLong);
    EXPECT_EQ(tooLong.error(), kExpansionTooLong);
    EXPECT_NE(tooLong.error(), msg::NotEnoughMemory);
    const std::size_t backup = world.Expand(&item, "{STANDARDBACKUP}").size();
    ASSERT_GT(backup, 0u);
    world.Set(item, ItemField::urlArchive,
              Repeat("{STANDARDBACKUP}", kMaxExpandedText / backup + 2));
    std::string value = "old";
    auto resolved = ResolvePlaceholder(*world.engine, &item, "ARCHIVENAME}", value);
    ASSERT_FALSE(resolved);
    EXPECT_EQ(resolved.error(), kExpansionTooLong);
    EXPECT_EQ(value, "");
    world.Set(item, ItemField::urlArchive, deep);
    // Just below the limit it works.
    const std::string fewer = many.substr(0, 100 * std::string_view("{ARCHIVENAME}").size());
    auto expanded = ExpandText(*world.engine, &item, fewer);
    ASSERT_TRUE(expanded);
    EXPECT_EQ(expanded->size(), 100 * kMaxPlaceholderValue);

    // Item texts are never scanned again.
    world.Set(item, ItemField::displayName, "{NAME}{DISPLAYNAME}");
    EXPECT_EQ(world.Expand(&item, "{DISPLAYNAME}"), "{NAME}{DISPLAYNAME}");
    world.Set(item, ItemField::installDir, "Work:{INSTALLDIR}");
    EXPECT_EQ(world.Expand(&item, "{INSTALLDIR}"), "Work:{INSTALLDIR}/");
}

TEST(Placeholders, InstallDrawerFollowsAndDefaults) {
    for (const amiga::SystemKind kind : {amiga::SystemKind::AmigaOS4, amiga::SystemKind::MorphOS}) {
        const bool morphOs = kind == amiga::SystemKind::MorphOS;
        SCOPED_TRACE(morphOs ? "MorphOS" : "AmigaOS4");
        PlaceholderWorld world(kind, morphOs ? "3.18" : "4.1");
        world.preferences.installDirGame = "Work:Games";
        world.preferences.installDirTool = "Work:Tools/";

        ApplicationItem& leader = world.AddItem("Leader");
        world.Set(leader, ItemField::installDir, "Work:Lead");
        leader.type = AppType::TOOL;
        ApplicationItem& emptyGame = world.AddItem("EmptyGame");
        emptyGame.type = AppType::GAME;
        ApplicationItem& disabledLeader = world.AddItem("Off");
        world.Set(disabledLeader, ItemField::installDir, "Work:Off");
        EXPECT_TRUE(disabledLeader.SetItemFlags(INSTALLDIR_DISABLED).ok());

        const std::string noDrawer = morphOs ? "SYS:Applications/" : "SYS:";
        constexpr std::uint32_t follows = INSTALLDIR_DISABLED | INSTALLDIR_FOLLOWS;
        const std::vector<std::tuple<const char*, const char*, AppType, std::uint32_t, std::string>>
            cases = {
                {"own drawer", "Work:Apps", AppType::TOOL, 0, "Work:Apps/"},
                {"volume root", "Work:", AppType::TOOL, 0, "Work:"},
                {"empty, type with a drawer", "", AppType::GAME, 0, "Work:Games/"},
                {"empty, drawer with slash", "", AppType::TOOL, 0, "Work:Tools/"},
                {"empty, type without a drawer", "", AppType::DRIVER, 0, noDrawer},
                {"disabled", "Work:Ignored", AppType::TOOL, INSTALLDIR_DISABLED, "NIL:"},
                {"follows", "Leader", AppType::GAME, follows, "Work:Lead/"},
                {"follows without regard to case", "LEADER", AppType::GAME, follows, "Work:Lead/"},
                {"follows the leader's type default", "EmptyGame", AppType::DRIVER, follows,
                 "Work:Games/"},
                {"follows a missing item", "Nobody", AppType::TOOL, follows, "NIL:"},
                {"follows a disabled item", "Off", AppType::TOOL, follows, "NIL:"},
            };
        for (const auto& [label, installDir, type, flags, expected] : cases) {
            SCOPED_TRACE(label);
            ApplicationItem& item = world.AddItem("Item");
            world.Set(item, ItemField::installDir, installDir);
            item.type = type;
            EXPECT_TRUE(item.SetItemFlags(flags).ok());
            EXPECT_EQ(world.Expand(&item, "{INSTALLDIR}"), expected);
            world.engine->items().DisposeItem(item);
        }
    }
}

TEST(Placeholders, ServerRotorPicksConsecutiveServers) {
    PlaceholderWorld world;
    ApplicationItem& item = world.AddItem("App");
    EXPECT_EQ(world.Expand(&item, "[{URLSERVER}]"), "[]");
    EXPECT_TRUE(item.SetListField(ItemField::urlServer, {"a", "b", "c"}).ok());
    // Four expansions, the rotor stepping on after each, from a start.
    const auto from = [&](std::uint32_t start, int count) {
        std::string seen;
        for (world.engine->serverRotor = start; count-- > 0; ++world.engine->serverRotor) {
            seen += world.Expand(&item, "{URLSERVER}");
        }
        return seen;
    };
    EXPECT_EQ(from(7, 4), "bcab");
    // At the wrap of the 32-bit counter (4294967295 % 3 == 0) the first
    // server comes twice.
    EXPECT_EQ(from(0xfffffffeu, 3), "caa");
}

TEST(Placeholders, OperationModes) {
    constexpr auto install = EngineOperation::Install;
    constexpr auto uninstall = EngineOperation::Uninstall;
    constexpr std::uint32_t both = BACKUP_BEFORE_INSTALL | BACKUP_BEFORE_UNINSTALL;
    const std::tuple<const char*, EngineOperation, std::uint32_t, AppType, const char*> cases[] = {
        {"no operation", EngineOperation::None, both, AppType::TOOL, "UNINSTALL/"},
        {"install without backups", install, 0, AppType::TOOL, "INSTALL/"},
        {"install with backups", install, BACKUP_BEFORE_INSTALL, AppType::TOOL, "INSTALL/ENABLED"},
        {"uninstall with backups", uninstall, BACKUP_BEFORE_UNINSTALL, AppType::TOOL,
         "UNINSTALL/ENABLED"},
        {"uninstall, install backups only", uninstall, BACKUP_BEFORE_INSTALL, AppType::TOOL,
         "UNINSTALL/"},
        {"Stovan never backs up", install, both, AppType::STOVAN, "INSTALL/"},
    };
    PlaceholderWorld world;
    ApplicationItem& item = world.AddItem("App");
    for (const auto& [label, operation, flags2, type, expected] : cases) {
        SCOPED_TRACE(label);
        world.engine->currentOperation = operation;
        world.preferences.flags2 = flags2;
        item.type = type;
        EXPECT_EQ(world.Expand(&item, "{INSTALLMODE}/{BACKUPMODE}"), expected);
    }
}

TEST(Placeholders, WithoutAnItemOnlyItemFreeWordsHaveValues) {
    PlaceholderWorld world;
    EXPECT_EQ(world.Expand(nullptr, "{DOWNLOADDIR}|{SystemOS}|{RANDOM}|{STOVANICON}"),
              "PROGDIR:Cache/Downloads/|AmigaOS4|1a2b3c|Work:Stovan/Stovan");
    EXPECT_EQ(world.Expand(nullptr,
                           "[{NAME}{VERSION}{INSTALLDIR}{CHECKNAME}{EXTENSION}{URLSERVER}{DAY}"
                           "{BACKUPNAME}{ARCHIVE}]"),
              "[]");
}

TEST(Placeholders, LanguageFollowsTheLocale) {
    PlaceholderWorld world;
    EXPECT_EQ(world.Expand(nullptr, "{LANGUAGE}"), "english");  // the world's "C"
    const ScopedEnvironment german("LC_ALL", "de_DE.UTF-8");
    EXPECT_EQ(world.Expand(nullptr, "{LANGUAGE}"), "deutsch");
}

TEST(Placeholders, CheckNameMakesItsDrawer) {
    PlaceholderWorld world;
    ApplicationItem& item = world.AddItem("App");
    ASSERT_FALSE(amiga::Lock(world.root.dos(), kVersionDataDrawer).ok());
    EXPECT_EQ(world.Expand(&item, "{CHECKNAME}"), "Work:Stovan/Prefs/VersionData/App");
    EXPECT_TRUE(amiga::Lock(world.root.dos(), kVersionDataDrawer).ok());
    // A drawer that can neither be found nor made: no value.
    PlaceholderWorld blocked;
    ApplicationItem& other = blocked.AddItem("App");
    std::filesystem::remove_all(blocked.root.Host("Work", "Stovan/Prefs"));
    test::WriteHostFile(blocked.root.Host("Work", "Stovan/Prefs"), "x");
    EXPECT_EQ(blocked.Expand(&other, "[{CHECKNAME}]"), "[]");
}

TEST(Placeholders, ProgramFileTakesItsOnDiskName) {
    PlaceholderWorld world;
    test::WriteHostFile(world.root.Host("Work", "Stovan/stovan"), "");
    EXPECT_EQ(world.Expand(nullptr, "{STOVANICON}.info"), "Work:Stovan/stovan.info");
}

TEST(Placeholders, ApplicationDirectoryOnlyWhenItExists) {
    PlaceholderWorld world;
    const amiga::DosList& dos = world.root.dos();
    ASSERT_TRUE(amiga::CreateDir(dos, "Work:Tools").ok());
    ASSERT_TRUE(amiga::CreateDir(dos, "Work:Tools/Leader").ok());
    ASSERT_TRUE(amiga::CreateDir(dos, "Work:Data").ok());
    test::WriteHostFile(world.root.Host("Work", "Tools/AFile"), "");

    const auto item = [&](const char* name, const char* installDir,
                          std::uint32_t flags = 0) -> ApplicationItem& {
        ApplicationItem& added = world.AddItem(name);
        world.Set(added, ItemField::installDir, installDir);
        EXPECT_TRUE(added.SetItemFlags(flags).ok());
        return added;
    };
    EXPECT_EQ(ApplicationDirectory(*world.engine, item("Leader", "Work:Tools")),
              "Work:Tools/Leader");
    EXPECT_EQ(ApplicationDirectory(*world.engine, item("Missing", "Work:Tools")), std::nullopt);
    EXPECT_EQ(ApplicationDirectory(*world.engine, item("AFile", "Work:Tools")), std::nullopt);
    ApplicationItem& follower = item("Plugin", "leader", INSTALLDIR_DISABLED | INSTALLDIR_FOLLOWS);
    EXPECT_EQ(ApplicationDirectory(*world.engine, follower), "Work:Tools/Leader");
    world.Set(follower, ItemField::installDir, "Nobody");
    EXPECT_EQ(ApplicationDirectory(*world.engine, follower), std::nullopt);
    ApplicationItem& withData = item("Lib", "", INSTALLDIR_DISABLED | HAS_APPDIRECTORY);
    world.Set(withData, ItemField::appDirectory, "Work:Data");
    EXPECT_EQ(ApplicationDirectory(*world.engine, withData), "Work:Data/");
    EXPECT_EQ(ApplicationDirectory(*world.engine, item("Off", "", INSTALLDIR_DISABLED)),
              std::nullopt);
}

TEST(Placeholders, CreateDrawerPathWithAndWithoutIcons) {
    PlaceholderWorld world;
    const amiga::DosList& dos = world.root.dos();
    ASSERT_TRUE(amiga::CreateDir(dos, "Work:Old").ok());
    CreateDrawerPath(dos, "Work:Old/New/Deeper/", true);
    EXPECT_TRUE(amiga::Lock(dos, "Work:Old/New/Deeper").ok());
    EXPECT_FALSE(test::HostExists(world.root.Host("Work", "Old.info")));
    EXPECT_TRUE(test::HostExists(world.root.Host("Work", "Old/New.info")));
    EXPECT_TRUE(test::HostExists(world.root.Host("Work", "Old/New/Deeper.info")));

    CreateDrawerPath(dos, "Work:Plain/Drawer", false);
    EXPECT_TRUE(amiga::Lock(dos, "Work:Plain/Drawer").ok());
    EXPECT_FALSE(test::HostExists(world.root.Host("Work", "Plain.info")));

    // Failures are quiet: a file in the way, an unknown volume.
    test::WriteHostFile(world.root.Host("Work", "AFile"), "");
    CreateDrawerPath(dos, "Work:AFile/Below", true);
    CreateDrawerPath(dos, "NOSUCH:A/B", true);
    EXPECT_FALSE(amiga::Lock(dos, "Work:AFile/Below").ok());
}

}  // namespace
}  // namespace stovan
