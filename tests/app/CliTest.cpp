// End-to-end tests of the stovan program: the built binary runs as a child
// process on a throw-away system root, and what it prints and its exit code
// are checked against the contracts of its subcommands.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <limits>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/MessageIds.h"
#include "platform/Catalog.h"
#include "tests/support/BuildPaths.h"
#include "tests/support/CannedSite.h"
#include "tests/support/RunProgram.h"
#include "tests/support/SampleData.h"
#include "tests/support/TempRoot.h"

namespace stovan::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr int kError = 10;
constexpr int kFailure = 20;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Every name under a folder, relative to it, sorted.
std::vector<std::string> NamesUnder(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        names.push_back(entry.path().lexically_relative(folder).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string Repeat(const std::string& text, std::size_t count) {
    std::string result;
    result.reserve(text.size() * count);
    for (std::size_t i = 0; i < count; ++i) {
        result += text;
    }
    return result;
}

// Days from 1 January 1978 to a date, computed apart from the program.
long AmigaDays(int year, unsigned month, unsigned day) {
    using namespace std::chrono;
    return (sys_days{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}} -
            sys_days{std::chrono::year{1978} / January / 1})
        .count();
}

// A temporary folder with a root in it that does not exist yet (stovan
// makes it on first use), and a home of its own so that no run can ever
// reach the user's real default root.
class CliTest : public ::testing::Test {
  protected:
    void SetUp() override { root_ = folder_ + "/root"; }

    RunOptions Options() const {
        RunOptions options;
        options.environment = {"HOME=" + folder_ + "/home",
                               "XDG_DATA_HOME=" + folder_ + "/data",
                               "LC_ALL=C",
                               "LANG=C",
                               "LANGUAGE=",
                               "TZ=UTC",
                               "http_proxy=",
                               "HTTP_PROXY=",
                               "all_proxy=",
                               "ALL_PROXY="};
        options.timeout = std::chrono::seconds(20);
        return options;
    }
    RunOptions German() const {
        RunOptions options = Options();
        options.environment.push_back("LC_ALL=de_DE.UTF-8");
        return options;
    }

    // stovan with exactly these arguments.
    ProgramRun Bare(const std::vector<std::string>& arguments) const {
        return Bare(arguments, Options());
    }
    ProgramRun Bare(const std::vector<std::string>& arguments, const RunOptions& options) const {
        ProgramRun run = RunProgram(BuiltProgram("stovan"), arguments, options);
        EXPECT_TRUE(run.started);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.signal, 0);
        return run;
    }

    // stovan --root <the test's root> arguments...
    ProgramRun Stovan(std::vector<std::string> arguments) const {
        return Stovan(std::move(arguments), Options());
    }
    ProgramRun Stovan(std::vector<std::string> arguments, const RunOptions& options) const {
        arguments.insert(arguments.begin(), {"--root", root_});
        return Bare(arguments, options);
    }

    // One run of stovan per row, the row's arguments after the prefix: it
    // prints exactly `out` and `err` (kAnyText: any text but none) and ends
    // with `exitCode`.
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        int exitCode = 0;
        std::string out{};
        std::string err{};
        std::string input{};  // standard input
    };
    static inline const std::string kAnyText = "\x01 any text";
    void ExpectCases(const std::vector<std::string>& prefix, const std::vector<Case>& cases) const {
        for (const Case& row : cases) {
            SCOPED_TRACE(row.name);
            std::vector<std::string> arguments = prefix;
            arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
            RunOptions options = Options();
            options.input = row.input;
            const ProgramRun run = Bare(arguments, options);
            EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
            EXPECT_EQ(run.out, row.out);
            if (row.err == kAnyText) {
                EXPECT_NE(run.err, "");
            } else {
                EXPECT_EQ(run.err, row.err);
            }
        }
    }

    // The run, failing the test unless it ended with `exitCode`.
    static ProgramRun Ended(int exitCode, ProgramRun run) {
        EXPECT_EQ(run.exitCode, exitCode) << run.out << run.err;
        return run;
    }

    std::string PrefsFile() const { return root_ + "/Work/Stovan/Prefs/stovan.prefs"; }

    TempFolder temp_{"stovan-cli"};
    std::string folder_ = temp_.path();
    std::string root_;
};

TEST_F(CliTest, HelpNamesEveryCommand) {
    const ProgramRun help = Ended(0, Bare({"--help"}));
    for (const char* command : {"db", "list", "messages", "prefs", "reload", "root", "tool"}) {
        SCOPED_TRACE(command);
        EXPECT_THAT(help.out, HasSubstr(std::string("\n  ") + command + " "));
    }
    EXPECT_EQ(Ended(0, Bare({"--version"})).out, "Stovan 1.0\n");

    for (const std::vector<std::string>& command :
         std::vector<std::vector<std::string>>{{"tool", "--help"},
                                               {"tool", "readargs", "--help"},
                                               {"prefs", "set", "--help"},
                                               {"db", "lint", "--help"},
                                               {"list", "--help"}}) {
        SCOPED_TRACE(command[command.size() - 2]);
        const ProgramRun run = Ended(0, Bare(command));
        EXPECT_THAT(run.out, HasSubstr("Usage:"));
        EXPECT_EQ(run.err, "");
    }
    // Asking for help makes no root.
    EXPECT_FALSE(fs::exists(folder_ + "/data"));
}

