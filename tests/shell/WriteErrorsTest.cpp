// Output that cannot be written is a failure: every command whose output
// (or TO file) goes to a full device returns 20 with the AmigaDOS fault
// text, instead of 0 with the output lost.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempRoot.h"

namespace amiga {
namespace {

using stovan::test::RunProgram;
using stovan::test::TempRoot;

const std::string kShell = stovan::test::BuiltProgram("stovan-shell");

TEST(ShellWriteErrors, OutputToAFullDeviceFailsTheCommand) {
    ASSERT_TRUE(std::filesystem::exists(kShell)) << kShell;
    TempRoot root;
    // Bigger than any pipe or stdio buffer, so that the failure shows in
    // the middle of the output and not only at its end.
    std::string big;
    for (int line = 0; big.size() < 400000; ++line) {
        big += "line " + std::to_string(line) + " of a long text file\n";
    }
    ASSERT_TRUE(WriteFile(root.dos(), "SYS:big.txt", big).ok());
    ASSERT_TRUE(WriteFile(root.dos(), "SYS:small.txt", "small\n").ok());

    // Copy to a drawer lists the names it copies; to "*" it copies to the console.
    for (const char* line :
         {"Type SYS:big.txt", "Type SYS:small.txt NUMBER", "Dir SYS:", "List SYS:", "Echo hello",
          "Copy SYS:small.txt TO RAM:", "Copy SYS:big.txt TO *"}) {
        SCOPED_TRACE(line);
        auto run =
            RunProgram(kShell, {"--root", root.root(), "-c", line}, {.outputFile = "/dev/full"});
        EXPECT_EQ(run.exitCode, 20) << run.err;
        EXPECT_NE(run.err.find("disk is full"), std::string::npos) << run.err;
    }

    // The same output to a working stream succeeds.
    auto fine = RunProgram(kShell, {"--root", root.root(), "-c", "Type SYS:big.txt"});
    EXPECT_EQ(fine.exitCode, 0) << fine.err;
    EXPECT_EQ(fine.out.size(), big.size());
    auto copied = RunProgram(kShell, {"--root", root.root(), "-c", "Copy SYS:small.txt TO *"});
    EXPECT_EQ(copied.exitCode, 0) << copied.err;
    EXPECT_EQ(copied.out, "small\n");
}

}  // namespace
}  // namespace amiga
