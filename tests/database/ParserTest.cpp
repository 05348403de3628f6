#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/MessageIds.h"
#include "core/Messages.h"
#include "database/Item.h"
#include "database/ItemList.h"
#include "database/Parser.h"
#include "tests/database/DatabaseFixture.h"

namespace stovan {
namespace {

using Strings = std::vector<std::string>;

using test::DatabaseFixture;
using test::ValidEntry;

using ParserTest = DatabaseFixture;

TEST_F(ParserTest, ReadsEveryCommandOfAnEntry) {
    const std::string text =
        "; A comment line\n\n"
        "#ITEM \"YAM\" DISPLAYNAME \"Yet Another Mailer\" UNINSTALLWARN FORCEDOWNLOAD RELAUNCH\n"
        "   ## DATE 24.12.2023\n#ARCHIVESIZE 123456\n#APPTYPE network\n#STOVANAUTHOR \"Jane\"\n"
        "#URLSERVER \"http://a.example/\" \"http://b.example/\"\n"
        "#URLWEBPAGE \"http://yam.example/\"\n#URLREADME \"http://yam.example/readme\"\n"
        "#URLARCHIVE \"http://yam.example/get/yam.lha\"\n#APPAUTHOR \"The YAM team\"\n"
        "#APPWEBPAGE \"http://yam.example/app\"\n#APPPICTURE \"yam.png\"\n"
        "#APPCHANGELOG \"{INSTALLDIR}YAM/ChangeLog\"\n#INSTALLDIR \"Work:Internet\"\n"
        "#INSTALLCHECK \"{INSTALLDIR}YAM\" \"second\"\n#VERSIONCHECK \"{INSTALLDIR}YAM/YAM\"\n"
        "#DEPENDENCIES \"codesets.library\" \"AmiSSL\"\n"
        "#DESCRIPTION deutsch\nEin Mailprogramm\n#DESCRIPTION END\n"
        "#DESCRIPTION \"A mail program\"\n"
        "#TEXTFILE Readme\n  line one\n; kept\n#TEXTFILE END\n"
        "#INSTALL\n  Copy \"{STANDARDEXTRACT}\"\n; a comment in the script\n\nEcho done\n"
        "#INSTALL END\n#UNINSTALL\nDelete \"{INSTALLDIR}YAM\" ALL\n#UNINSTALL END\n#ITEM END\n";
    const ParseTotals totals = Parse(text);
    EXPECT_EQ(totals, ParseTotals{}) << testing::PrintToString(LogLines());
    ASSERT_EQ(engine.items().size(), 1u);
    const ApplicationItem& item = *engine.items().front();
    EXPECT_EQ(item.name(), "YAM");
    EXPECT_EQ(item.displayName(), "Yet Another Mailer");
    EXPECT_EQ(item.itemFlags(), UNINSTALL_WARN | FORCE_DOWNLOAD);
    EXPECT_EQ(item.entryDate.days, 16793);  // 24 December 2023
    EXPECT_EQ(item.archiveSize, 123456u);
    EXPECT_EQ(item.type, AppType::NETWORK);
    EXPECT_EQ(item.stovanAuthor(), "Jane");
    EXPECT_EQ(item.urlServer(), (Strings{"http://a.example/", "http://b.example/"}));
    EXPECT_EQ(item.urlPattern(), "yam.lha");  // completed by validation
    EXPECT_EQ(item.installDir(), "Work:Internet");
    EXPECT_EQ(item.installCheck(), (Strings{"{INSTALLDIR}YAM", "second"}));
    EXPECT_EQ(item.dependencies(), (Strings{"codesets.library", "AmiSSL"}));
    EXPECT_EQ(item.description(), (Strings{"deutsch", "Ein Mailprogramm", "A mail program"}));
    EXPECT_EQ(item.textFiles(), (Strings{"Readme", "  line one\n; kept"}));
    EXPECT_EQ(item.installScript(),
              "  Copy \"{STANDARDEXTRACT}\"\n; a comment in the script\n\nEcho done");
    EXPECT_EQ(item.uninstallScript(), "Delete \"{INSTALLDIR}YAM\" ALL");
    EXPECT_EQ(LogLines(), (Strings{"|Loading database 'Test.db'."}));
}

// The error paths: which lines are logged, what the totals are, what stays.
TEST_F(ParserTest, ErrorPathsDropEntriesAndCount) {
    auto warn = [](int line, const std::string& text) {
        return "WARNING|Error while parsing 'Test.db'. Line " + std::to_string(line) +
               ", Error: " + text;
    };
    auto totals = [](int line, int errors, int rejected) {
        return "FATAL|Error while parsing 'Test.db'. Line " + std::to_string(line) +
               ", Error: " + std::to_string(errors) + " errors were found and " +
               std::to_string(rejected) + " database entries were rejected!";
    };
    const std::string noEnd = "\"ITEM END\" command is missing!";
    const std::string noItem = "\"ITEM\" command is missing";
    const std::string unknown = "Unknown or misplaced command!";
    // `errors` are the WARNING and FATAL lines after "Loading"; `items` what stays.
    auto expect = [&](const char* name, const std::string& text, const Strings& errors,
                      const Strings& items) {
        SCOPED_TRACE(name);
        engine.items().ClearItems();
        log.ClearLog();
        const std::size_t before = log.entries().size();
        (void)Parse(text);
        Strings lines = LogLines();
        lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(before) + 1);
        EXPECT_EQ(lines, errors);
        EXPECT_EQ(Names(), items);
    };
    expect("missing ITEM END before the next ITEM",
           "#ITEM Foo\n#APPTYPE TOOL\n#ITEM Bar\n#APPTYPE GAME\n#ITEM END\n" + ValidEntry("Baz"),
           {warn(3, noEnd), warn(5, noItem), totals(15, 2, 1)}, {"Baz"});
    expect("unknown command drops the entry, its ITEM END follows",
           "#ITEM Foo\n#BOGUS 1\n#APPTYPE TOOL\n#ITEM END\n",
           {warn(2, unknown), warn(4, noItem), totals(4, 2, 1)}, {});
    expect("duplicate name is an error, not a rejected entry",
           ValidEntry("Foo") + ValidEntry("FOO"),
           {warn(11, "An Item with the same name already exists und gets ignored!"),
            warn(20, noItem), totals(20, 2, 0)},
           {"Foo"});
    expect("an application named END cannot be defined", "#ITEM END\n",
           {warn(1, noItem), totals(1, 1, 0)}, {});
    expect("entry open at the end of the file", ValidEntry("Ok") + "#ITEM Open\n#APPTYPE TOOL\n\n",
           {warn(13, noEnd), totals(13, 1, 1)}, {"Ok"});
    expect("a bad argument at the end leaves the system error", "#ITEM Foo\n#ARCHIVESIZE many\n",
           {warn(2, unknown), "FATAL|Error while parsing 'Test.db'. Line 2, Error: bad number",
            totals(2, 2, 1)},
           {});
    expect("a good ITEM END clears the system error",
           "#ITEM Foo\n#APPTYPE\n#ITEM END\n" + ValidEntry("Good"),
           {warn(2, unknown), warn(3, noItem), totals(13, 2, 1)}, {"Good"});
    expect("a keyword followed by = is no command", "#ITEM Foo\n#APPTYPE=TOOL\n",
           {warn(2, unknown), totals(2, 1, 1)}, {});
    expect("a # line in a script that is no command",
           "#ITEM Foo\n#INSTALL\n#? pattern\n#INSTALL END\n#ITEM END\n",
           {warn(3, unknown), warn(5, noItem), totals(5, 2, 1)}, {});
    expect("wrong DATE", "#ITEM Foo\n#DATE 31.02.2020\n",
           {warn(2, "Wrong 'DATE' Format!"), totals(2, 1, 1)}, {});
    expect("TEXTFILE without a file name", "#ITEM Foo\n#TEXTFILE\n",
           {warn(2, "\"TEXTFILE\" command lacks file name!"), totals(2, 1, 1)}, {});
    expect(
        "commands outside entries are ignored",
        "#APPTYPE TOOL\n#BOGUS\n#INSTALL END\nplain text\n" + ValidEntry("Foo") + "#URLSERVER x\n",
        {}, {"Foo"});
    expect("a broken ITEM line outside an entry opens nothing",
           "#ITEM\n#APPTYPE TOOL\n" + ValidEntry("Foo"), {}, {"Foo"});
}

TEST_F(ParserTest, BlockErrors) {
    struct Row {
        const char* name;
        std::string lines;  // inside an entry Foo
        MessageId error;
    };
    const std::vector<Row> rows = {
        {"INSTALL END alone", "#INSTALL END\n", msg::MissingInstall},
        {"UNINSTALL END alone", "#UNINSTALL END\n", msg::MissingUninstall},
        {"DESCRIPTION END alone", "#DESCRIPTION END\n", msg::MissingDescription},
        {"TEXTFILE END alone", "#TEXTFILE END\n", msg::MissingTextfile},
        {"INSTALL END closing DESCRIPTION", "#DESCRIPTION\nx\n#INSTALL END\n", msg::MissingInstall},
        {"INSTALL inside INSTALL", "#INSTALL\n#INSTALL\n", msg::MissingInstallEnd},
        {"UNINSTALL inside INSTALL", "#INSTALL\n#UNINSTALL\n", msg::MissingUninstallEnd},
        {"DESCRIPTION inside INSTALL", "#INSTALL\n#DESCRIPTION\n", msg::MissingDescriptionEnd},
        {"TEXTFILE inside INSTALL", "#INSTALL\n#TEXTFILE x\n", msg::MissingTextfileEnd},
        {"INSTALL with a surplus word", "#INSTALL now\n", msg::UnknownCommand},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        engine.items().ClearItems();
        log.ClearLog();
        const ParseTotals totals = Parse("#ITEM Foo\n" + row.lines);
        EXPECT_EQ(totals.rejected, 1);
        EXPECT_TRUE(std::any_of(log.entries().begin(), log.entries().end(), [&](const LogEntry& e) {
            return e.text.ends_with(std::string(GetString(row.error)));
        })) << testing::PrintToString(LogLines());
        EXPECT_TRUE(engine.items().empty());
    }
}

TEST_F(ParserTest, DescriptionForms) {
    const std::string text = ValidEntry(
        "A",
        "#DESCRIPTION \"Eine Zeile\"\n#DESCRIPTION deutsch\nText A\n#DESCRIPTION END\n"
        "#DESCRIPTION english\nText B\n#DESCRIPTION END\n#DESCRIPTION\n#DESCRIPTION END\n");
    ASSERT_EQ(Parse(text), ParseTotals{}) << testing::PrintToString(LogLines());
    const ApplicationItem& item = *engine.items().front();
    EXPECT_EQ(item.description(), (Strings{"A program for tests", "Eine Zeile", "deutsch", "Text A",
                                           "english", "Text B"}));
}

TEST_F(ParserTest, MissingFileGivesTheSystemTextAndTotals) {
    const ParseTotals totals = ParseDatabaseFile(engine, "PROGDIR:Database/User/Nothing.db");
    EXPECT_EQ(totals, (ParseTotals{1, 0}));
    EXPECT_EQ(
        LogLines(),
        (Strings{"|Loading database 'PROGDIR:Database/User/Nothing.db'.",
                 "FATAL|Error while parsing 'PROGDIR:Database/User/Nothing.db'. Line -1, Error: "
                 "object not found",
                 "FATAL|Error while parsing 'PROGDIR:Database/User/Nothing.db'. Line -1, Error: 1 "
                 "errors were found and 0 database entries were rejected!"}));
}

TEST_F(ParserTest, DatabasePackagesAreReplacedOtherDuplicatesRefused) {
    const std::string package = ValidEntry("Games", "#APPTYPE STOVAN\n");
    const std::string stovan = ValidEntry("Stovan", "#APPTYPE STOVAN\n");
    (void)Parse(package + stovan + ValidEntry("YAM"), "StovanMain.db");
    ApplicationItem* first = engine.items().FindItem("Games", false);
    ASSERT_NE(first, nullptr);

    const ParseTotals totals = Parse(
        ValidEntry("games", "#APPTYPE STOVAN\n#URLWEBPAGE new\n") + stovan + ValidEntry("yam"),
        "StovanGames.db");
    EXPECT_EQ(totals, (ParseTotals{4, 0}));  // 391 and 379 for Stovan and for YAM
    EXPECT_EQ(Names(), (Strings{"Stovan", "YAM", "games"}));
    EXPECT_EQ(engine.items().FindItem("GAMES", false)->urlWebPage(), "new");
}

TEST_F(ParserTest, DupeNamesAddEntriesButNeverShareAKey) {
    const std::string text = ValidEntry("Tool") + ValidEntry("Tool", "", " DUPENAME \"Tool_OS4\"") +
                             ValidEntry("Tool", "", " DUPENAME \"tool_os4\"");
    const ParseTotals totals = Parse(text);
    EXPECT_EQ(totals, (ParseTotals{2, 0}));
    EXPECT_EQ(Names(), (Strings{"Tool", "Tool_OS4"}));
    EXPECT_EQ(engine.items().FindItem("Tool_OS4", true)->name(), "Tool");
}

TEST_F(ParserTest, HostileTexts) {
    struct Row {
        const char* name;
        std::string text;
    };
    const std::vector<Row> rows = {
        {"empty", ""},
        {"only line ends", std::string(1000, '\n')},
        {"NUL bytes", std::string("#ITEM \0Foo\n#ITEM END\n", 22)},
        {"unclosed quote", "#ITEM \"Foo\n#ITEM END\n"},
        {"huge line", "#ITEM " + std::string(1 << 20, 'x') + "\n#ITEM END\n"},
        {"only hashes", "####\n#\n# \t #\n"},
        {"block without end at the end", "#ITEM Foo\n#INSTALL\nabc"},
        {"END on the last line without line feed", "#ITEM Foo\n#INSTALL\nabc\n#INSTALL END"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        engine.items().ClearItems();
        (void)Parse(row.text);
        EXPECT_TRUE(engine.items().empty());
    }
}

}  // namespace
}  // namespace stovan