TEST_F(CliTest, CommandLineMistakesAreOneErrorCode) {
    ExpectCases(
        {},
        {
            {"unknown command", {"frobnicate"}, kError, "", kAnyText},
            {"missing argument", {"tool", "match"}, kError, "", kAnyText},
            {"group without its command", {"tool"}, kError, "", kAnyText},
            {"prefs set with one word", {"prefs", "set", "connectTimeout"}, kError, "", kAnyText},
            {"two commands", {"root", "messages"}, kError, "", kAnyText},
            // An empty --root (an unset shell variable) never means the default root.
            {"empty root", {"--root", "", "root"}, kError, "", kAnyText},
        });
    EXPECT_FALSE(fs::exists(folder_ + "/data"));
    EXPECT_FALSE(fs::exists(folder_ + "/home"));
}

TEST_F(CliTest, OutputThatCannotBeWrittenIsAFailure) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    RunOptions options = Options();
    options.outputFile = "/dev/full";
    for (const std::vector<std::string>& command :
         std::vector<std::vector<std::string>>{{"tool", "version", "1.2"},
                                               {"messages"},
                                               {"--root", root_, "prefs", "show"},
                                               {"--root", root_, "list"},
                                               {"--root", root_, "list", "--json"},
                                               {"--root", root_, "reload"},
                                               {"--root", root_}}) {
        SCOPED_TRACE(command.back());
        EXPECT_THAT(Ended(kFailure, Bare(command, options)).err,
                    HasSubstr("stovan: cannot write the output\n"));
    }
}

// The tools print what they read, or their fault on standard error.
TEST_F(CliTest, ToolsPrintWhatTheyReadOrTheirFault) {
    const std::string deep = Repeat("(", 1000) + "a" + Repeat(")", 1000);
    auto fails = [](const char* name, std::string form, std::string line, const char* fault) {
        return Case{
            name, {"readargs", form, line}, kError, "", std::string("readargs: ") + fault + "\n"};
    };
    const char* invalid = "argument line invalid or too long";
    ExpectCases(
        {"tool"},
        {
            {"date and time",
             {"parse-date", "15 Nov 1994 08:12:31", "%d %b %Y %H:%M:%S"},
             0,
             std::to_string(AmigaDays(1994, 11, 15)) + " 492 1550\n"},
            // A date that cannot be read fails silently with 10.
            {"no such day", {"parse-date", "31.02.2015", "%d.%m.%Y"}, kError},
            {"huge format", {"parse-date", "1.1.2000", Repeat("%d", 50000)}, kError},
            {"version", {"version", "1.5 beta"}, 0, "1.5.0\n"},
            // Beyond 32 bits the number stays at the largest one, never wraps.
            {"huge version", {"version", "4294967296.1.2"}, 0, "2147483647.1.2\n"},
            {"match: suffix, any case",
             {"match", "#?.info", "a.info", "c", "B.INFO", "a.info"},
             0,
             "a.info\nB.INFO\na.info\n"},
            {"match: case-sensitive",
             {"match", "--case", "#?.info", "a.info", "B.INFO"},
             0,
             "a.info\n"},
            {"match: names after --", {"match", "#?", "--", "-x", "--case"}, 0, "-x\n--case\n"},
            {"match: open group", {"match", "(a|", "a"}, kError, "", "match: (a|: bad template\n"},
            {"match: deep nesting",
             {"match", deep, "a"},
             kError,
             "",
             "match: " + deep + ": buffer overflow\n"},
            {"readargs: several values, last to TO",
             {"readargs", "FROM/A/M,TO/A,QUIET/S", "a b \"c d\""},
             0,
             "FROM=a\nFROM=b\nTO=c d\nQUIET=FALSE\n"},
            {"readargs: toggle", {"readargs", "T/T,F/T", "T"}, 0, "T=TRUE\nF=FALSE\n"},
            {"readargs: numbers", {"readargs", "N/N,M/N/M", "N=0012 1 -5"}, 0, "N=12\nM=1\nM=-5\n"},
            {"readargs: absent items",
             {"readargs", "FROM,TO/K,N/M", ""},
             0,
             "FROM=(none)\nTO=(none)\nN=(none)\n"},
            // A line given as an argument ends without a line feed.
            {"readargs: quote escapes", {"readargs", "A", "\"a*\"b**c\""}, 0, "A=a\"b*c\n"},
            {"readargs: Latin-1 argument", {"readargs", "A", "caf\xE9"}, 0, "A=caf\xC3\xA9\n"},
            fails("unclosed quote", "FROM/A/M,TO/A", "a \"b", invalid),
            fails("huge unclosed quote", "A/M", Repeat("\"", 100001), invalid),
            fails("not a number", "N/N", "abc", "bad number"),
            fails("two /M items", "A/M,B/M", "x", "bad template"),
            fails("required missing", "A/A", "", "required argument missing"),
        });
}

