#include <gtest/gtest.h>

#include <filesystem>

#include "platform/DosFiles.h"
#include "platform/Icon.h"
#include "platform/SystemRoot.h"
#include "tests/support/TempRoot.h"

namespace amiga {
namespace {

namespace fs = std::filesystem;
using stovan::test::HostExists;
using stovan::test::ReadHostFile;
using stovan::test::TempRoot;
using stovan::test::WriteHostFile;

TEST(DrawerIcons, CreatedDrawersGetDefaultIconsExistingOnesKeepTheirs) {
    TempRoot root;
    fs::create_directories(root.Host("Work", "Apps"));
    WriteHostFile(root.Host("Work", "Apps.info"), "not touched");
    ASSERT_TRUE(CreateDrawerPathWithIcons(root.dos(), "Work:Apps/New/Deeper").ok());
    EXPECT_EQ(ReadHostFile(root.Host("Work", "Apps.info")), "not touched");
    for (const char* icon : {"Apps/New.info", "Apps/New/Deeper.info"}) {
        SCOPED_TRACE(icon);
        auto read = ReadDiskObjectFile(root.Host("Work", icon));
        ASSERT_TRUE(read.ok());
        EXPECT_EQ(read->type, WBDRAWER);
    }
    // Without icons, no icon files appear.
    ASSERT_TRUE(CreateDrawerPath(root.dos(), "Work:Plain/Drawer").ok());
    EXPECT_FALSE(HostExists(root.Host("Work", "Plain.info")));
    // A drawer whose icon cannot be written still counts as made.
    fs::create_directories(root.Host("Work", "Blocked.info"));
    EXPECT_TRUE(CreateDrawerPathWithIcons(root.dos(), "Work:Blocked").ok());
    EXPECT_TRUE(fs::is_directory(root.Host("Work", "Blocked")));
    // The ports folder lies in the root, beside the volumes.
    EXPECT_EQ(PortsFolder(root.dos()), root.root() + "/Ports");
}

}  // namespace
}  // namespace amiga
