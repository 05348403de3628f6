// Soft links in the host layer, and writes that must stay inside a volume
// even while another thread swaps a drawer for a link.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "platform/DosFiles.h"
#include "platform/HostBeneath.h"
#include "tests/support/TempRoot.h"

namespace amiga {
namespace {

// The text of a result, or fallback when it failed.
std::string Or(const Expected<std::string, DosError>& text, const std::string& fallback) {
    return text ? *text : fallback;
}

using stovan::test::HostExists;
using stovan::test::ReadHostFile;
using stovan::test::TempRoot;
using stovan::test::WriteHostFile;

constexpr DosError kOk = 0;

void HostLink(const std::string& target, const std::string& path) {
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0) << path;
}

// Both ways of resolving below a root: openat2() and the openat() walk.
// Each test has a host folder outside the system root to aim links at; the
// resolver is chosen before the root is made.
class BothResolvers : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override { std::filesystem::create_directories(outside); }
    void TearDown() override { HostUseBeneathFallback(false); }

    const bool walk = (HostUseBeneathFallback(GetParam()), GetParam());
    TempRoot root;
    DosList& dos = root.dos();
    const std::string outside = root.folder() + "/outside";
};

INSTANTIATE_TEST_SUITE_P(Resolver, BothResolvers, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Walk" : "Openat2"; });

TEST_P(BothResolvers, DeleteAllRemovesLinksNeverWhatTheyPointTo) {
    struct Row {
        const char* name;
        const char* link;    // inside Work:Apps/MyApp
        std::string target;  // the link's text
    };
    const Row rows[] = {
        {"sibling drawer", "Data", "../../Shared"},
        {"volume root", "parentlink", "../.."},
        {"own drawer", "up", ".."},
        {"outside the volume", "escape", outside},
        {"nowhere", "dangling", "missing/file"},
        {"itself", "self", "self"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(CreateDrawerPath(dos, "Work:Apps/MyApp/Sub").ok());
        ASSERT_TRUE(CreateDrawerPath(dos, "Work:Shared").ok());
        ASSERT_TRUE(WriteFile(dos, "Work:Shared/user.txt", "mine").ok());
        ASSERT_TRUE(WriteFile(dos, "Work:marker", "keep").ok());
        ASSERT_TRUE(WriteFile(dos, "Work:Apps/MyApp/Sub/file", "x").ok());
        WriteHostFile(outside + "/host.txt", "host");
        HostLink(row.target, root.Host("Work", std::string("Apps/MyApp/") + row.link));

        ASSERT_TRUE(DeleteAll(dos, "Work:Apps/MyApp").ok());
        EXPECT_FALSE(HostExists(root.Host("Work", "Apps/MyApp")));
        EXPECT_EQ(Or(ReadFile(dos, "Work:Shared/user.txt"), "<gone>"), "mine");
        EXPECT_EQ(Or(ReadFile(dos, "Work:marker"), "<gone>"), "keep");
        EXPECT_TRUE(Lock(dos, "Work:Apps").ok());
        EXPECT_EQ(ReadHostFile(outside + "/host.txt"), "host");
    }
}

TEST_P(BothResolvers, LinksAreListedAndDeletedThemselves) {
    ASSERT_TRUE(CreateDrawerPath(dos, "Work:Only").ok());
    HostLink(outside, root.Host("Work", "Only/out"));

    // A drawer holding only a link to outside neither looks empty nor can
    // be deleted as if it were.
    auto lock = Lock(dos, "Work:Only");
    ASSERT_TRUE(lock.ok());
    auto entries = ListDrawer(*lock);
    ASSERT_TRUE(entries.ok());
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ((*entries)[0].name, "out");
    EXPECT_TRUE((*entries)[0].link);
    EXPECT_FALSE((*entries)[0].drawer);
    EXPECT_EQ(DeleteFile(dos, "Work:Only").error(), ERROR_DIRECTORY_NOT_EMPTY);

    // The link itself can be examined, read back and deleted.
    auto link = LockNoFollow(dos, "Work:Only/OUT");
    ASSERT_TRUE(link.ok());
    EXPECT_TRUE(link->link);
    EXPECT_TRUE(Examine(*link).value().link);
    EXPECT_EQ(Or(ReadSoftLink(dos, "Work:Only/out"), ""), outside);
    ASSERT_TRUE(DeleteFile(dos, "Work:Only/out").ok());
    EXPECT_TRUE(std::filesystem::is_directory(outside));
    EXPECT_TRUE(DeleteFile(dos, "Work:Only").ok());

    // Renaming a link moves the link, not its target.
    ASSERT_TRUE(CreateDrawerPath(dos, "Work:Target").ok());
    ASSERT_TRUE(MakeSoftLink(dos, "Work:ToTarget", "Target").ok());
    ASSERT_TRUE(Rename(dos, "Work:ToTarget", "Work:Renamed").ok());
    EXPECT_EQ(Or(ReadSoftLink(dos, "Work:Renamed"), ""), "Target");
    EXPECT_TRUE(Lock(dos, "Work:Target").ok());
}

TEST(Links, MakeSoftLinkStaysInsideTheVolume) {
    TempRoot root;
    ASSERT_TRUE(CreateDrawerPath(root.dos(), "Work:A").ok());
    const auto link = [&root](const char* path, const char* target) {
        return MakeSoftLink(root.dos(), path, target).error();
    };
    EXPECT_EQ(link("Work:A/link", "../B"), kOk);
    EXPECT_EQ(link("Work:A/down", "x/y/../z"), kOk);
    EXPECT_EQ(link("Work:A/root", ".."), kOk);
    EXPECT_EQ(link("Work:A/up", "../.."), ERROR_IS_SOFT_LINK);
    EXPECT_EQ(link("Work:A/detour", "x/../../../y"), ERROR_IS_SOFT_LINK);
    EXPECT_EQ(link("Work:A/abs", "/etc"), ERROR_IS_SOFT_LINK);
    EXPECT_EQ(link("Work:A/empty", ""), ERROR_IS_SOFT_LINK);
    EXPECT_EQ(link("Work:A/link", "../B"), ERROR_OBJECT_EXISTS);  // taken by the first
}

TEST_P(BothResolvers, NothingIsWrittenThroughALinkOutOfTheRoot) {
    const std::string volume = root.Host("RAM");
    std::filesystem::create_directories(volume + "/real");
    HostLink(outside, volume + "/out");
    HostLink("../../outside", volume + "/real/climb");
    HostLink("real", volume + "/inner");

    struct Row {
        const char* name;
        std::string relative;
        DosError error;
    };
    const Row rows[] = {
        {"absolute link", "out/f", ERROR_IS_SOFT_LINK},
        {"relative climb", "real/climb/f", ERROR_IS_SOFT_LINK},
        {"dot-dot", "../outside/f", ERROR_IS_SOFT_LINK},
        {"link inside", "inner/f", kOk},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto file = HostOpenFileBeneath(volume, row.relative, HostFile::Mode::Write);
        EXPECT_EQ(file ? kOk : file.error(), row.error);
        EXPECT_EQ(HostWriteFileAtomicBeneath(volume, row.relative, "x").error(), row.error);
        EXPECT_EQ(HostMakeDirectoryBeneath(volume, row.relative + "d").error(), row.error);
    }
    EXPECT_TRUE(std::filesystem::is_empty(outside));
    EXPECT_EQ(ReadHostFile(volume + "/real/f"), "x");
}

// A rename checks its target first; should a file appear there before the
// rename itself, the rename still refuses to replace it. Two names of one
// object (a change of case where case is ignored) may still be renamed.
TEST_P(BothResolvers, ARenameNeverReplacesAFileThatAppearedAtItsTarget) {
    const std::string work = root.Host("Work");
    WriteHostFile(work + "/from", "moving");
    WriteHostFile(work + "/there", "the user's");
    EXPECT_EQ(HostRenameBeneath(work, "from", "there", true).error(), ERROR_OBJECT_EXISTS);
    EXPECT_EQ(ReadHostFile(work + "/from"), "moving");
    EXPECT_EQ(ReadHostFile(work + "/there"), "the user's");
    EXPECT_EQ(HostRenameBeneath(work, "from", "none/there", true).error(), ERROR_OBJECT_NOT_FOUND);
    ASSERT_EQ(::link((work + "/from").c_str(), (work + "/same").c_str()), 0);
    EXPECT_TRUE(HostRenameBeneath(work, "from", "same", true).ok());
    EXPECT_EQ(ReadHostFile(work + "/same"), "moving");
}

// Another thread keeps exchanging RAM:dd (a drawer) with a link to a folder
// outside the root while files are written, drawers made and removed and
// names renamed in RAM:dd. Before the writes were opened by descriptor,
// some of them landed outside; now none can.
TEST_P(BothResolvers, SwappingADrawerForALinkCannotLeadWritesOutside) {
    const std::string drawer = root.Host("RAM", "dd");
    const std::string swap = root.Host("RAM", "swap");
    std::filesystem::create_directories(drawer);
    HostLink(outside, swap);

    std::atomic<bool> stop{false};
    std::thread flipper([&] {
        while (!stop.load()) {
            (void)::renameat2(AT_FDCWD, drawer.c_str(), AT_FDCWD, swap.c_str(), RENAME_EXCHANGE);
        }
    });
    for (int round = 0; round < 2000; ++round) {
        if (auto file = FileHandle::Open(dos, "RAM:dd/f", OpenMode::NewFile)) {
            (void)file->Write("x");
            (void)file->Close();
        }
        (void)WriteFile(dos, "RAM:dd/w", "x");
        (void)CreateDir(dos, "RAM:dd/made");
        (void)Rename(dos, "RAM:dd/w", "RAM:dd/renamed");
        (void)DeleteAll(dos, "RAM:dd/made");
    }
    stop = true;
    flipper.join();
    std::vector<std::string> landed;
    for (const auto& entry : std::filesystem::directory_iterator(outside)) {
        landed.push_back(entry.path().filename().string());
    }
    EXPECT_TRUE(landed.empty()) << landed.size() << " names outside, first " << landed.front();
}

TEST(Links, DeleteAllOfATreeDeeperThanTheLimitEnds) {
    TempRoot root;
    std::string path = root.Host("Work", "deep");
    std::filesystem::create_directories(path);
    for (int level = 0; level <= kMaxBeneathDepth + 1; ++level) {
        path += "/d";
        ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
    }
    EXPECT_EQ(DeleteAll(root.dos(), "Work:deep").error(), ERROR_TOO_MANY_LEVELS);
}

}  // namespace
}  // namespace amiga
