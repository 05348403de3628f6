#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/DosFiles.h"
#include "platform/Locks.h"
#include "tests/support/TempRoot.h"

namespace amiga {
namespace {

using stovan::test::TempRoot;
using stovan::test::WriteHostFile;

// The canonical name of a path, or "error <n>".
std::string NameOf(const DosList& dos, const std::string& path, const FileLock* drawer = nullptr) {
    auto lock = Lock(dos, path, drawer);
    return lock ? NameFromLock(dos, *lock) : "error " + std::to_string(lock.error());
}

class LocksTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(root.Host("Work", "Tools/MyApp"));
        WriteHostFile(root.Host("Work", "Tools/MyApp/MyApp"), "binary");
        WriteHostFile(root.Host("Work", "ReadMe"), "text");
    }
    std::string Name(const std::string& path, const FileLock* drawer = nullptr) {
        return NameOf(root.dos(), path, drawer);
    }
    TempRoot root;
};

TEST_F(LocksTest, ResolvesWithoutRegardToCaseAndGivesTheDiskCase) {
    EXPECT_EQ(Name("Work:Tools/MyApp/MyApp"), "Work:Tools/MyApp/MyApp");
    EXPECT_EQ(Name("work:tools/myapp/MYAPP"), "Work:Tools/MyApp/MyApp");
    EXPECT_EQ(Name("DH1:Tools"), "Work:Tools");
    EXPECT_EQ(Name("WORK:"), "Work:");
    EXPECT_EQ(Name("Work:Tools/"), "Work:Tools");
    EXPECT_EQ(Name("Work:Tools/MyApp//ReadMe"), "error 205");
    EXPECT_EQ(Name("Work:Tools/MyApp///ReadMe"), "Work:ReadMe");
    EXPECT_EQ(Name("Work:Tools/MyApp//"), "Work:Tools");
    EXPECT_EQ(Name("Work:/"), "error 205");  // above the root
    EXPECT_EQ(Name("dh0:C"), "SYS:C");
    EXPECT_EQ(Name("PROGDIR:Prefs"), "Work:Stovan/Prefs");
    EXPECT_EQ(Name("T:"), "RAM:T");
    EXPECT_EQ(Name("T:/ENV"), "RAM:ENV");  // parent of an assign's drawer
    EXPECT_EQ(Name("ENVARC:"), "SYS:Prefs/Env-Archive");
    EXPECT_EQ(Name("Nowhere:x"), "error 218");
    EXPECT_EQ(Name("NIL:"), "error 218");
    EXPECT_EQ(Name("Work:Nothing"), "error 205");
    EXPECT_EQ(Name("Work:ReadMe/x"), "error 212");
    EXPECT_EQ(Name("Work:Tools/../ReadMe"), "error 210");
    EXPECT_EQ(Name("Work:.."), "error 210");
    EXPECT_EQ(Name("Work:."), "error 210");
    EXPECT_EQ(Name("Prefs"), "SYS:Prefs");  // relative to the boot volume's root
    EXPECT_EQ(Name(":C"), "SYS:C");
}

TEST_F(LocksTest, RelativePathsUseTheDrawerGiven) {
    auto tools = Lock(root.dos(), "Work:Tools");
    ASSERT_TRUE(tools.ok());
    EXPECT_EQ(Name("myapp/myapp", &*tools), "Work:Tools/MyApp/MyApp");
    EXPECT_EQ(Name("/ReadMe", &*tools), "Work:ReadMe");
    EXPECT_EQ(Name(":ReadMe", &*tools), "Work:ReadMe");
    EXPECT_EQ(Name("//x", &*tools), "error 205");
    EXPECT_EQ(Name("", &*tools), "Work:Tools");
}

TEST_F(LocksTest, SymbolicLinksMayNotLeaveTheVolume) {
    const std::string outside = root.folder() + "/outside";
    std::filesystem::create_directories(outside);
    WriteHostFile(outside + "/secret", "host file");
    ASSERT_EQ(::symlink(outside.c_str(), root.Host("Work", "escape").c_str()), 0);
    ASSERT_EQ(::symlink((outside + "/secret").c_str(), root.Host("Work", "secretlink").c_str()), 0);
    ASSERT_EQ(::symlink("../../SYS", root.Host("Work", "Tools/sys").c_str()), 0);
    ASSERT_EQ(::symlink("/nonexistent/x", root.Host("Work", "dangling").c_str()), 0);
    ASSERT_EQ(::symlink("MyApp", root.Host("Work", "Tools/inside").c_str()), 0);
    ASSERT_EQ(::symlink("/", root.Host("Work", "slash").c_str()), 0);

    EXPECT_EQ(Name("Work:escape"), "error 233");
    EXPECT_EQ(Name("Work:escape/secret"), "error 233");
    EXPECT_EQ(Name("Work:secretlink"), "error 233");
    EXPECT_EQ(Name("Work:Tools/sys/C"), "error 233");  // another volume is outside too
    EXPECT_EQ(Name("Work:dangling"), "error 233");
    EXPECT_EQ(Name("Work:slash/etc/passwd"), "error 233");
    EXPECT_EQ(Name("Work:Tools/inside/MyApp"), "Work:Tools/inside/MyApp");

    EXPECT_FALSE(ReadFile(root.dos(), "Work:escape/secret").ok());
    // Writing through a link that leads out must not create a host file.
    EXPECT_EQ(WriteFile(root.dos(), "Work:dangling", "x").error(), ERROR_IS_SOFT_LINK);
    EXPECT_FALSE(std::filesystem::exists("/nonexistent/x"));
    EXPECT_EQ(WriteFile(root.dos(), "Work:escape/new", "x").error(), ERROR_IS_SOFT_LINK);
    EXPECT_FALSE(std::filesystem::exists(outside + "/new"));
    EXPECT_EQ(CreateDir(root.dos(), "Work:escape/d").error(), ERROR_IS_SOFT_LINK);
    // Deleting such a link removes the link itself, never its target.
    EXPECT_TRUE(DeleteFile(root.dos(), "Work:secretlink").ok());
    EXPECT_TRUE(std::filesystem::exists(outside + "/secret"));
    EXPECT_FALSE(std::filesystem::is_symlink(root.Host("Work", "secretlink")));

    // Listed as links (wherever they lead), never as drawers to enter.
    auto work = Lock(root.dos(), "Work:");
    ASSERT_TRUE(work.ok());
    auto entries = ListDrawer(*work);
    ASSERT_TRUE(entries.ok());
    int links = 0;
    for (const DrawerEntry& entry : *entries) {
        if (entry.name == "escape" || entry.name == "dangling" || entry.name == "slash") {
            EXPECT_TRUE(entry.link) << entry.name;
            EXPECT_FALSE(entry.drawer) << entry.name;
            ++links;
        }
    }
    EXPECT_EQ(links, 3);
}

