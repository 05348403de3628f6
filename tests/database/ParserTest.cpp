#include <gtest/gtest.h>

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

using test::DatabaseFixture;
using test::ValidEntry;

using ParserTest = DatabaseFixture;

TEST_F(ParserTest, ReadsEveryCommandOfAnEntry) {
    const std::string text =
        "; A comment line\n"
        "\n"
        "#ITEM \"YAM\" DISPLAYNAME \"Yet Another Mailer\" UNINSTALLWARN FORCEDOWNLOAD RELAUNCH\n"
        "   ## DATE 24.12.2023\n"
        "#ARCHIVESIZE 123456\n"
        "#APPTYPE network\n"
        "#STOVANAUTHOR \"Jane\"\n"
        "#URLSERVER \"http://a.example/\" \"http://b.example/\"\n"
        "#URLWEBPAGE \"http://yam.example/\"\n"
        "#URLREADME \"http://yam.example/readme\"\n"
        "#URLARCHIVE \"http://yam.example/get/yam.lha\"\n"
        "#APPAUTHOR \"The YAM team\"\n"
        "#APPWEBPAGE \"http://yam.example/app\"\n"
        "#APPPICTURE \"yam.png\"\n"
        "#APPCHANGELOG \"{INSTALLDIR}YAM/ChangeLog\"\n"
        "#INSTALLDIR \"Work:Internet\"\n"
        "#INSTALLCHECK \"{INSTALLDIR}YAM\" \"second\"\n"
        "#VERSIONCHECK \"{INSTALLDIR}YAM/YAM\"\n"
        "#DEPENDENCIES \"codesets.library\" \"AmiSSL\"\n"
        "#DESCRIPTION deutsch\n"
        "Ein Mailprogramm\n"
        "#DESCRIPTION END\n"
        "#DESCRIPTION \"A mail program\"\n"
        "#TEXTFILE Readme\n"
        "  line one\n"
        "; kept\n"
        "#TEXTFILE END\n"
        "#INSTALL\n"
        "  Copy \"{STANDARDEXTRACT}\"\n"
        "; a comment in the script\n"
        "\n"
        "Echo done\n"
        "#INSTALL END\n"
        "#UNINSTALL\n"
        "Delete \"{INSTALLDIR}YAM\" ALL\n"
        "#UNINSTALL END\n"
        "#ITEM END\n";
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
    EXPECT_EQ(item.urlServer(),
              (std::vector<std::string>{"http://a.example/", "http://b.example/"}));
    EXPECT_EQ(item.urlPattern(), "yam.lha");  // completed by validation
    EXPECT_EQ(item.installDir(), "Work:Internet");
    EXPECT_EQ(item.installCheck(), (std::vector<std::string>{"{INSTALLDIR}YAM", "second"}));
    EXPECT_EQ(item.dependencies(), (std::vector<std::string>{"codesets.library", "AmiSSL"}));
    EXPECT_EQ(item.description(),
              (std::vector<std::string>{"deutsch", "Ein Mailprogramm", "A mail program"}));
    EXPECT_EQ(item.textFiles(), (std::vector<std::string>{"Readme", "  line one\n; kept"}));
    EXPECT_EQ(item.installScript(),
              "  Copy \"{STANDARDEXTRACT}\"\n; a comment in the script\n\nEcho done");
    EXPECT_EQ(item.uninstallScript(), "Delete \"{INSTALLDIR}YAM\" ALL");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"|Loading database 'Test.db'."}));
}

