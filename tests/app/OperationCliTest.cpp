// The operations end to end: the stovan program on a throw-away root whose
// database names archives on a local mirror volume (.lha files made by our
// LhA writer), run with the real stovan-shell and companion commands.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "archive/LhaWriter.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempRoot.h"

namespace stovan::test {
namespace {

namespace fs = std::filesystem;

const char* const kDatabase = R"DB(
#ITEM "Foo"
#APPTYPE TOOL
#STOVANAUTHOR "Tester"
#URLARCHIVE "Work:Mirror/Foo_{VERSION}.{REVISION}.lha"
#INSTALLDIR "Work:Apps/"
#INSTALLCHECK "{INSTALLDIR}{NAME}/{NAME}"
#DESCRIPTION "A tool"
#INSTALL
{STANDARDBACKUP}
{STANDARDEXTRACT}
{STANDARDCOPY}
#INSTALL END
#UNINSTALL
Delete "{INSTALLDIR}{NAME}" ALL QUIET FORCE
#UNINSTALL END
#ITEM END
)DB";

// An item installed from Work:Mirror/<name>.lha, depending on others.
std::string Entry(const std::string& name, const std::string& dependencies,
                  const std::string& install = "{STANDARDEXTRACT}\n{STANDARDCOPY}") {
    return "#ITEM \"" + name + "\"\n#APPTYPE TOOL\n#STOVANAUTHOR \"Tester\"\n" +
           "#URLARCHIVE \"Work:Mirror/" + name + ".lha\"\n#INSTALLDIR \"Work:Apps/\"\n" +
           "#INSTALLCHECK \"{INSTALLDIR}{NAME}/{NAME}\"\n#DESCRIPTION \"A tool\"\n" +
           (dependencies.empty() ? "" : "#DEPENDENCIES " + dependencies + "\n") + "#INSTALL\n" +
           install + "\n#INSTALL END\n#UNINSTALL\n" +
           "Delete \"{INSTALLDIR}{NAME}\" ALL QUIET FORCE\n#UNINSTALL END\n#ITEM END\n";
}

class OperationCliTest : public ::testing::Test {
  protected:
    OperationCliTest() {
        ProgramRun made = Stovan({"root"});
        EXPECT_EQ(made.exitCode, 0) << made.err;
        fs::remove_all(Host("Work/Stovan/Database/Internal"));
        fs::create_directories(Host("Work/Stovan/Database/Internal"));
        fs::create_directories(Host("Work/Mirror"));
    }

    std::string Host(const std::string& rest) const { return temp_.root() + "/" + rest; }

    void Database(const std::string& text) {
        WriteHostFile(Host("Work/Stovan/Database/Internal/Test.db"), text);
    }

    // Work:Mirror/<file> holding <name>/<name> with a version string.
    void Archive(const std::string& file, const std::string& name, const std::string& version) {
        const std::string source = temp_.folder() + "/src/" + file;
        fs::create_directories(source + "/" + name);
        WriteHostFile(source + "/" + name + "/" + name,
                      "program\n$VER: " + name + " " + version + " (01.01.2024)\n");
        stovan::archive::LhaInput drawer{source + "/" + name, name, 0, "", std::nullopt, true};
        stovan::archive::LhaInput program{
            source + "/" + name + "/" + name, name + "/" + name, 0, "", std::nullopt, false};
        ASSERT_TRUE(
            stovan::archive::CreateLhaArchive(Host("Work/Mirror/" + file), {drawer, program}).ok());
    }

