#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

#include "platform/DosFiles.h"
#include "platform/SystemRoot.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempRoot.h"

namespace amiga {
namespace {

using stovan::test::ScopedEnvironment;
using stovan::test::TempRoot;
using stovan::test::WriteHostFile;

TEST(SystemRoot, DefaultRootHasTheDrawerTree) {
    TempRoot root(SystemProfile{SystemKind::MorphOS, "3.19"});
    DosList& dos = root.dos();
    for (const char* drawer : {"PROGDIR:Database/Internal", "PROGDIR:Database/User",
                               "PROGDIR:Database/Commands/MorphOS", "PROGDIR:Database/Images",
                               "PROGDIR:Prefs", "PROGDIR:Cache/Downloads", "PROGDIR:Cache/Backups",
                               "PROGDIR:Cache/Images", "SYS:C", "S:", "ENVARC:", "T:", "ENV:"}) {
        SCOPED_TRACE(drawer);
        auto lock = Lock(dos, drawer);
        ASSERT_TRUE(lock.ok());
        EXPECT_TRUE(lock->drawer);
    }
    auto reopened = OpenSystemRoot(root.root());
    ASSERT_TRUE(reopened.ok()) << reopened.error();
    EXPECT_EQ(reopened->profile().kind, SystemKind::MorphOS);
    EXPECT_EQ(reopened->profile().version, "3.19");
    const auto devices = reopened->Devices();
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].name, "DH0");
    EXPECT_TRUE(devices[0].boot);
    EXPECT_EQ(devices[1].name, "DH1");
    EXPECT_EQ(devices[2].name, "RAM");
    EXPECT_FALSE(devices[2].boot);
}

TEST(SystemRoot, RefusesToTakeOverAFolderAndReportsBadTables) {
    TempRoot root;
    const std::string busy = root.folder() + "/busy";
    std::filesystem::create_directories(busy);
    WriteHostFile(busy + "/important.txt", "keep");
    auto taken = OpenProcessRoot(busy);
    ASSERT_FALSE(taken.ok());
    EXPECT_NE(taken.error().find("MountTable"), std::string::npos) << taken.error();
    EXPECT_TRUE(std::filesystem::exists(busy + "/important.txt"));

    WriteHostFile(root.root() + "/MountTable", "volume SYS SYS\nassign T RAM:T\n");
    auto broken = OpenSystemRoot(root.root());
    ASSERT_FALSE(broken.ok());
    EXPECT_NE(broken.error().find("MountTable line 2: bad assign name 'T'"), std::string::npos)
        << broken.error();
}

TEST(SystemRoot, RunsStartingOnANewRootTogetherAllGetIt) {
    TempRoot root;
    // Several runs at the first use of a root: each gets the one complete
    // root, none fails on a drawer or table another run made meanwhile.
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        const std::string fresh = root.folder() + "/new" + std::to_string(round);
        if (round % 2 == 1) {
            std::filesystem::create_directories(fresh);  // an empty folder to fill
        }
        std::vector<std::string> failures(4);
        std::vector<std::thread> runs;
        for (std::size_t run = 0; run < failures.size(); ++run) {
            runs.emplace_back([&fresh, &failures, run] {
                auto dos = OpenProcessRoot(fresh);
                failures[run] = dos ? std::string() : dos.error();
                if (dos && !Lock(*dos, "PROGDIR:Prefs")) {
                    failures[run] = "no PROGDIR:Prefs";
                }
            });
        }
        for (std::thread& run : runs) {
            run.join();
        }
        for (const std::string& failure : failures) {
            EXPECT_EQ(failure, "");
        }
        // Only the root is left: no half-built folder beside it.
        std::size_t beside = 0;
        for (const auto& entry : std::filesystem::directory_iterator(root.folder())) {
            beside += entry.path().filename().string().starts_with("new" + std::to_string(round));
        }
        EXPECT_EQ(beside, 1u);
    }
}

TEST(SystemRoot, ChildProcessesSeeRunTimeAssigns) {
    TempRoot root;
    DosList& parent = root.dos();
    ASSERT_TRUE(CreateDrawerPath(parent, "PROGDIR:Database/Commands/AmigaOS4").ok());
    ASSERT_TRUE(parent.AssignAdd("C:", "PROGDIR:Database/Commands/AmigaOS4").ok());
    ASSERT_TRUE(parent.AssignPath("Odd;Name", "Work:a=b|c%d").ok());
    ASSERT_TRUE(parent.RemoveAssign("S").ok());

    const auto environment = parent.ChildEnvironment();
    ASSERT_EQ(environment.size(), 2u);
    ScopedEnvironment rootVariable(environment[0].first.c_str(), environment[0].second);
    ScopedEnvironment assignsVariable(environment[1].first.c_str(), environment[1].second);
    auto child = OpenProcessRoot("");
    ASSERT_TRUE(child.ok()) << child.error();
    EXPECT_EQ(child->SerializeAssigns(), parent.SerializeAssigns());
    ASSERT_EQ(child->assigns().size(), parent.assigns().size());
    EXPECT_EQ(child->FindDevice("S").error(), ERROR_DEVICE_NOT_MOUNTED);
    const Assign& odd = child->assigns().back();
    EXPECT_EQ(odd.name, "Odd;Name");
    EXPECT_EQ(odd.targets, std::vector<std::string>{"Work:a=b|c%d"});
    auto c = child->FindDevice("c");
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(child->assigns()[c->index].targets.size(), 2u);

    // Another root named on the command line ignores the inherited assigns.
    const std::string other = root.folder() + "/other";
    auto unrelated = OpenProcessRoot(other);
    ASSERT_TRUE(unrelated.ok());
    EXPECT_TRUE(unrelated->FindDevice("S").ok());

    DosList copy = parent;
    const char* malformed[] = {"C",         "=SYS:C",   "C=relative", "C=SYS:C;c=SYS:C",
                               "C=SYS:%zz", "Work=SYS:"};
    for (const char* text : malformed) {
        SCOPED_TRACE(text);
        EXPECT_EQ(copy.ApplySerializedAssigns(text).error(), ERROR_BAD_TEMPLATE);
        EXPECT_EQ(copy.SerializeAssigns(), parent.SerializeAssigns());
    }
}

}  // namespace
}  // namespace amiga
