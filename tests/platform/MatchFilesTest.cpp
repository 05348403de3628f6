#include <gtest/gtest.h>

#include "platform/DosFiles.h"
#include "platform/MatchFiles.h"
#include "tests/support/TempRoot.h"

namespace amiga {
namespace {

using stovan::test::TempRoot;

std::vector<std::string> Matches(const DosList& dos, const std::string& pattern,
                                 const FileLock* drawer = nullptr) {
    MatchAnchor anchor;
    DosStatus status = MatchFirst(dos, pattern, anchor, drawer);
    std::vector<std::string> found;
    while (status.ok()) {
        const MatchEntry& entry = anchor.current();
        found.push_back(entry.path + (entry.drawer ? " D " : " F ") +
                        NameFromLock(dos, entry.lock));
        status = MatchNext(anchor);
    }
    if (status.error() != ERROR_NO_MORE_ENTRIES || found.empty()) {
        found.push_back("error " + std::to_string(status.error()));
    }
    MatchEnd(anchor);
    return found;
}

TEST(MatchFiles, MultiLevelPatternsGiveFullPathsAndTypes) {
    TempRoot root;
    DosList& dos = root.dos();
    ASSERT_TRUE(CreateDrawerPath(dos, "Work:Apps/Net/Foo").ok());
    ASSERT_TRUE(CreateDrawerPath(dos, "Work:Tools/Bar").ok());
    ASSERT_TRUE(WriteFile(dos, "Work:Tools/Bar.info", "").ok());
    ASSERT_TRUE(WriteFile(dos, "Work:Tools/Bar/Bar", "").ok());
    ASSERT_TRUE(SetComment(dos, "Work:Tools/Bar/Bar", "sidecar").ok());
    ASSERT_TRUE(WriteFile(dos, "Work:ReadMe", "").ok());

    EXPECT_EQ(Matches(dos, "Work:#?"),
              (std::vector<std::string>{"Work:Apps D Work:Apps", "Work:ReadMe F Work:ReadMe",
                                        "Work:Stovan D Work:Stovan", "Work:Tools D Work:Tools"}));
    auto work = Lock(dos, "work:");
    ASSERT_TRUE(work.ok());
    EXPECT_EQ(Matches(dos, "#?/#?", &*work),
              (std::vector<std::string>{
                  "Apps/Net D Work:Apps/Net", "Stovan/Cache D Work:Stovan/Cache",
                  "Stovan/Database D Work:Stovan/Database", "Stovan/Prefs D Work:Stovan/Prefs",
                  "Tools/Bar D Work:Tools/Bar", "Tools/Bar.info F Work:Tools/Bar.info"}));
    EXPECT_EQ(Matches(dos, "work:tools/#?/b#?"),
              (std::vector<std::string>{"work:tools/Bar/Bar F Work:Tools/Bar/Bar"}));
    EXPECT_EQ(Matches(dos, "Work:~(#?.info)", nullptr).size(), 4u);
    EXPECT_EQ(Matches(dos, "Work:Tools/Bar//#?.info"),
              (std::vector<std::string>{"Work:Tools/Bar//Bar.info F Work:Tools/Bar.info"}));
    EXPECT_EQ(Matches(dos, "Work:ReadMe"), (std::vector<std::string>{"Work:ReadMe F Work:ReadMe"}));
    EXPECT_EQ(Matches(dos, "Work:Nothing"), (std::vector<std::string>{"error 205"}));
    EXPECT_EQ(Matches(dos, "Work:#?.xyz"), (std::vector<std::string>{"error 232"}));
    EXPECT_EQ(Matches(dos, "Work:(a|b"), (std::vector<std::string>{"error 114"}));
    EXPECT_EQ(Matches(dos, "Nowhere:#?"), (std::vector<std::string>{"error 218"}));
    EXPECT_EQ(Matches(dos, "Work:#?/../#?"), (std::vector<std::string>{"error 210"}));
}

}  // namespace
}  // namespace amiga
