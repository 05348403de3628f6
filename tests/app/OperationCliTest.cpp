// The operations end to end: the stovan program on a throw-away root whose
// database names archives on a local mirror volume (.lha files made by our
// LhA writer), run with the real stovan-shell and companion commands.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/CannedSite.h"
#include "tests/support/CliRoot.h"

namespace stovan::test {
namespace {

namespace fs = std::filesystem;

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
    ASSERT_EQ(root.Stovan({"prefs", "set", "BACKUP_BEFORE_INSTALL", "on"}).exitCode, 0);

    ProgramRun run = root.Stovan({"install", "Foo", "--version", "1.8", "--yes"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(root.Installed("Foo").find("Foo 1.8 "), std::string::npos);
    EXPECT_NE(Config().find("MODE \"INSTALL\""), std::string::npos) << Config();

    run = root.Stovan({"install", "Foo", "--yes"});
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_NE(run.err.find("'Foo' is already installed"), std::string::npos) << run.err;

    run = root.Stovan({"repair", "Foo", "--version", "1.9", "--yes"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(root.Installed("Foo").find("Foo 1.9 "), std::string::npos);

    root.Offer("Foo", "OUTDATED", "1.10.0");
    run = root.Stovan({"update", "Foo", "--yes"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(root.Installed("Foo").find("Foo 1.10 "), std::string::npos);
    // Numeric pruning: 1.10 and 1.9 stay, 1.8 goes.
    EXPECT_EQ(root.Downloads(), (std::vector<std::string>{"Foo_v1.09.lha", "Foo_v1.10.lha"}));

    // The old version went into a backup first (what it holds is checked
    // end to end by the demonstration's suite).
    EXPECT_TRUE(HostExists(root.Host("Work/Stovan/Cache/Backups/Foo_v1.09.lha")));

    run = root.Stovan({"update", "Foo", "--yes"});
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_NE(run.err.find("'Foo' is up to date"), std::string::npos) << run.err;

    run = root.Stovan({"uninstall", "Foo", "--yes"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_FALSE(HostExists(root.Host("Work/Apps/Foo")));
    EXPECT_NE(Config().find("MODE \"IGNORE\""), std::string::npos) << Config();
}

TEST_F(OperationCliTest, AFailedScriptDoesNotStopTheRun) {
    root.Database(ToolEntry("Bad", "", "Copy \"RAM:Nothing\" \"Work:Apps/\"") +
                  ToolEntry("Good", ""));
    root.Archive("Bad_0.0.lha", "Bad", "1.0");
    root.Archive("Good_0.0.lha", "Good", "1.0");
    ASSERT_EQ(root.Stovan({"mode", "Bad", "update"}).exitCode, 0);
    ASSERT_EQ(root.Stovan({"mode", "Good", "update"}).exitCode, 0);
    const ProgramRun run = root.Stovan({"process", "--yes"});
    EXPECT_EQ(run.exitCode, 10) << run.out << run.err;
    EXPECT_NE(run.out.find("FATAL\tUpdating the application\\n'Bad'"), std::string::npos)
        << run.out;
    EXPECT_NE(root.Installed("Good").find("Good 1.0"), std::string::npos);
    EXPECT_EQ(root.Stovan({"mode", "Nobody", "update"}).exitCode, 20);
    EXPECT_EQ(root.Stovan({"mode", "Good", "sometimes"}).exitCode, 20);
    EXPECT_EQ(root.Stovan({"install", "Nobody", "--yes"}).exitCode, 20);
}

TEST_F(OperationCliTest, DownloadOnlyKeepsTheArchiveAndRunsNoScript) {
    root.Database(ToolEntry("Foo", "", "{STANDARDBACKUP}\n{STANDARDEXTRACT}\n{STANDARDCOPY}"));
    root.Archive("Foo_2.1.lha", "Foo", "2.1");
    ASSERT_EQ(root.Stovan({"prefs", "set", "KEEP_ARCHIVES", "off"}).exitCode, 0);
    const ProgramRun run = root.Stovan({"download", "Foo", "--version", "2.1", "--yes"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(root.Downloads(), std::vector<std::string>{"Foo_v2.01.lha"});
    EXPECT_FALSE(HostExists(root.Host("Work/Apps/Foo")));
    EXPECT_EQ(root.Stovan({"install", "Foo", "--version", "2.x"}).exitCode, 20);
}

TEST_F(OperationCliTest, InstallsAnArchiveServedOverHttp) {
    root.Archive("Web.lha", "Web", "3.2");
    const std::string bytes = ReadHostFile(root.Host("Work/Mirror/Web.lha"));
    CannedSite server({{"/files/Web.lha", HttpResponse("200 OK", bytes)}});
    std::string entry = ToolEntry("Web", "");
    const std::string mirrored = "Work:Mirror/Web_{VERSION}.{REVISION}.lha";
    entry.replace(entry.find(mirrored), mirrored.size(), server.Url("/files/Web.lha"));
    root.Database(entry + ToolEntry("Gone", ""));
    ProgramRun run = root.Stovan({"install", "Web", "--yes"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(root.Installed("Web").find("Web 3.2"), std::string::npos);
    // A missing archive stops the run with 20 and leaves the mode alone.
    run = root.Stovan({"install", "Gone", "--yes"});
    EXPECT_EQ(run.exitCode, 20) << run.out << run.err;
    EXPECT_EQ(Config().find("\"Gone\"  MODE \"INSTALL\""), std::string::npos) << Config();
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
    for (const auto& [name, version] : {std::pair{"Foo", "1.9"}, std::pair{"Bar", "2.5"}}) {
        fs::create_directories(root.Host("Work/Apps/") + name);
        WriteHostFile(root.Host("Work/Apps/") + name + "/" + name,
                      std::string("$VER: ") + name + " " + version + " (01.01.2024)\n");
    }

    for (const char* name : {"Foo", "Bar", "Baz", "Qux"}) {
        ASSERT_EQ(root.Stovan({"mode", name, "notify"}).exitCode, 0);
    }
    const ProgramRun none = root.Stovan({"outdated"});
    EXPECT_EQ(none.exitCode, 0) << none.err;
    EXPECT_EQ(none.out, "");

    const ProgramRun bogus = root.Stovan({"check", "--mode", "sometimes"});
    EXPECT_EQ(bogus.exitCode, 10);

    const ProgramRun checked = root.Stovan({"check"});
    EXPECT_EQ(checked.exitCode, 0) << checked.err;
    for (const char* line :
         {"Starting version check! Mode: Full", "Version 1.10 of 'Foo' is available.",
          "Version 1.9 of 'Foo' is Outdated.", "Version 2.5 of 'Bar' is available.",
          "Version 2.5 of 'Bar' is Installed.", "'Baz' is not available for download!",
          "'Baz' is not installed!", "Unable to find 'gone'!",
          "'Qux' is not available for download!", "Version check done."}) {
        EXPECT_NE(checked.out.find(line), std::string::npos) << line << "\n" << checked.out;
    }

    // One fetch at a time or several: the same log, line for line.
    const ProgramRun sequential = root.Stovan({"check", "--jobs", "1"});
    EXPECT_EQ(sequential.exitCode, 0) << sequential.err;
    EXPECT_EQ(sequential.out, checked.out);
    EXPECT_NE(root.Stovan({"check", "--jobs", "0"}).exitCode, 0);

    const ProgramRun outdated = root.Stovan({"outdated"});
    EXPECT_EQ(outdated.exitCode, 1) << outdated.err;
    EXPECT_EQ(outdated.out, "Foo 1.9 -> 1.10\n");
    const ProgramRun json = root.Stovan({"outdated", "--json"});
    EXPECT_EQ(json.exitCode, 1) << json.err;
    EXPECT_NE(json.out.find(R"({"name": "Foo", "installed": "1.9", "available": "1.10")"),
              std::string::npos)
        << json.out;

    // The system side alone fetches nothing and keeps the offered version.
    const std::size_t requests = server.RequestedPaths().size();
    const ProgramRun system = root.Stovan({"check", "--mode", "system", "Foo"});
    EXPECT_EQ(system.exitCode, 0) << system.err;
    EXPECT_EQ(server.RequestedPaths().size(), requests);
    EXPECT_EQ(root.Stovan({"outdated"}).out, "Foo 1.9 -> 1.10\n");
}

}  // namespace
}  // namespace stovan::test