// "?" prints the template and reads one more line from standard input.
TEST_F(CliTest, ReadArgsTakesHugeLinesAndAsksForTheRest) {
    ExpectCases({"tool", "readargs"},
                {{"huge line", {"A/M", Repeat("ab ", 30000)}, 0, Repeat("A=ab\n", 30000)},
                 {"asked", {"A/A,B", "?"}, 0, "A/A,B: A=hello\nB=world\n", "", "hello world\n"},
                 {"nothing to read",
                  {"A/A", "?"},
                  kError,
                  "A/A: ",
                  "readargs: required argument missing\n"}});
}

TEST_F(CliTest, IconPrintsGoodFilesAndNamesBadOnes) {
    const std::string icon = std::string(STOVAN_FIXTURES_DIR) +
                             "/icons/developer_debug_test_rexx_simplerexx_SimpleRexx.doc.info";
    ASSERT_TRUE(fs::is_regular_file(icon));
    const std::string cut = folder_ + "/cut.info";
    WriteHostFile(cut, ReadHostFile(icon).substr(0, 40));
    const std::string text = folder_ + "/text.info";
    WriteHostFile(text, "no icon at all");

    const ProgramRun good = Ended(0, Bare({"tool", "icon", icon}));
    EXPECT_EQ(good.err, "");
    EXPECT_THAT(good.out,
                StartsWith(icon + "\n  format:       classic icon\n  type:         WBPROJECT (4)\n"
                                  "  default tool: :c/MuchMore\n  stack:        30000\n"));

    // Every file is tried; one bad file makes the whole run an error.
    const ProgramRun mixed =
        Ended(kError, Bare({"tool", "icon", folder_ + "/missing.info", icon, text, cut}));
    EXPECT_EQ(mixed.out, good.out);
    EXPECT_EQ(std::ranges::count(mixed.err, '\n'), 3) << mixed.err;
    EXPECT_THAT(mixed.err, StartsWith("icon: " + folder_ + "/missing.info: icon not found\nicon: " +
                                      text + ": not an icon file\nicon: " + cut + ": "));
}

// The texts and escapes themselves are the message module's; here: the
// listing reaches the terminal whole, one line per message.
TEST_F(CliTest, MessagesListEveryTextOnALine) {
    const ProgramRun run = Ended(0, Bare({"messages"}));
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), msg::kMessageCount);
    EXPECT_EQ(lines[msg::kMessageCount - 1], "435\tCloses this window.");
    EXPECT_THAT(run.out, HasSubstr("\n259\t\\ebNo list item is selected!\\en\n"));
    EXPECT_EQ(run.out.find('\x1B'), std::string::npos);
    EXPECT_THAT(Ended(0, Bare({"messages", "--cd"})).out,
                HasSubstr("\nMSG_REQUESTER_OK (5//)\nOk\n"));
}

TEST_F(CliTest, MessagesUseACatalogAndEscapeItsTexts) {
    amiga::CatalogContents contents;
    contents.versionString = "$VER: Stovan.catalog 2.18 (08.10.2015)";
    contents.language = "deutsch";
    contents.strings = {{5, "Gut"},
                        {33, "_Abbrechen \033b!\033n"},
                        {34, "zwei\nZeilen\\n und \\e w\xF6rtlich\\"},
                        {35, "Tab\tund CR\r"}};
    // Found by language through the locale.
    const std::string drawer = folder_ + "/Program";
    fs::create_directories(drawer + "/Catalogs/deutsch");
    WriteHostFile(drawer + "/Catalogs/deutsch/Stovan.catalog", amiga::WriteCatalog(contents));
    const ProgramRun run = Ended(0, Bare({"messages", "--catalog-dir", drawer}, German()));
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), msg::kMessageCount);
    EXPECT_EQ(lines[4], "5\tGut");
    EXPECT_EQ(lines[32], "33\t_Abbrechen \\eb!\\en");
    EXPECT_EQ(lines[33], "34\tzwei\\nZeilen\\\\n und \\\\e w\xF6rtlich\\\\");
    EXPECT_EQ(lines[34], "35\tTab\tund CR\r");
    // Texts the catalog does not have stay English.
    EXPECT_EQ(lines[35], Lines(Bare({"messages"}).out).at(35));
    // In the C locale the English texts are used, unless the catalog is named.
    EXPECT_EQ(Lines(Bare({"messages", "--catalog-dir", drawer}).out).at(4), "5\tOk");
    const std::string file = drawer + "/Catalogs/deutsch/Stovan.catalog";
    EXPECT_EQ(Bare({"messages", "--catalog", file}).out, run.out);
}

