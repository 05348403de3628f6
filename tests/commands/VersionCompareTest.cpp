#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "commands/VersionCompare.h"
#include "platform/DosFiles.h"
#include "tests/commands/CommandsSupport.h"
#include "tests/support/ScopedEnvironment.h"

namespace stovan::test {
namespace {

namespace fs = std::filesystem;
using commands::FileVersion;
using commands::ParseVersionOutput;
using commands::ParseVersionStringDate;

// Days since 1 January 1978.
std::int32_t Days(int year, int month, int day) {
    const auto civil = std::chrono::sys_days(std::chrono::year(year) / month / day);
    const auto epoch = std::chrono::sys_days(std::chrono::year(1978) / 1 / 1);
    return static_cast<std::int32_t>((civil - epoch).count());
}

TEST(VersionStringDate, ReadsDayMonthYear) {
    struct Row {
        const char* text;
        std::int32_t days;
    } dates[] = {
        {"08.10.15", Days(2015, 10, 8)},   {"8.10.2015", Days(2015, 10, 8)},
        {"08.10.1999", Days(1999, 10, 8)}, {"1.1.78", 0},
        {"31.12.77", Days(2077, 12, 31)},  {"29.02.16", Days(2016, 2, 29)},
    };
    for (const Row& row : dates) {
        SCOPED_TRACE(row.text);
        amiga::DateStamp date{99, 98, 97};
        EXPECT_TRUE(ParseVersionStringDate(row.text, date));
        EXPECT_EQ(date, (amiga::DateStamp{row.days, 0, 0}));
    }
    for (const char* text :
         {"29.02.15", "31.04.15", "00.10.15", "08.13.15", "08.10.15.", ".08.10.15", "08.10",
          "08..10.15", "", "123.10.15", "08.10.12345", "01.01.1977"}) {
        SCOPED_TRACE(text);
        amiga::DateStamp date{99, 98, 97};
        EXPECT_FALSE(ParseVersionStringDate(text, date));
        EXPECT_EQ(date, (amiga::DateStamp{99, 98, 97}));  // untouched
    }
}

TEST(VersionOutput, FirstLineGivesTripleAndDate) {
    struct Row {
        const char* output;
        bool found;
        std::uint32_t version, revision, build;
        std::int32_t days;
    } rows[] = {
        {"Foo 2.18 (08.10.2015)\n", true, 2, 18, 0, Days(2015, 10, 8)},
        {"Foo v3.1.4\n", true, 3, 1, 4, 0},
        {"Foo V7.0", true, 7, 0, 0, 0},
        {"Foo 2.3 (8-10-2015)", true, 2, 3, 0, Days(2015, 10, 8)},
        {"Foo 2.3 (08 Oct 2015)", true, 2, 3, 0, 0},
        {"SToolType 1.10 ((08.10.15))", true, 1, 10, 0, 0},
        {"Foo 5 (01.01.16)", true, 5, 0, 0, 0},  // no revision: no date
        {"Foo 1.2.3 (01.02.2003) extra", true, 1, 2, 3, Days(2003, 2, 1)},
        {"Foo 1.2 (01.02.2003 but never closed", true, 1, 2, 0, 0},
        {"Foo 1.2 (01.02.03.04.05.06.07.08.09.10)", true, 1, 2, 0, 0},  // cut at 19
        {"", false, 0, 0, 0, 0},
        {"Foo\nBar 1.2 (01.01.15)\n", false, 0, 0, 0, 0},  // only the first line
        {"Foo x1.2", false, 0, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.output);
        auto version = ParseVersionOutput(row.output);
        ASSERT_EQ(version.has_value(), row.found);
        if (!row.found) {
            continue;
        }
        EXPECT_EQ(version->version, row.version);
        EXPECT_EQ(version->revision, row.revision);
        EXPECT_EQ(version->build, row.build);
        EXPECT_EQ(version->date, (amiga::DateStamp{row.days, 0, 0}));
    }
}

class SVersionCompareTest : public ::testing::Test {
  protected:
    void Put(const std::string& name, const std::string& content) {
        WriteHostFile(root_.Host("Work", name), content);
    }
    int Run(const std::string& line, std::string* output = nullptr,
            const commands::ShellRunner& runner = commands::RunShellCommand) {
        CapturedContext context("SVersionCompare", root_.dos(), line);
        const int rc = commands::RunSVersionCompare(context.get(), runner);
        if (output != nullptr) {
            *output = context.Output();
        }
        return rc;
    }
    // Nothing is left behind in T:.
    void ExpectTemporaryDrawerEmpty() { EXPECT_TRUE(fs::is_empty(root_.Host("RAM", "T"))); }