// The error paths: which lines are logged, what the totals are, what stays.
TEST_F(ParserTest, ErrorPathsDropEntriesAndCount) {
    struct Row {
        const char* name;
        std::string text;
        std::vector<std::string> errors;  // the WARNING and FATAL lines after "Loading"
        std::vector<std::string> items;
    };
    const std::string file = "Error while parsing 'Test.db'. ";
    const std::vector<Row> rows = {
        {"missing ITEM END before the next ITEM",
         "#ITEM Foo\n#APPTYPE TOOL\n#ITEM Bar\n#APPTYPE GAME\n#ITEM END\n" + ValidEntry("Baz"),
         {"WARNING|" + file + "Line 3, Error: \"ITEM END\" command is missing!",
          "WARNING|" + file + "Line 5, Error: \"ITEM\" command is missing",
          "FATAL|" + file +
              "Line 15, Error: 2 errors were found and 1 database entries were rejected!"},
         {"Baz"}},
        {"unknown command drops the entry, its ITEM END follows",
         "#ITEM Foo\n#BOGUS 1\n#APPTYPE TOOL\n#ITEM END\n",
         {"WARNING|" + file + "Line 2, Error: Unknown or misplaced command!",
          "WARNING|" + file + "Line 4, Error: \"ITEM\" command is missing",
          "FATAL|" + file +
              "Line 4, Error: 2 errors were found and 1 database entries were rejected!"},
         {}},
        {"duplicate name is an error, not a rejected entry",
         ValidEntry("Foo") + ValidEntry("FOO"),
         {"WARNING|" + file +
              "Line 11, Error: An Item with the same name already exists und gets ignored!",
          "WARNING|" + file + "Line 20, Error: \"ITEM\" command is missing",
          "FATAL|" + file +
              "Line 20, Error: 2 errors were found and 0 database entries were rejected!"},
         {"Foo"}},
        {"an application named END cannot be defined",
         "#ITEM END\n",
         {"WARNING|" + file + "Line 1, Error: \"ITEM\" command is missing",
          "FATAL|" + file +
              "Line 1, Error: 1 errors were found and 0 database entries were rejected!"},
         {}},
        {"entry open at the end of the file",
         ValidEntry("Ok") + "#ITEM Open\n#APPTYPE TOOL\n\n",
         {"WARNING|" + file + "Line 13, Error: \"ITEM END\" command is missing!",
          "FATAL|" + file +
              "Line 13, Error: 1 errors were found and 1 database entries were rejected!"},
         {"Ok"}},
        {"a bad argument at the end leaves the system error",
         "#ITEM Foo\n#ARCHIVESIZE many\n",
         {"WARNING|" + file + "Line 2, Error: Unknown or misplaced command!",
          "FATAL|" + file + "Line 2, Error: bad number",
          "FATAL|" + file +
              "Line 2, Error: 2 errors were found and 1 database entries were rejected!"},
         {}},
        {"a good ITEM END clears the system error",
         "#ITEM Foo\n#APPTYPE\n#ITEM END\n" + ValidEntry("Good"),
         {"WARNING|" + file + "Line 2, Error: Unknown or misplaced command!",
          "WARNING|" + file + "Line 3, Error: \"ITEM\" command is missing",
          "FATAL|" + file +
              "Line 13, Error: 2 errors were found and 1 database entries were rejected!"},
         {"Good"}},
        {"a keyword followed by = is no command",
         "#ITEM Foo\n#APPTYPE=TOOL\n",
         {"WARNING|" + file + "Line 2, Error: Unknown or misplaced command!",
          "FATAL|" + file +
              "Line 2, Error: 1 errors were found and 1 database entries were rejected!"},
         {}},
        {"a # line in a script that is no command",
         "#ITEM Foo\n#INSTALL\n#? pattern\n#INSTALL END\n#ITEM END\n",
         {"WARNING|" + file + "Line 3, Error: Unknown or misplaced command!",
          "WARNING|" + file + "Line 5, Error: \"ITEM\" command is missing",
          "FATAL|" + file +
              "Line 5, Error: 2 errors were found and 1 database entries were rejected!"},
         {}},
        {"wrong DATE",
         "#ITEM Foo\n#DATE 31.02.2020\n",
         {"WARNING|" + file + "Line 2, Error: Wrong 'DATE' Format!",
          "FATAL|" + file +
              "Line 2, Error: 1 errors were found and 1 database entries were rejected!"},
         {}},
        {"TEXTFILE without a file name",
         "#ITEM Foo\n#TEXTFILE\n",
         {"WARNING|" + file + "Line 2, Error: \"TEXTFILE\" command lacks file name!",
          "FATAL|" + file +
              "Line 2, Error: 1 errors were found and 1 database entries were rejected!"},
         {}},
        {"commands outside entries are ignored",
         "#APPTYPE TOOL\n#BOGUS\n#INSTALL END\nplain text\n" + ValidEntry("Foo") + "#URLSERVER x\n",
         {},
         {"Foo"}},
        {"a broken ITEM line outside an entry opens nothing",
         "#ITEM\n#APPTYPE TOOL\n" + ValidEntry("Foo"),
         {},
         {"Foo"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        engine.items().ClearItems();
        log.ClearLog();
        const std::size_t before = log.entries().size();
        (void)Parse(row.text);
        std::vector<std::string> lines = LogLines();
        lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(before) + 1);
        EXPECT_EQ(lines, row.errors);
        EXPECT_EQ(Names(), row.items);
    }
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
        bool found = false;
        for (const LogEntry& entry : log.entries()) {
            found = found || entry.text.ends_with(std::string(GetString(row.error)));
        }
        EXPECT_TRUE(found) << testing::PrintToString(LogLines());
        EXPECT_TRUE(engine.items().empty());
    }
}

TEST_F(ParserTest, DescriptionForms) {
    const std::string text = ValidEntry("A",
                                        "#DESCRIPTION \"Eine Zeile\"\n"
                                        "#DESCRIPTION deutsch\n"
                                        "Text A\n"
                                        "#DESCRIPTION END\n"
                                        "#DESCRIPTION english\n"
                                        "Text B\n"
                                        "#DESCRIPTION END\n"
                                        "#DESCRIPTION\n"
                                        "#DESCRIPTION END\n");
    ASSERT_EQ(Parse(text), ParseTotals{}) << testing::PrintToString(LogLines());
    const ApplicationItem& item = *engine.items().front();
    EXPECT_EQ(item.description(),
              (std::vector<std::string>{"A program for tests", "Eine Zeile", "deutsch", "Text A",
                                        "english", "Text B"}));
    const std::vector<std::string> deutsch = {"deutsch"};
    const std::vector<std::string> french = {
        "fran\xE7"
        "ais"};
    const std::string* chosen = LocalisedEntry(item, ItemField::description, deutsch);
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(*chosen, "Text A");
    chosen = LocalisedEntry(item, ItemField::description, french);
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(*chosen, "Text B");
}

TEST_F(ParserTest, MissingFileGivesTheSystemTextAndTotals) {
    const ParseTotals totals = ParseDatabaseFile(engine, "PROGDIR:Database/User/Nothing.db");
    EXPECT_EQ(totals, (ParseTotals{1, 0}));
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{
                  "|Loading database 'PROGDIR:Database/User/Nothing.db'.",
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
    EXPECT_EQ(Names(), (std::vector<std::string>{"Stovan", "YAM", "games"}));
    EXPECT_EQ(engine.items().FindItem("GAMES", false)->urlWebPage(), "new");
}

TEST_F(ParserTest, DupeNamesAddEntriesButNeverShareAKey) {
    const std::string text = ValidEntry("Tool") + ValidEntry("Tool", "", " DUPENAME \"Tool_OS4\"") +
                             ValidEntry("Tool", "", " DUPENAME \"tool_os4\"");
    const ParseTotals totals = Parse(text);
    EXPECT_EQ(totals, (ParseTotals{2, 0}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"Tool", "Tool_OS4"}));
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