TEST_F(CliTest, MessagesFallBackToEnglishForBadCatalogs) {
    amiga::CatalogContents wrongVersion;
    wrongVersion.versionString = "$VER: Stovan.catalog 2.17 (08.10.2015)";
    wrongVersion.strings = {{5, "Gut"}};
    const std::string file = folder_ + "/Stovan.catalog";
    const ProgramRun english = Bare({"messages"});
    // The first, while there is no file yet: a missing catalog.
    for (const auto& [content, said] : std::vector<std::pair<std::string, std::string>>{
             {"", ": catalog not found or not readable"},
             {amiga::WriteCatalog(wrongVersion), " is not version 2.18"},
             {"hello, this is no catalog", ": not an IFF file"},
             {std::string(amiga::kMaxCatalogSize + 1, 'x'), ": catalog too large"}}) {
        SCOPED_TRACE(said);
        if (!content.empty()) {
            WriteHostFile(file, content);
        }
        const ProgramRun run = Ended(0, Bare({"messages", "--catalog", file}));
        EXPECT_EQ(run.out, english.out);
        EXPECT_EQ(run.err, "stovan: " + file + said + "; using the English texts\n");
    }
    // A folder without catalogs quietly gives English.
    EXPECT_EQ(Ended(0, Bare({"messages", "--catalog-dir", folder_ + "/nothing"}, German())).out,
              english.out);
}

