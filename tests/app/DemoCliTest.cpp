// The demonstration site end to end, through the real programs: `stovan
// demo` with its own server and root, the backup it made, and an
// installation on a fresh root that learns the offered version from the site.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "tests/support/BuildPaths.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempRoot.h"

namespace stovan::test {
namespace {

using ::testing::HasSubstr;

RunOptions Options() {
    RunOptions options;
    options.environment = {
        "LC_ALL=C", "LANG=C", "LANGUAGE=", "TZ=UTC", "no_proxy=127.0.0.1", "NO_PROXY=127.0.0.1"};
    options.timeout = std::chrono::seconds(90);
    return options;
}

ProgramRun Stovan(const std::vector<std::string>& arguments) {
    ProgramRun run = RunProgram(BuiltProgram("stovan"), arguments, Options());
    EXPECT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    return run;
}

// The text of `out` from one heading of the demonstration to the next.
std::string Section(const std::string& out, const std::string& heading) {
    const std::size_t start = out.find("== " + heading + " ==");
    if (start == std::string::npos) {
        return "<no section " + heading + ">";
    }
    const std::size_t end = out.find("\n== ", start + 1);
    return out.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool HasRow(const std::string& table, const std::string& pattern) {
    return std::regex_search(table, std::regex(pattern));
}

std::string ShellType(const std::string& root, const std::string& amigaPath) {
    const TempRoot scratch;
    const ProgramRun typed = RunProgram(BuiltProgram("stovan-shell"),
                                        {"--root", root, "-c", "Type \"" + amigaPath + "\""},
                                        {.workingDirectory = scratch.folder()});
    return typed.exitCode == 0 ? typed.out : "<missing " + amigaPath + ">";
}

TEST(DemoCli, RunsEveryStepThenItsBackupRestoresTheOldVersion) {
    TempRoot temp;
    const std::string root = temp.folder() + "/demo";
    const ProgramRun demo = Stovan({"demo", "--keep", root});
    ASSERT_EQ(demo.exitCode, 0) << demo.out << demo.err;

    const std::string before = Section(demo.out, "The list before");
    const std::string after = Section(demo.out, "The list after");
    // Stovan updated itself, the database package brought QuickShell, MailNest
    // was updated with its dependency from the ZIP archive, PixelPaint removed
    // again, TuneBox is offered with its date.
    for (const char* pattern :
         {R"(STOVAN\s+Stovan\s.*INSTALLED\s+1\.1\.0\s)", R"(\sQuickShell\s)",
          R"(\sMailNest\s.*\sINSTALLED\s+1\.2\.0 .*\s1\.2\.0\s)",
          R"(\sCodeSets\s.*\sINSTALLED\s+6\.21\.0 )", R"(\sPixelPaint\s.*NOTINSTALLED)",
          R"(\sTuneBox\s.*\s2\.3\.0 \(2026-11-14\))"}) {
        SCOPED_TRACE(pattern);
        EXPECT_FALSE(HasRow(before, pattern)) << before;
        EXPECT_TRUE(HasRow(after, pattern)) << after;
    }
    // The applications were set to NOTIFY for the demonstration.
    EXPECT_TRUE(HasRow(before, R"(\sMailNest\s.*NOTIFY)")) << before;
    EXPECT_FALSE(HasRow(after, R"(\sMailNest\s.*NOTIFY)")) << after;
    EXPECT_THAT(demo.out, HasSubstr("== Stovan replaced its own program"));
    EXPECT_THAT(Section(demo.out, "Update MailNest (the installed 1.1 goes into a backup first)"),
                HasSubstr("MailNest"));
    EXPECT_THAT(after, HasSubstr("  MailNest_v1.01.lha\n"));

    // The kept root goes on with the other commands: nothing is outdated.
    EXPECT_EQ(Stovan({"--root", root, "outdated"}).exitCode, 0);

    // The backup holds 1.1 (how a backup restores is the templates' suite's).
    // MailNest goes to the default drawer of network applications, SYS:.
    EXPECT_THAT(ShellType(root, "SYS:MailNest/MailNest"), HasSubstr("MailNest 1.2"));
    const ProgramRun unpack =
        RunProgram(BuiltProgram("stovan-shell"),
                   {"--root", root, "-c",
                    "LhA x \"PROGDIR:Cache/Backups/MailNest_v1.01.lha\" \"RAM:Restore/\""},
                   {.workingDirectory = temp.folder()});
    ASSERT_EQ(unpack.exitCode, 0) << unpack.out << unpack.err;
    EXPECT_THAT(ShellType(root, "RAM:Restore/MailNest/MailNest"), HasSubstr("MailNest 1.1"));
    EXPECT_NE(ShellType(root, "RAM:Restore/MailNest/StovanRestore").find("<missing"), 0u);
    // The restore script stays in the backup, not in the installed drawer.
    EXPECT_EQ(ShellType(root, "SYS:MailNest/StovanRestore").find("<missing"), 0u);
}

}  // namespace
}  // namespace stovan::test