TEST_F(LocksTest, HostSeparatorsAndNulBytesNeverReachTheHost) {
    WriteHostFile(root.folder() + "/outside-file", "x");
    const std::string rows[] = {
        "Work:../outside-file", "Work:Tools/../../outside-file",
        std::string("Work:ReadMe\0/../x", 17),
        "Work:..\\..\\outside-file",  // a backslash is a plain character on this host
    };
    for (const std::string& row : rows) {
        const std::string name = Name(row);
        EXPECT_TRUE(name == "error 210" || name == "error 205") << row << ": " << name;
    }
}

TEST_F(LocksTest, SameLockComparesObjects) {
    auto a = Lock(root.dos(), "DH0:");
    auto b = Lock(root.dos(), "sys:");
    auto c = Lock(root.dos(), "Work:");
    auto d = Lock(root.dos(), "ENVARC:");
    auto e = Lock(root.dos(), "SYS:Prefs/Env-Archive");
    ASSERT_TRUE(a && b && c && d && e);
    EXPECT_EQ(std::tuple(SameLock(*a, *b), SameLock(*a, *c), SameLock(*d, *e)),
              std::tuple(true, false, true));
    auto parent = ParentDir(root.dos(), *e);
    ASSERT_TRUE(parent.ok());
    EXPECT_EQ(NameFromLock(root.dos(), *parent), "SYS:Prefs");
    EXPECT_EQ(ParentDir(root.dos(), *a).error(), ERROR_OBJECT_NOT_FOUND);
}

TEST_F(LocksTest, MultiDirectoryAssignsSearchInOrderAndCreateInTheFirst) {
    DosList& dos = root.dos();
    ASSERT_TRUE(CreateDir(dos, "Work:MoreC").ok());
    ASSERT_TRUE(WriteFile(dos, "Work:MoreC/SLog", "a").ok());
    ASSERT_TRUE(WriteFile(dos, "SYS:C/Copy", "b").ok());
    EXPECT_EQ(Name("C:SLog"), "error 205");
    EXPECT_TRUE(dos.AssignAdd("C:", "Work:MoreC").ok());
    EXPECT_EQ(Name("C:slog"), "Work:MoreC/SLog");
    EXPECT_EQ(Name("C:Copy"), "SYS:C/Copy");
    ASSERT_TRUE(WriteFile(dos, "C:New", "c").ok());
    EXPECT_EQ(Name("C:New"), "SYS:C/New");
    EXPECT_TRUE(dos.RemAssignList("C", "work:morec").ok());
    EXPECT_EQ(Name("C:SLog"), "error 205");
    EXPECT_EQ(dos.RemAssignList("C", "Work:MoreC").error(), ERROR_OBJECT_NOT_FOUND);
    EXPECT_EQ(dos.AssignAdd("NoSuch", "Work:").error(), ERROR_OBJECT_NOT_FOUND);
    EXPECT_EQ(dos.AssignPath("Work", "SYS:").error(), ERROR_OBJECT_EXISTS);
    // Assigns pointing at each other end instead of looping.
    EXPECT_TRUE(dos.AssignPath("LOOPA", "LOOPB:").ok());
    EXPECT_TRUE(dos.AssignPath("LOOPB", "LOOPA:x").ok());
    EXPECT_EQ(Name("LOOPA:"), "error 217");
}

TEST(LocksWithoutVolumes, EveryPathFailsAsNotMounted) {
    // A system with nothing mounted (an engine made before its root is
    // opened) must refuse, not read a volume that is not there.
    const DosList nothing;
    for (const char* path : {"", "Drawer/File", "/", ":x"}) {
        EXPECT_EQ(NameOf(nothing, path), "error " + std::to_string(ERROR_DEVICE_NOT_MOUNTED))
            << path;
    }
}

}  // namespace
}  // namespace amiga