std::map<std::string, std::string> Settings(const std::string& output) {
    std::map<std::string, std::string> settings;
    for (const std::string& line : Lines(output)) {
        const std::size_t equals = line.find('=');
        EXPECT_NE(equals, std::string::npos) << line;
        settings[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return settings;
}

TEST_F(CliTest, PrefsRefusesBadSettingsAndSavesNothing) {
    ASSERT_EQ(Stovan({"prefs", "set", "connectTimeout", "7"}).exitCode, 0);
    const std::string saved = ReadHostFile(PrefsFile());
    auto refused = [](const char* name, std::vector<std::string> settings, std::string said) {
        return Case{name, std::move(settings), kError, "", "stovan prefs: " + said + "\n"};
    };
    const std::string huge = "99999999999999999999";
    ExpectCases({"--root", root_, "prefs", "set"},
                {refused("unknown Latin-1 name", {"b\xC3\xB6gus", "1"},
                         "no setting is called 'b\xC3\xB6gus'"),
                 refused("beyond 64 bits", {"connectRetries", huge},
                         "'connectRetries' takes a number from 1 to 30, not '" + huge + "'"),
                 refused("good then bad", {"connectTimeout", "9", "bogus", "1"},
                         "no setting is called 'bogus'"),
                 refused("odd word count", {"connectTimeout", "9", "maxArchives"},
                         "set takes pairs of NAME VALUE")});
    EXPECT_EQ(ReadHostFile(PrefsFile()), saved);
    EXPECT_EQ(Settings(Stovan({"prefs", "show"}).out).at("connectTimeout"), "7");
}

TEST_F(CliTest, ADamagedPreferencesFileIsShownButNeverOverwrittenBySet) {
    const ProgramRun fresh = Ended(0, Stovan({"prefs", "show"}));
    EXPECT_THAT(fresh.err, HasSubstr("no " + std::string("PROGDIR:Prefs/stovan.prefs") + " yet"));
    // What damage the decoder refuses is its own suite's; an empty file is
    // no missing file.
    for (const std::string& damage : {std::string("FORM\x7F\xFF\xFF\xFFPREF", 12), std::string()}) {
        SCOPED_TRACE(damage.size());
        WriteHostFile(PrefsFile(), damage);
        const ProgramRun run = Ended(0, Stovan({"prefs", "show"}));
        EXPECT_EQ(run.out, fresh.out);
        EXPECT_THAT(run.err,
                    HasSubstr("cannot read PROGDIR:Prefs/stovan.prefs, showing the built-in "
                              "defaults"));
        // A set would replace what the file held with the defaults: refused.
        const ProgramRun set = Ended(kFailure, Stovan({"prefs", "set", "maxArchives", "5"}));
        EXPECT_EQ(set.out, "");
        EXPECT_THAT(set.err,
                    HasSubstr("cannot read PROGDIR:Prefs/stovan.prefs, nothing was changed"));
        EXPECT_EQ(ReadHostFile(PrefsFile()), damage);
        // reset is the way to start over.
        ASSERT_EQ(Stovan({"prefs", "reset"}).exitCode, 0);
        ASSERT_EQ(Stovan({"prefs", "set", "maxArchives", "5"}).exitCode, 0);
        const ProgramRun repaired = Stovan({"prefs", "show"});
        EXPECT_EQ(repaired.err, "");
        EXPECT_EQ(Settings(repaired.out).at("maxArchives"), "5");
    }
}

TEST_F(CliTest, ConcurrentRunsLoseNoChange) {
    ASSERT_EQ(Stovan({"reload"}).exitCode, 0);
    // Four runs at once, each changing its own setting round after round
    // between reloads (which read and write Config.db): every run's last
    // value must be in the file, and every command must succeed.
    const std::string last = "14";  // twelve rounds
    const char* script = R"(s="$0"; r="$1"; last="$2"
for name in connectTimeout connectRetries transferTimeout maxArchives; do
  ( i=3; while [ $i -le "$last" ]; do
      "$s" --root "$r" prefs set $name $i >/dev/null || echo "set $name $i"
      "$s" --root "$r" reload >/dev/null || echo "reload $name $i"
      i=$((i+1)); done ) &
done
wait)";
    RunOptions options = Options();
    options.timeout = std::chrono::seconds(120);
    const ProgramRun run =
        RunProgram("/bin/sh", {"-c", script, BuiltProgram("stovan"), root_, last}, options);
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "") << "failed commands";
    EXPECT_EQ(run.err, "");
    const auto settings = Settings(Stovan({"prefs", "show"}).out);
    for (const char* name :
         {"connectTimeout", "connectRetries", "transferTimeout", "maxArchives"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(settings.at(name), last);
    }
}

// Kills runs at random points of their saves; every saved file stays
// readable, and the next start removes what the killed runs left.
TEST_F(CliTest, KilledSavesLeaveReadableFilesAndNoTemporaries) {
    ASSERT_EQ(Stovan({"prefs", "set", "connectTimeout", "9"}).exitCode, 0);
    ASSERT_EQ(Stovan({"reload"}).exitCode, 0);
    auto arguments = [&](int round) {
        return round % 2 == 0
                   ? std::vector<std::string>{"--root", root_, "reload"}
                   : std::vector<std::string>{"--root",         root_,
                                              "prefs",          "set",
                                              "connectTimeout", std::to_string(3 + round % 20)};
    };
    // The kills fall anywhere within the shortest whole run of each command
    // seen so far, so that they land in the saves at the end as often as in
    // the start-up before them, however fast the machine is. A run that ends
    // before its kill shortens the span: a machine that grows quieter while
    // the test runs still has most runs killed.
    long length[2] = {std::numeric_limits<long>::max(), std::numeric_limits<long>::max()};
    auto timed = [&](int round, RunOptions options) {
        const auto start = std::chrono::steady_clock::now();
        const ProgramRun run = RunProgram(BuiltProgram("stovan"), arguments(round), options);
        if (!run.timedOut) {
            const long took = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::steady_clock::now() - start)
                                  .count();
            length[round % 2] = std::min(length[round % 2], took);
        }
        return run;
    };
    for (int whole = 0; whole < 4; ++whole) {
        ASSERT_EQ(timed(whole, Options()).exitCode, 0);
    }
    std::mt19937 random(12345);
    int killed = 0;
    for (int round = 0; round < 200; ++round) {
        RunOptions options = Options();
        options.timeout = std::chrono::milliseconds(random() % (length[round % 2] * 9 / 10 + 1));
        killed += timed(round, options).timedOut;
    }
    EXPECT_GT(killed, 100);

    // Every saved file is whole: the preferences decode, Config.db parses.
    EXPECT_EQ(Ended(0, Stovan({"prefs", "show"})).err, "");
    EXPECT_THAT(Ended(0, Stovan({"reload"})).out, Not(HasSubstr("Error while parsing")));
    for (const std::string& folder : {root_ + "/Work/Stovan/Prefs", root_ + "/RAM/T"}) {
        for (const std::string& name : NamesUnder(folder)) {
            EXPECT_FALSE(name.ends_with(".tmp")) << name;
            EXPECT_FALSE(name.starts_with("Config.db.damaged")) << name;
        }
    }
}

