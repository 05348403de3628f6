// Soft links met by the built stovan-shell on a throw-away root: recursive
// Delete, Dir, List and Copy never enter them and always end, and nothing
// outside the deleted tree (a marker file beside it) is touched.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempRoot.h"

namespace amiga {
namespace {

// The text of a result, or fallback when it failed.
std::string Or(const Expected<std::string, DosError>& text, const std::string& fallback) {
    return text ? *text : fallback;
}

using stovan::test::ReadHostFile;
using stovan::test::RunOptions;
using stovan::test::RunProgram;
using stovan::test::TempRoot;
using stovan::test::WriteHostFile;

const std::string kShell = stovan::test::BuiltProgram("stovan-shell");

class ShellLinks : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(kShell)) << kShell;
        std::filesystem::create_directories(outside);
    }

    void Write(const std::string& amigaPath, const std::string& text) {
        stovan::test::WriteAmigaFile(root.dos(), amigaPath, text);
    }
    void Link(const std::string& target, const std::string& volume, const std::string& rest) {
        ASSERT_EQ(::symlink(target.c_str(), root.Host(volume, rest).c_str()), 0) << rest;
    }
    std::string Read(const std::string& amigaPath) {
        return stovan::test::ReadAmigaFile(root.dos(), amigaPath);
    }
    bool Exists(const std::string& amigaPath) { return LockNoFollow(root.dos(), amigaPath).ok(); }

    // The script runs from S: as Stovan runs its scripts; a walk that does
    // not end is killed after 20 s and fails the test.
    stovan::test::ProgramRun Script(const std::string& text) {
        Write("S:links-script", text);
        RunOptions options;
        options.timeout = std::chrono::seconds(20);
        return RunProgram(kShell, {"--root", root.root(), "S:links-script"}, options);
    }

    TempRoot root;
    const std::string outside = root.folder() + "/outside";  // a host folder beside the root
};

