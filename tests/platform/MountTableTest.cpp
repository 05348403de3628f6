#include <gtest/gtest.h>

#include "platform/MountTable.h"

namespace amiga {
namespace {

TEST(MountTable, ParsesVolumesAssignsAndSystem) {
    const char* text =
        "# my emulated A1\n"
        "system MorphOS 3.18\n"
        "\n"
        "volume System /srv/amiga/dh0 device DH0 boot   # the boot drive\n"
        "volume \"My Work\" \"Volumes/My Work\" device dh1\r\n"
        "volume RAM RAM\n"
        "assign C: SYS:C \"My Work:More C\"\n"
        "assign PROGDIR: \"My Work:Stovan\"";
    auto table = ParseMountTable(text);
    ASSERT_TRUE(table.ok()) << table.error();
    EXPECT_EQ(table->profile.kind, SystemKind::MorphOS);
    EXPECT_EQ(table->profile.version, "3.18");
    ASSERT_EQ(table->volumes.size(), 3u);
    EXPECT_EQ(table->volumes[0].name, "System");
    EXPECT_EQ(table->volumes[0].device, "DH0");
    EXPECT_TRUE(table->volumes[0].boot);
    EXPECT_EQ(table->volumes[1].name, "My Work");
    EXPECT_EQ(table->volumes[1].hostFolder, "Volumes/My Work");
    EXPECT_FALSE(table->volumes[1].boot);
    ASSERT_EQ(table->assigns.size(), 2u);
    EXPECT_EQ(table->assigns[0].name, "C");
    EXPECT_EQ(table->assigns[0].targets, (std::vector<std::string>{"SYS:C", "My Work:More C"}));

    auto again = ParseMountTable(FormatMountTable(*table));
    ASSERT_TRUE(again.ok()) << again.error();
    EXPECT_EQ(FormatMountTable(*again), FormatMountTable(*table));
}

TEST(MountTable, FirstVolumeBootsWhenNoneIsMarked) {
    auto table = ParseMountTable("volume A a\nvolume B b\n");
    ASSERT_TRUE(table.ok());
    EXPECT_TRUE(table->volumes[0].boot);
    EXPECT_FALSE(table->volumes[1].boot);
    EXPECT_EQ(table->profile.kind, SystemKind::AmigaOS4);
}

TEST(MountTable, ErrorsNameTheLine) {
    const std::pair<std::string, const char*> rows[] = {
        {"volume A a\nvolum B b\n", "line 2: unknown keyword 'volum'"},
        {"volume A \"a b\n", "line 1: unclosed quote"},
        {"\n\nvolume A\n", "line 3: 'volume' needs a name"},
        {"volume A/B a\n", "line 1: bad volume name 'A/B'"},
        {"volume Work a\nvolume WORK b\n", "line 2: the name 'WORK' is already used on line 1"},
        {"volume A a device B\nvolume B b\n", "line 2: the name 'B' is already used on line 1"},
        {"volume A a\nassign a: A:x\n", "line 2: the name 'a' is already used on line 1"},
        {"volume A a boot\nvolume B b boot\n",
         "line 2: a second boot volume (the first is on line 1)"},
        {"volume A a\nassign C: c\n", "line 2: assign target 'c'"},
        {"volume A a\nassign C A:c\n", "line 2: bad assign name 'C'"},
        {"system AmigaOS3 3.1\nvolume A a\n", "line 1: unknown system"},
        {"system MorphOS 3..1\nvolume A a\n", "line 1: bad system version"},
        {"system MorphOS 3.1\nsystem MorphOS 3.1\nvolume A a\n", "line 2: a second 'system' line"},
        {"volume A a fast\n", "line 1: unknown volume option 'fast'"},
        {"volume A a\x01\n", "line 1: control character"},
        {std::string("volume A a\0b\n", 13), "line 1: control character"},
        {"", "the mount table has no volume"},
        {std::string(kMaxMountTableSize + 1, '#'), "larger than 1 MB"},
    };
    for (const auto& [text, message] : rows) {
        SCOPED_TRACE(text.substr(0, 80));
        auto table = ParseMountTable(text);
        ASSERT_FALSE(table.ok());
        EXPECT_NE(table.error().find(message), std::string::npos) << table.error();
    }
}

}  // namespace
}  // namespace amiga