TEST_F(CliTest, RootOnAFreshFolderShowsTheSystemAndInstallsTheCommands) {
    const ProgramRun run = Ended(0, Stovan({"root"}));
    EXPECT_EQ(run.err, "");
    const std::string head = "Root: " + root_ + "\nSystem: AmigaOS4 4.1\nDevices:\n  DH0: (SYS:) " +
                             root_ + "/SYS [boot]\n  DH1: (Work:) " + root_ +
                             "/Work\n  RAM: " + root_ + "/RAM\nAssigns:\n";
    EXPECT_EQ(run.out.substr(0, head.size()), head);
    EXPECT_THAT(run.out, HasSubstr("\n  PROGDIR: Work:Stovan\n"));
    EXPECT_THAT(run.out, HasSubstr("\n  C: SYS:C\n"));
    EXPECT_TRUE(fs::is_regular_file(root_ + "/MountTable"));

    const std::string drawer = root_ + "/Work/Stovan/Database/Commands/AmigaOS4/";
    for (const char* name :
         {"SDownload", "SGauge", "SLog", "SSignal", "SStartup", "STooltype", "SVersionCompare"}) {
        SCOPED_TRACE(name);
        const std::string built = std::string(name) == "STooltype" ? "SToolType" : name;
        ASSERT_TRUE(fs::is_regular_file(BuiltProgram(built)));
        EXPECT_EQ(ReadHostFile(drawer + name), ReadHostFile(BuiltProgram(built)));
        EXPECT_NE(fs::status(drawer + name).permissions() & fs::perms::owner_exec, fs::perms::none);
    }
    const auto installed = fs::last_write_time(drawer + "SGauge");
    // A second run finds the copies current and leaves them; a damaged copy
    // is replaced.
    WriteHostFile(drawer + "SLog", "broken");
    EXPECT_EQ(Ended(0, Stovan({"root"})).out, run.out);
    EXPECT_EQ(fs::last_write_time(drawer + "SGauge"), installed);
    EXPECT_EQ(ReadHostFile(drawer + "SLog"), ReadHostFile(BuiltProgram("SLog")));
}

TEST_F(CliTest, RootOfAMorphOSSystem) {
    TempRoot morphos(amiga::SystemProfile{amiga::SystemKind::MorphOS, "3.19"});
    EXPECT_THAT(Ended(0, Bare({"--root", morphos.root(), "root"})).out,
                HasSubstr("\nSystem: MorphOS 3.19\n"));
    EXPECT_TRUE(
        fs::is_regular_file(morphos.root() + "/Work/Stovan/Database/Commands/MorphOS/SLog"));
    EXPECT_FALSE(fs::exists(morphos.root() + "/Work/Stovan/Database/Commands/AmigaOS4/SLog"));
}

TEST_F(CliTest, UnusableRootsAreRefusedAndLeftAlone) {
    const std::string full = folder_ + "/full";
    fs::create_directories(full + "/docs");
    WriteHostFile(full + "/letter.txt", "my own file");
    const std::string file = folder_ + "/a-file";
    WriteHostFile(file, "not a folder");
    const std::string emptyTable = folder_ + "/empty-table";
    fs::create_directories(emptyTable);
    WriteHostFile(emptyTable + "/MountTable", "volume\n");

    for (const auto& [name, folder] : {std::pair{"non-empty folder without a MountTable", full},
                                       {"a file", file},
                                       {"below a file", file + "/sub"},
                                       {"broken MountTable", emptyTable}}) {
        SCOPED_TRACE(name);
        ExpectCases({"--root", folder},
                    {{"root", {"root"}, kFailure, "", kAnyText},
                     {"prefs show", {"prefs", "show"}, kFailure, "", kAnyText},
                     {"prefs set", {"prefs", "set", "connectTimeout", "5"}, kFailure, "", kAnyText},
                     {"prefs reset", {"prefs", "reset"}, kFailure, "", kAnyText},
                     {"db expand", {"db", "expand", "X", "{NAME}"}, kFailure, "", kAnyText},
                     {"list", {"list"}, kFailure, "", kAnyText},
                     {"reload", {"reload"}, kFailure, "", kAnyText},
                     {"the default", {}, kFailure, "", kAnyText}});
    }
    // Nothing was added to the user's folder, the file is unchanged.
    EXPECT_EQ(NamesUnder(full), (std::vector<std::string>{"docs", "letter.txt"}));
    EXPECT_EQ(ReadHostFile(full + "/letter.txt"), "my own file");
    EXPECT_EQ(ReadHostFile(file), "not a folder");
    EXPECT_EQ(ReadHostFile(emptyTable + "/MountTable"), "volume\n");

    // Commands that need no root do not look at it.
    EXPECT_EQ(Ended(0, Bare({"--root", file, "tool", "version", "1.2"})).out, "1.2.0\n");
}

TEST_F(CliTest, RootComesFromTheEnvironmentWithoutTheOption) {
    // STOVAN_ROOT when there is no --root ...
    RunOptions options = Options();
    options.environment.push_back("STOVAN_ROOT=" + folder_ + "/from-env");
    EXPECT_EQ(Lines(Ended(0, Bare({"root"}, options)).out).at(0), "Root: " + folder_ + "/from-env");
    // ... but --root wins over it ...
    EXPECT_EQ(Lines(Bare({"--root", root_, "root"}, options).out).at(0), "Root: " + root_);
    // ... and without either the user's data folder holds the default root.
    EXPECT_EQ(Lines(Ended(0, Bare({"root"})).out).at(0), "Root: " + folder_ + "/data/stovan/root");
}