TEST_F(ShellLinks, DeleteAllRemovesLinksAndKeepsWhatTheyPointTo) {
    struct Row {
        const char* name;
        std::string tree;    // deleted with Delete ALL
        std::string link;    // inside tree
        std::string target;  // the link's text
        std::string marker;  // must survive
    };
    const Row rows[] = {
        {"to a sibling drawer", "Work:Apps/MyApp", "Data", "../../Shared", "Work:Shared/user.txt"},
        {"to the volume root", "SYS:Apps/MyApp", "parentlink", "../..", "SYS:marker"},
        {"out of the volume", "Work:Apps/Out", "escape", outside, "Work:Shared/user.txt"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteHostFile(outside + "/host.txt", "host");
        Write(row.marker, "mine");
        Write(row.tree + "/App", "program");
        const std::size_t colon = row.tree.find(':');
        Link(row.target, row.tree.substr(0, colon), row.tree.substr(colon + 1) + "/" + row.link);

        auto run = Script("Delete " + row.tree + " ALL QUIET FORCE\n");
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_FALSE(Exists(row.tree));
        EXPECT_EQ(Read(row.marker), "mine");
        EXPECT_EQ(ReadHostFile(outside + "/host.txt"), "host");
    }
}

TEST_F(ShellLinks, LinksShowInListingsAndDeleteAloneRemovesThem) {
    ASSERT_TRUE(CreateDrawerPath(root.dos(), "Work:Only").ok());
    Link(outside, "Work", "Only/out");

    auto dir = Script("Dir Work:Only\nList Work:Only LFORMAT \"%n %l\"\n");
    EXPECT_EQ(dir.exitCode, 0) << dir.err;
    EXPECT_EQ(dir.out, "  out (link)\nout Link\n");

    // Not empty: a plain Delete refuses, Delete of the link removes it.
    auto refused = Script("FailAt 30\nDelete Work:Only QUIET\nEcho \"rc=$RC\"\n");
    EXPECT_NE(refused.out.find("rc=10"), std::string::npos) << refused.out;
    EXPECT_TRUE(Exists("Work:Only/out"));
    auto removed = Script("Delete Work:Only/out Work:Only\n");
    EXPECT_EQ(removed.exitCode, 0) << removed.out << removed.err;
    EXPECT_FALSE(Exists("Work:Only"));
    EXPECT_TRUE(std::filesystem::is_directory(outside));
}

TEST_F(ShellLinks, WalksOverLinkCyclesEnd) {
    Write("Work:loop/file", "data");
    Link("../loop", "Work", "loop/self");
    Link(".", "Work", "loop/here");

    auto walks = Script("Dir Work:loop ALL\nList Work:loop ALL LFORMAT \"%n\"\n");
    EXPECT_FALSE(walks.timedOut);
    EXPECT_EQ(walks.exitCode, 0) << walks.err;
    EXPECT_EQ(walks.out, "  file\n  here (link)\n  self (link)\nfile\nhere\nself\n");

    // Copy ALL copies each link as a link with the same text.
    auto copy = Script("Copy Work:loop TO Work:copy ALL QUIET\n");
    EXPECT_FALSE(copy.timedOut);
    EXPECT_EQ(copy.exitCode, 0) << copy.out << copy.err;
    EXPECT_EQ(Read("Work:copy/file"), "data");
    EXPECT_EQ(Or(ReadSoftLink(root.dos(), "Work:copy/self"), "<none>"), "../loop");
    EXPECT_EQ(Or(ReadSoftLink(root.dos(), "Work:copy/here"), "<none>"), ".");

    // Copying a drawer into itself is refused instead of nesting for ever.
    auto into = Script("FailAt 30\nCopy Work:loop TO Work:loop/inner ALL QUIET\nEcho \"rc=$RC\"\n");
    EXPECT_FALSE(into.timedOut);
    EXPECT_NE(into.out.find("rc=20"), std::string::npos) << into.out << into.err;
    EXPECT_FALSE(Exists("Work:loop/inner/inner"));
}

TEST_F(ShellLinks, CopyDoesNotMakeLinksLeadingOutOfTheVolume) {
    Write("Work:Src/file", "data");
    Link("../../Shared", "Work", "Src/far");
    auto copy = Script("Copy Work:Src TO RAM:Dst ALL\n");
    EXPECT_EQ(copy.exitCode, 5) << copy.out << copy.err;
    EXPECT_NE(copy.out.find("far..not copied: link leads outside the volume"), std::string::npos)
        << copy.out;
    EXPECT_EQ(Read("RAM:Dst/file"), "data");
    EXPECT_FALSE(Exists("RAM:Dst/far"));
}

TEST_F(ShellLinks, RedirectionThroughALinkOutOfTheVolumeIsRefused) {
    Link(outside, "RAM", "dd");
    auto run = Script("FailAt 30\nEcho x >RAM:dd/f\nEcho \"rc=$RC\"\n");
    EXPECT_NE(run.out.find("rc=20"), std::string::npos) << run.out << run.err;
    EXPECT_TRUE(std::filesystem::is_empty(outside));
}

// An archive bringing "App/up -> .." (a link to the drawer it is extracted
// to): the link is refused, and the uninstall's Delete ALL of the extracted
// drawer leaves its neighbour alone.
TEST_F(ShellLinks, ExtractedLinkToTheTargetIsRefusedAndUninstallKeepsNeighbours) {
    const std::string staging = root.folder() + "/staging";
    std::filesystem::create_directories(staging + "/App");
    WriteHostFile(staging + "/App/App", "program");
    ASSERT_EQ(::symlink("..", (staging + "/App/up").c_str()), 0);
    const std::string archive = root.Host("RAM", "App.tar");
    RunOptions tarOptions;
    tarOptions.workingDirectory = staging;
    auto tar = RunProgram("/usr/bin/tar", {"-cf", archive, "App/App", "App/up"}, tarOptions);
    ASSERT_EQ(tar.exitCode, 0) << tar.err;
    Write("Work:Apps/OtherApp/keep", "mine");

    auto extract = Script("FailAt 30\nUnZip -o RAM:App.tar -d Work:Apps\nEcho \"rc=$RC\"\n");
    EXPECT_NE(extract.out.find("rc=20"), std::string::npos) << extract.out << extract.err;
    EXPECT_NE(extract.err.find("App/up"), std::string::npos) << extract.err;
    EXPECT_EQ(Read("Work:Apps/App/App"), "program");
    EXPECT_FALSE(Exists("Work:Apps/App/up"));

    auto uninstall = Script("Delete Work:Apps/App ALL QUIET FORCE\n");
    EXPECT_EQ(uninstall.exitCode, 0) << uninstall.err;
    EXPECT_FALSE(Exists("Work:Apps/App"));
    EXPECT_EQ(Read("Work:Apps/OtherApp/keep"), "mine");
}

}  // namespace
}  // namespace amiga
