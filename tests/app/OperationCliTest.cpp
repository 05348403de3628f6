// The operations end to end: the stovan program on a throw-away root whose
// database names archives on a local mirror volume (.lha files made by our
// LhA writer), run with the real stovan-shell and companion commands.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/CannedSite.h"
#include "tests/support/CliRoot.h"

namespace stovan::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class OperationCliTest : public ::testing::Test {
  protected:
    std::string Config() const { return ReadHostFile(root.Host("Work/Stovan/Prefs/Config.db")); }

    CliRoot root;
};

TEST_F(OperationCliTest, InstallUpdateWithBackupAndPruningThenUninstall) {
    root.Database(ToolEntry("Foo", "", "{STANDARDBACKUP}\n{STANDARDEXTRACT}\n{STANDARDCOPY}"));
    for (const char* version : {"1.8", "1.9", "1.10"}) {
        root.Archive(std::string("Foo_") + version + ".lha", "Foo", version);
    }
    root.Stovan(0, {"prefs", "set", "BACKUP_BEFORE_INSTALL", "on"});

    root.Stovan(0, {"install", "Foo", "--version", "1.8", "--yes"});
    EXPECT_THAT(root.Installed("Foo"), HasSubstr("Foo 1.8 "));
    EXPECT_THAT(Config(), HasSubstr("MODE \"INSTALL\""));

    EXPECT_THAT(root.Stovan(5, {"install", "Foo", "--yes"}).err,
                HasSubstr("'Foo' is already installed"));

    root.Stovan(0, {"repair", "Foo", "--version", "1.9", "--yes"});
    EXPECT_THAT(root.Installed("Foo"), HasSubstr("Foo 1.9 "));

    root.Offer("Foo", "OUTDATED", "1.10.0");
    root.Stovan(0, {"update", "Foo", "--yes"});
    EXPECT_THAT(root.Installed("Foo"), HasSubstr("Foo 1.10 "));
    // Numeric pruning: 1.10 and 1.9 stay, 1.8 goes.
    EXPECT_EQ(root.Downloads(), (std::vector<std::string>{"Foo_v1.09.lha", "Foo_v1.10.lha"}));

    // The old version went into a backup first (what it holds is checked
    // end to end by the demonstration's suite).
    EXPECT_TRUE(HostExists(root.Host("Work/Stovan/Cache/Backups/Foo_v1.09.lha")));

    EXPECT_THAT(root.Stovan(5, {"update", "Foo", "--yes"}).err, HasSubstr("'Foo' is up to date"));

    root.Stovan(0, {"uninstall", "Foo", "--yes"});
    EXPECT_FALSE(HostExists(root.Host("Work/Apps/Foo")));
    EXPECT_THAT(Config(), HasSubstr("MODE \"IGNORE\""));
}

TEST_F(OperationCliTest, AFailedScriptDoesNotStopTheRun) {
    root.Database(ToolEntry("Bad", "", "Copy \"RAM:Nothing\" \"Work:Apps/\"") +
                  ToolEntry("Good", ""));
    root.Archive("Bad_0.0.lha", "Bad", "1.0");
    root.Archive("Good_0.0.lha", "Good", "1.0");
    root.Stovan(0, {"mode", "Bad", "update"});
    root.Stovan(0, {"mode", "Good", "update"});
    EXPECT_THAT(root.Stovan(10, {"process", "--yes"}).out,
                HasSubstr("FATAL\tUpdating the application\\n'Bad'"));
    EXPECT_THAT(root.Installed("Good"), HasSubstr("Good 1.0"));
    root.Stovan(20, {"mode", "Nobody", "update"});
    root.Stovan(20, {"mode", "Good", "sometimes"});
    root.Stovan(20, {"install", "Nobody", "--yes"});
}

TEST_F(OperationCliTest, DownloadOnlyKeepsTheArchiveAndRunsNoScript) {
    root.Database(ToolEntry("Foo", "", "{STANDARDBACKUP}\n{STANDARDEXTRACT}\n{STANDARDCOPY}"));
    root.Archive("Foo_2.1.lha", "Foo", "2.1");
    root.Stovan(0, {"prefs", "set", "KEEP_ARCHIVES", "off"});
    root.Stovan(0, {"download", "Foo", "--version", "2.1", "--yes"});
    EXPECT_EQ(root.Downloads(), std::vector<std::string>{"Foo_v2.01.lha"});
    EXPECT_FALSE(HostExists(root.Host("Work/Apps/Foo")));
    root.Stovan(20, {"install", "Foo", "--version", "2.x"});
}