    TempRoot root_;
    FakeStovan stovan_{root_.dos()};
};

// Without a shell program the command reads the version strings itself.
class BuiltInVersion {
    ScopedEnvironment shell_{"STOVAN_SHELL", "/nonexistent/stovan-shell"};
};

TEST_F(SVersionCompareTest, CasesWithBuiltInVersion) {
    BuiltInVersion builtIn;
    Put("new", std::string("\0\0$VER: foo.library 1.10 (08.10.15)\0junk", 40));
    Put("old", "$VER: foo.library 1.9 (01.01.16)\n");
    Put("early", "$VER: bar 2.3 (01.02.15)");
    Put("late", "$VER: bar 2.3 (01.03.15)");
    Put("none", "no version string here");
    Put("with blank", "$VER: blank 4.0 (01.01.20)");
    struct Row {
        const char* name;
        const char* line;
        int rc;
        const char* output;
    } rows[] = {
        {"newer first", "Work:new Work:old", 0, ""},
        {"older first", "Work:old Work:new", 5, ""},
        {"same triple, earlier date", "Work:early Work:late", 5, ""},
        {"first without version", "Work:none Work:new", 5, ""},
        {"first missing", "Work:missing Work:new", 5, ""},
        {"second without version", "Work:new Work:none", 20,
         "SVersionCompare: Version not found!\n"},
        {"names with blanks", "\"Work:with blank\" Work:new", 0, ""},
        {"one name only", "Work:new", 20, "SVersionCompare: required argument missing\n"},
        {"three names", "Work:new Work:old Work:late", 20,
         "SVersionCompare: wrong number of arguments\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string output;
        EXPECT_EQ(Run(row.line, &output), row.rc);
        EXPECT_EQ(output, row.output);
        ExpectTemporaryDrawerEmpty();
    }
}

TEST_F(SVersionCompareTest, RunsTheVersionCommandOfTheShell) {
    // A stand-in shell that records its arguments and drawer and prints one
    // version line per file name.
    const std::string shell = root_.folder() + "/fake-shell";
    const std::string log = root_.folder() + "/shell.log";
    WriteHostFile(
        shell, "#!/bin/sh\nprintf '%s|%s|%s|%s\\n' \"$1\" \"$2\" \"$(pwd)\" \"$STOVAN_ROOT\" >> '" +
                   log +
                   "'\ncase \"$2\" in\n  *first*) echo 'first 3.4 (01.02.16)';;\n"
                   "  *) echo 'second 3.4 (01.03.16)';;\nesac\necho 'some error' >&2\nexit 10\n");
    fs::permissions(shell, fs::perms::owner_all);
    Put("first", "");
    Put("second", "");
    int rc = 0;
    CapturedContext context("SVersionCompare", root_.dos(), "first Work:second");
    {
        const ScopedEnvironment usingShell("STOVAN_SHELL", shell);
        context.get().currentDrawer = *amiga::Lock(root_.dos(), "Work:");
        rc = commands::RunSVersionCompare(context.get(), commands::RunShellCommand);
    }
    EXPECT_EQ(rc, 5) << context.Output();
    EXPECT_EQ(context.Output(), "");
    const std::string where = "|" + root_.Host("Work") + "|" + root_.root() + "\n";
    EXPECT_EQ(ReadHostFile(log), "-c|Version FULL NAME \"Work:first\" FILE *>NIL:" + where +
                                     "-c|Version FULL NAME \"Work:second\" FILE *>NIL:" + where);
    ExpectTemporaryDrawerEmpty();
}

TEST_F(SVersionCompareTest, HostileNamesStayOneArgument) {
    std::vector<std::string> lines;
    auto recorder = [&lines](const commands::CommandContext&, const std::string& line,
                             const std::string& outputPath) -> amiga::DosStatus {
        lines.push_back(line);
        WriteHostFile(outputPath, "x 1.0\n");
        return amiga::DosStatus::Ok();
    };
    EXPECT_EQ(Run("\"Work:a*\"b\" \"Work:c**d\"", nullptr, recorder), 0);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Version FULL NAME \"Work:a*\"b\" FILE *>NIL:");
    EXPECT_EQ(lines[1], "Version FULL NAME \"Work:c**d\" FILE *>NIL:");
}

TEST_F(SVersionCompareTest, ShellThatCannotStartIsAFailureOnlyForTheSecondFile) {
    auto failing = [](const commands::CommandContext&, const std::string&,
                      const std::string&) -> amiga::DosStatus {
        return amiga::ERROR_OBJECT_NOT_FOUND;
    };
    std::string output;
    EXPECT_EQ(Run("Work:a Work:b", &output, failing), 5);
    EXPECT_EQ(output, "");
    int calls = 0;
    auto secondFails = [&calls](const commands::CommandContext&, const std::string&,
                                const std::string& outputPath) -> amiga::DosStatus {
        if (++calls == 2) {
            return amiga::ERROR_NOT_EXECUTABLE;
        }
        WriteHostFile(outputPath, "x 1.0\n");
        return amiga::DosStatus::Ok();
    };
    EXPECT_EQ(Run("Work:a Work:b", &output, secondFails), 20);
    EXPECT_EQ(output, "SVersionCompare: " + amiga::FaultText(amiga::ERROR_NOT_EXECUTABLE) + "\n");
    ExpectTemporaryDrawerEmpty();
}

}  // namespace
}  // namespace stovan::test