    ProgramRun Stovan(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), {"--root", temp_.root()});
        RunOptions options;
        options.environment = {"LC_ALL=C", "LANG=C", "LANGUAGE=", "TZ=UTC"};
        options.timeout = std::chrono::seconds(60);
        ProgramRun run = RunProgram(BuiltProgram("stovan"), arguments, options);
        EXPECT_TRUE(run.started);
        EXPECT_FALSE(run.timedOut);
        return run;
    }

    // The installed program's text, "<missing>" when it is not there.
    std::string Installed(const std::string& name) const {
        return ReadHostFile(Host("Work/Apps/" + name + "/" + name));
    }

    std::string Config() const { return ReadHostFile(Host("Work/Stovan/Prefs/Config.db")); }

    // Marks the offered version of an item in the version cache, as a
    // server check would have found it.
    void Offer(const std::string& name, const std::string& version) {
        const std::string path = Host("RAM/T/StovanVersion.db");
        std::string text = ReadHostFile(path);
        const std::regex line("(## ITEM \"" + name + "\".*STATE )[A-Z]+(.*SVERSION \")[0-9.]+(\")");
        std::smatch found;
        ASSERT_TRUE(std::regex_search(text, found, line)) << text;
        text = found.prefix().str() + found[1].str() + "OUTDATED" + found[2].str() + version +
               found[3].str() + found.suffix().str();
        WriteHostFile(path, text);
    }

    std::vector<std::string> Downloads() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Host("Work/Stovan/Cache/Downloads"))) {
            const std::string name = entry.path().filename().string();
            if (name.find(".uaem") == std::string::npos) {
                names.push_back(name);
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempRoot temp_;
};

TEST_F(OperationCliTest, InstallUpdateWithBackupAndPruningThenUninstall) {
    Database(kDatabase);
    for (const char* version : {"1.8", "1.9", "1.10"}) {
        Archive(std::string("Foo_") + version + ".lha", "Foo", version);
    }
    ASSERT_EQ(Stovan({"prefs", "set", "BACKUP_BEFORE_INSTALL", "on"}).exitCode, 0);

    ProgramRun run = Stovan({"install", "Foo", "--version", "1.8", "--yes"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(Installed("Foo").find("Foo 1.8 "), std::string::npos);
    EXPECT_NE(Config().find("MODE \"INSTALL\""), std::string::npos) << Config();

    run = Stovan({"install", "Foo", "--yes"});
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_NE(run.err.find("'Foo' is already installed"), std::string::npos) << run.err;

    run = Stovan({"repair", "Foo", "--version", "1.9", "--yes"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(Installed("Foo").find("Foo 1.9 "), std::string::npos);

    Offer("Foo", "1.10.0");
    run = Stovan({"update", "Foo", "--yes"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(Installed("Foo").find("Foo 1.10 "), std::string::npos);
    // Numeric pruning: 1.10 and 1.9 stay, 1.8 goes.
    EXPECT_EQ(Downloads(), (std::vector<std::string>{"Foo_v1.09.lha", "Foo_v1.10.lha"}));

    // The backup holds the old version and its restore script.
    const std::string backup = Host("Work/Stovan/Cache/Backups/Foo_v1.09.lha");
    ASSERT_TRUE(HostExists(backup));
    ProgramRun unpacked =
        RunProgram(BuiltProgram("stovan-shell"),
                   {"--root", temp_.root(), "-c",
                    "LhA x \"Work:Stovan/Cache/Backups/Foo_v1.09.lha\" \"RAM:Restore/\""});
    EXPECT_EQ(unpacked.exitCode, 0) << unpacked.out << unpacked.err;
    EXPECT_NE(ReadHostFile(Host("RAM/Restore/Foo/Foo")).find("Foo 1.9 "), std::string::npos);
    EXPECT_NE(ReadHostFile(Host("RAM/Restore/Foo/StovanRestore"))
                  .find("Copy FROM \"#?\" TO \"Work:Apps/Foo\" ALL"),
              std::string::npos);

    run = Stovan({"update", "Foo", "--yes"});
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_NE(run.err.find("'Foo' is up to date"), std::string::npos) << run.err;

    run = Stovan({"uninstall", "Foo", "--yes"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_FALSE(HostExists(Host("Work/Apps/Foo")));
    EXPECT_NE(Config().find("MODE \"IGNORE\""), std::string::npos) << Config();
}

TEST_F(OperationCliTest, DependencyChainAndCycleInstallEachItemOnce) {
    Database(Entry("A", "\"B\"") + Entry("B", "\"C\"") + Entry("C", "") + Entry("P", "\"Q\"") +
             Entry("Q", "\"P\""));
    for (const char* name : {"A", "B", "C", "P", "Q"}) {
        Archive(std::string(name) + ".lha", name, "1.0");
    }
    struct Row {
        const char* name;
        const char* item;
        std::vector<std::string> order;
    };
    const Row rows[] = {{"chain", "A", {"B", "C", "A"}}, {"cycle", "P", {"Q", "P"}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ProgramRun run = Stovan({"install", row.item, "--yes"});
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
        std::vector<std::string> processed;
        const std::regex line("Processing item '([A-Z])'");
        for (auto it = std::sregex_iterator(run.out.begin(), run.out.end(), line);
             it != std::sregex_iterator(); ++it) {
            processed.push_back((*it)[1]);
        }
        EXPECT_EQ(processed, row.order);
        for (const std::string& name : row.order) {
            EXPECT_NE(Installed(name).find(name + " 1.0"), std::string::npos) << name;
        }
    }
    // Uninstalling C takes B and A with it, dependants first.
    const ProgramRun run = Stovan({"uninstall", "C", "--yes"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_LT(run.out.find("Processing item 'B'"), run.out.find("Processing item 'A'"));
    EXPECT_LT(run.out.find("Processing item 'A'"), run.out.find("Processing item 'C'"));
    for (const char* name : {"A", "B", "C"}) {
        EXPECT_FALSE(HostExists(Host(std::string("Work/Apps/") + name))) << name;
    }
}

TEST_F(OperationCliTest, AFailedScriptDoesNotStopTheRun) {
    Database(Entry("Bad", "", "Copy \"RAM:Nothing\" \"Work:Apps/\"") + Entry("Good", ""));
    Archive("Bad.lha", "Bad", "1.0");
    Archive("Good.lha", "Good", "1.0");
    ASSERT_EQ(Stovan({"mode", "Bad", "update"}).exitCode, 0);
    ASSERT_EQ(Stovan({"mode", "Good", "update"}).exitCode, 0);
    const ProgramRun run = Stovan({"process", "--yes"});
    EXPECT_EQ(run.exitCode, 10) << run.out << run.err;
    EXPECT_NE(run.out.find("FATAL\tUpdating the application\\n'Bad'"), std::string::npos)
        << run.out;
    EXPECT_NE(Installed("Good").find("Good 1.0"), std::string::npos);
    EXPECT_EQ(Stovan({"mode", "Nobody", "update"}).exitCode, 20);
    EXPECT_EQ(Stovan({"mode", "Good", "sometimes"}).exitCode, 20);
    EXPECT_EQ(Stovan({"install", "Nobody", "--yes"}).exitCode, 20);
}

TEST_F(OperationCliTest, DownloadOnlyKeepsTheArchiveAndRunsNoScript) {
    Database(kDatabase);
    Archive("Foo_2.1.lha", "Foo", "2.1");
    ASSERT_EQ(Stovan({"prefs", "set", "KEEP_ARCHIVES", "off"}).exitCode, 0);
    const ProgramRun run = Stovan({"download", "Foo", "--version", "2.1", "--yes"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(Downloads(), std::vector<std::string>{"Foo_v2.01.lha"});
    EXPECT_FALSE(HostExists(Host("Work/Apps/Foo")));
    EXPECT_EQ(Stovan({"install", "Foo", "--version", "2.x"}).exitCode, 20);
}

TEST_F(OperationCliTest, InstallsAnArchiveServedOverHttp) {
    Archive("Web.lha", "Web", "3.2");
    const std::string bytes = ReadHostFile(Host("Work/Mirror/Web.lha"));
    HttpTestServer server([&bytes](HttpConnection& connection) {
        if (connection.path() == "/files/Web.lha") {
            (void)connection.Send("HTTP/1.1 200 OK\r\nContent-Length: " +
                                  std::to_string(bytes.size()) + "\r\n\r\n" + bytes);
        } else {
            (void)connection.Send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
        }
    });
    std::string entry = Entry("Web", "");
    entry.replace(entry.find("Work:Mirror/Web.lha"), std::string("Work:Mirror/Web.lha").size(),
                  server.Url("/files/Web.lha"));
    Database(entry + Entry("Gone", ""));
    ProgramRun run = Stovan({"install", "Web", "--yes"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(Installed("Web").find("Web 3.2"), std::string::npos);
    // A missing archive stops the run with 20 and leaves the mode alone.
    run = Stovan({"install", "Gone", "--yes"});
    EXPECT_EQ(run.exitCode, 20) << run.out << run.err;
    EXPECT_EQ(Config().find("\"Gone\"  MODE \"INSTALL\""), std::string::npos) << Config();
}

// An installed item whose files carry a version, with the given server
// fields.
std::string CheckedEntry(const std::string& name, const std::string& serverFields) {
    std::string entry = Entry(name, "");
    entry.insert(entry.find("#APPTYPE"), serverFields);
    return entry;
}

TEST_F(OperationCliTest, CheckFindsOfferedVersionsAndOutdatedListsThem) {
    HttpTestServer server([](HttpConnection& connection) {
        if (connection.path() == "/page") {
            connection.Send(HttpResponse("200 OK", "Foo_1.9.lha Foo_1.10.lha"));
        } else if (connection.path() == "/readme") {
            connection.Send(HttpResponse("200 OK", "$VER: Bar 2.5 (01.01.2024)\n"));
        } else {
            connection.Send(HttpResponse("404 Not Found", "no"));
        }
    });
    Database(CheckedEntry("Foo", "#URLWEBPAGE \"" + server.Url("/page") +
                                     "\"\n#URLPATTERN \"Foo_{VERSION}.{REVISION}.lha\"\n") +
             CheckedEntry("Bar", "#URLREADME \"" + server.Url("/readme") + "\"\n") +
             CheckedEntry("Baz", "") +
             CheckedEntry("Qux", "#URLWEBPAGE \"" + server.Url("/gone") +
                                     "\"\n#URLPATTERN \"Qux_{VERSION}\"\n"));
    for (const auto& [name, version] : {std::pair{"Foo", "1.9"}, std::pair{"Bar", "2.5"}}) {
        fs::create_directories(Host("Work/Apps/") + name);
        WriteHostFile(Host("Work/Apps/") + name + "/" + name,
                      std::string("$VER: ") + name + " " + version + " (01.01.2024)\n");
    }

    for (const char* name : {"Foo", "Bar", "Baz", "Qux"}) {
        ASSERT_EQ(Stovan({"mode", name, "notify"}).exitCode, 0);
    }
    const ProgramRun none = Stovan({"outdated"});
    EXPECT_EQ(none.exitCode, 0) << none.err;
    EXPECT_EQ(none.out, "");

    const ProgramRun bogus = Stovan({"check", "--mode", "sometimes"});
    EXPECT_EQ(bogus.exitCode, 10);

    const ProgramRun checked = Stovan({"check"});
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
    const ProgramRun sequential = Stovan({"check", "--jobs", "1"});
    EXPECT_EQ(sequential.exitCode, 0) << sequential.err;
    EXPECT_EQ(sequential.out, checked.out);
    EXPECT_NE(Stovan({"check", "--jobs", "0"}).exitCode, 0);

    const ProgramRun outdated = Stovan({"outdated"});
    EXPECT_EQ(outdated.exitCode, 1) << outdated.err;
    EXPECT_EQ(outdated.out, "Foo 1.9 -> 1.10\n");
    const ProgramRun json = Stovan({"outdated", "--json"});
    EXPECT_EQ(json.exitCode, 1) << json.err;
    EXPECT_NE(json.out.find(R"({"name": "Foo", "installed": "1.9", "available": "1.10")"),
              std::string::npos)
        << json.out;

    // The system side alone fetches nothing and keeps the offered version.
    const std::size_t requests = server.Requests().size();
    const ProgramRun system = Stovan({"check", "--mode", "system", "Foo"});
    EXPECT_EQ(system.exitCode, 0) << system.err;
    EXPECT_EQ(server.Requests().size(), requests);
    EXPECT_EQ(Stovan({"outdated"}).out, "Foo 1.9 -> 1.10\n");
}

}  // namespace
}  // namespace stovan::test