TEST_F(OperationCliTest, InstallsAnArchiveServedOverHttp) {
    root.Archive("Web.lha", "Web", "3.2");
    const std::string bytes = ReadHostFile(root.Host("Work/Mirror/Web.lha"));
    CannedSite server({{"/files/Web.lha", HttpResponse("200 OK", bytes)}});
    std::string entry = ToolEntry("Web", "");
    const std::string mirrored = "Work:Mirror/Web_{VERSION}.{REVISION}.lha";
    entry.replace(entry.find(mirrored), mirrored.size(), server.Url("/files/Web.lha"));
    root.Database(entry + ToolEntry("Gone", ""));
    root.Stovan(0, {"install", "Web", "--yes"});
    EXPECT_THAT(root.Installed("Web"), HasSubstr("Web 3.2"));
    // A missing archive stops the run with 20 and leaves the mode alone.
    root.Stovan(20, {"install", "Gone", "--yes"});
    EXPECT_THAT(Config(), Not(HasSubstr("\"Gone\"  MODE \"INSTALL\"")));
}

// An installed item whose files carry a version, with the given server
// fields.
std::string CheckedEntry(const std::string& name, const std::string& serverFields) {
    std::string entry = ToolEntry(name, "");
    entry.insert(entry.find("#APPTYPE"), serverFields);
    return entry;
}

TEST_F(OperationCliTest, CheckFindsOfferedVersionsAndOutdatedListsThem) {
    CannedSite server({{"/page", HttpResponse("200 OK", "Foo_1.9.lha Foo_1.10.lha")},
                       {"/readme", HttpResponse("200 OK", "$VER: Bar 2.5 (01.01.2024)\n")}});
    root.Database(CheckedEntry("Foo", "#URLWEBPAGE \"" + server.Url("/page") +
                                          "\"\n#URLPATTERN \"Foo_{VERSION}.{REVISION}.lha\"\n") +
                  CheckedEntry("Bar", "#URLREADME \"" + server.Url("/readme") + "\"\n") +
                  CheckedEntry("Baz", "") +
                  CheckedEntry("Qux", "#URLWEBPAGE \"" + server.Url("/gone") +
                                          "\"\n#URLPATTERN \"Qux_{VERSION}\"\n"));
    root.Program("Apps", "Foo", "1.9");
    root.Program("Apps", "Bar", "2.5");
    for (const char* name : {"Foo", "Bar", "Baz", "Qux"}) {
        root.Stovan(0, {"mode", name, "notify"});
    }
    EXPECT_EQ(root.Stovan(0, {"outdated"}).out, "");
    root.Stovan(10, {"check", "--mode", "sometimes"});
    const ProgramRun checked = root.Stovan(0, {"check"});
    for (const char* line :
         {"Starting version check! Mode: Full", "Version 1.10 of 'Foo' is available.",
          "Version 1.9 of 'Foo' is Outdated.", "Version 2.5 of 'Bar' is available.",
          "Version 2.5 of 'Bar' is Installed.", "'Baz' is not available for download!",
          "'Baz' is not installed!", "Unable to find 'gone'!",
          "'Qux' is not available for download!", "Version check done."}) {
        EXPECT_THAT(checked.out, HasSubstr(line));
    }

    // One fetch at a time or several: the same log, line for line.
    EXPECT_EQ(root.Stovan(0, {"check", "--jobs", "1"}).out, checked.out);
    EXPECT_NE(root.Stovan({"check", "--jobs", "0"}).exitCode, 0);

    EXPECT_EQ(root.Stovan(1, {"outdated"}).out, "Foo 1.9 -> 1.10\n");
    EXPECT_THAT(root.Stovan(1, {"outdated", "--json"}).out,
                HasSubstr(R"({"name": "Foo", "installed": "1.9", "available": "1.10")"));

    // The system side alone fetches nothing and keeps the offered version.
    const std::size_t requests = server.RequestedPaths().size();
    root.Stovan(0, {"check", "--mode", "system", "Foo"});
    EXPECT_EQ(server.RequestedPaths().size(), requests);
    EXPECT_EQ(root.Stovan({"outdated"}).out, "Foo 1.9 -> 1.10\n");
}

}  // namespace
}  // namespace stovan::test