TEST_F(CliTest, DbExpandFillsPlaceholders) {
    ExpectCases(
        {"--root", root_, "db", "expand"},
        {
            {"name and archive",
             {"MyApp", "{INSTALLDIR}{NAME} {ARCHIVE}", "--type", "GAME", "--url-archive",
              "http://files.example/{NAME}.lha"},
             0,
             "SYS:MyApp MyApp.lha\n"},
            {"Latin-1 name", {"Caf\xE9", "{NAME}"}, 0, "Caf\xC3\xA9\n"},
            {"unknown type", {"X", "{NAME}", "--type", "NOVEL"}, kError, "", kAnyText},
            {"bad operation", {"X", "{NAME}", "--operation", "dance"}, kError, "", kAnyText},
            {"bad scratch", {"X", "{NAME}", "--scratch", "123456789"}, kError, "", kAnyText},
            {"bad date", {"X", "{NAME}", "--server-date", "31.02.2015"}, kError, "", kAnyText},
            {"huge", {"X", Repeat("{NAME}", 20000)}, 0, Repeat("X", 20000) + "\n"},
        });
}

// Log lines as the database commands print them: severity, tab, text.
void ExpectLogLines(const std::string& output) {
    for (const std::string& line : Lines(output)) {
        const std::size_t tab = line.find('\t');
        const std::string severity = line.substr(0, tab);
        EXPECT_TRUE(tab != std::string::npos &&
                    (severity.empty() || severity == "FATAL" || severity == "WARNING"))
            << line;
    }
}

TEST_F(CliTest, AReloadOnAFullDiskFailsAndLosesNothing) {
    ASSERT_EQ(Stovan({"reload"}).exitCode, 0);
    // The user's choice in Config.db, and a cache an interrupted reload left.
    const std::string prefs = root_ + "/Work/Stovan/Prefs";
    const std::string config = prefs + "/Config.db";
    std::string chosen = ReadHostFile(config);
    const std::size_t mode = chosen.find("MODE \"IGNORE\"");
    ASSERT_NE(mode, std::string::npos) << chosen;
    chosen.replace(mode, std::string_view("MODE \"IGNORE\"").size(), "MODE \"NOTIFY\"");
    WriteHostFile(config, chosen);
    const std::string cache = root_ + "/RAM/T/StovanVersion.db";
    WriteHostFile(cache, "; Stovan Database\n;\n;\n");
    const std::vector<std::string> before = NamesUnder(prefs);

    // No file may grow past 0 bytes: every write fails as on a full disk
    // (a limit that holds for root too, unlike a read-only drawer).
    RunOptions options = Options();
    const ProgramRun run =
        RunProgram("/bin/sh",
                   {"-c", "trap '' XFSZ; ulimit -f 0; exec \"$0\" --root \"$1\" reload",
                    BuiltProgram("stovan"), root_},
                   options);
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, kFailure) << run.out << run.err;
    EXPECT_THAT(run.out, HasSubstr("FATAL\tFailed to create temporary file!\n"));
    ExpectLogLines(run.out);
    EXPECT_EQ(ReadHostFile(config), chosen);
    EXPECT_EQ(ReadHostFile(cache), "; Stovan Database\n;\n;\n");
    EXPECT_EQ(NamesUnder(prefs), before) << "no temporary file is left";

    // With room again the choice is still there.
    EXPECT_THAT(Ended(0, Stovan({"list", "--json"})).out, HasSubstr("\"mode\": \"NOTIFY\""));
}

TEST_F(CliTest, DbLintReportsEachFile) {
    const std::string good =
        std::string(STOVAN_SOURCE_DIR) + "/sample/Database/Internal/Applications.db";
    ASSERT_TRUE(fs::is_regular_file(good));
    const std::string unended = folder_ + "/unended.db";
    WriteHostFile(unended, "#ITEM \"Foo\"\n#APPTYPE TOOL\n");
    const std::string latin1 = folder_ + "/latin1.db";
    WriteHostFile(latin1, "#ITEM \"Caf\xE9\"\n#BOGUS\n");
    const std::string fifo = folder_ + "/fifo.db";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string garbage = folder_ + "/garbage.db";
    WriteHostFile(garbage, RandomBytes(1 << 20, 12345));
    const std::string comments = folder_ + "/comments.db";
    WriteHostFile(comments, "; nothing here yet\t\f\r\n\n");  // tab, page and line ends are text

    struct Row {
        const char* name;
        std::string file;
        int exitCode;
        std::string said;  // "" when the output holds no FATAL or WARNING line
    };
    const std::string missing = folder_ + "/missing.db";
    const std::vector<Row> rows = {
        {"good", good, 0, ""},
        {"missing", missing, kError, "FATAL\tCannot read '" + missing + "': object not found.\n"},
        {"a folder", folder_, kError,
         "FATAL\tCannot read '" + folder_ + "': object is not of required type.\n"},
        {"a FIFO", fifo, kError,
         "FATAL\tCannot read '" + fifo + "': object is not of required type.\n"},
        {"no ITEM END", unended, kError, "\"ITEM END\" command is missing!"},
        {"unknown command", latin1, kError, "Unknown or misplaced command!"},
        {"binary garbage", garbage, 5,
         "WARNING\t'" + garbage + "' holds no database entry and is not a text file.\n"},
        {"only comments", comments, 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ProgramRun run = Bare({"db", "lint", row.file});
        EXPECT_EQ(run.exitCode, row.exitCode) << run.out;
        if (row.said.empty()) {
            EXPECT_EQ(run.out.find("FATAL"), std::string::npos) << run.out;
            EXPECT_EQ(run.out.find("WARNING"), std::string::npos) << run.out;
        } else {
            EXPECT_THAT(run.out, HasSubstr(row.said));
        }
        EXPECT_EQ(run.out.find("FATAL\t") != std::string::npos, row.exitCode == kError) << run.out;
        EXPECT_EQ(run.out.find("Line -1"), std::string::npos) << run.out;
        // Only a file that was read and refused ends with the count of its errors.
        const bool refused =
            row.exitCode == kError && row.said.find("Cannot read") == std::string::npos;
        EXPECT_EQ(run.out.find("errors were found") != std::string::npos, refused) << run.out;
        ExpectLogLines(run.out);
    }
    // Every file is read, each on its own, in the order given.
    const ProgramRun both = Ended(kError, Bare({"db", "lint", unended, good}));
    const std::size_t first = both.out.find("'" + unended + "'");
    const std::size_t second = both.out.find("\tLoading database '" + good);
    EXPECT_LT(first, second);
    ASSERT_NE(second, std::string::npos);
    EXPECT_EQ(both.out.substr(second), Bare({"db", "lint", good}).out);
}

TEST_F(CliTest, DatabaseTextReachesTheTerminalWithItsControlsShown) {
    ASSERT_EQ(Stovan({"reload"}).exitCode, 0);
    const std::string user = root_ + "/Work/Stovan/Database/User";
    fs::create_directories(user);
    WriteHostFile(user + "/Evil.db",
                  "#ITEM \"Evil\" DISPLAYNAME \"Evil\x1B[2J\x1B]0;owned\x07\x9B"
                  "1m\"\n"
                  "#APPTYPE TOOL\n#STOVANAUTHOR \"Tester\"\n"
                  "#URLARCHIVE \"http://example.org/files/Evil.lha\"\n"
                  "#INSTALLCHECK \"{INSTALLDIR}Evil\"\n#DESCRIPTION \"A program\"\n"
                  "#INSTALL\nEcho x\n#INSTALL END\n#ITEM END\n");
    // A FIFO named like a database is skipped with a log line, not waited on.
    ASSERT_EQ(::mkfifo((user + "/Stalled.db").c_str(), 0600), 0);
    EXPECT_THAT(Stovan({"reload"}).out,
                HasSubstr("WARNING\tError while parsing 'Stalled.db'. Line 0"));
    const ProgramRun list = Ended(0, Stovan({"list"}));
    EXPECT_THAT(list.out, HasSubstr("Evil^[[2J^[]0;owned^G\\x9b1m"));
    EXPECT_TRUE(std::ranges::all_of(list.out, [](unsigned char c) {
        return c >= 0x20 || c == '\n';
    })) << list.out;
    // --json escapes on its own and keeps the text as it is.
    EXPECT_THAT(Stovan({"list", "--json"}).out, HasSubstr("Evil\\u001b[2J"));
}

TEST_F(CliTest, ToolFetchPrintsTheStoredFileOrFailsWithTheMessage) {
    CannedSite server({{"/Foo.lha", HttpResponse("200 OK", "archive", kLastModified)}});
    const std::string url = server.Url("/Foo.lha");
    ASSERT_EQ(Stovan({"root"}).exitCode, 0);
    WriteHostFile(root_ + "/RAM/File", "not a drawer");
    ExpectCases({"--root", root_, "tool", "fetch"},
                {{"stored", {url, "--to", "RAM:In"}, 0, "RAM:In/Foo.lha\n"},
                 {"length only", {url, "--name", "Probe", "--length-only"}, 0, "RAM:T/Probe\n"},
                 {"missing",
                  {server.Url("/gone.lha")},
                  kFailure,
                  "",
                  "stovan: Unable to find 'gone.lha'!\n"},
                 {"into a file",
                  {url, "--to", "RAM:File/In"},
                  kFailure,
                  "",
                  "stovan: RAM:File/In: object is not of required type\n"}});
    EXPECT_EQ(ReadHostFile(root_ + "/RAM/In/Foo.lha"), "archive");
    EXPECT_EQ(ReadHostFile(root_ + "/RAM/T/Probe"), "LENGTH 7\n");
}

}  // namespace
}  // namespace stovan::test
