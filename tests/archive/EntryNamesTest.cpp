#include <gtest/gtest.h>

#include "archive/EntryNames.h"

namespace stovan::archive {
namespace {

TEST(EntryNames, OnlyNamesInsideTheDrawerPass) {
    struct Row {
        const char* name;
        std::string entry;
        bool accepted;
        std::vector<std::string> components;
    } rows[] = {
        {"plain", "Foo/Foo.info", true, {"Foo", "Foo.info"}},
        {"drawer entry", "Foo/", true, {"Foo"}},
        {"dot and empty components", "./Foo//./Bar", true, {"Foo", "Bar"}},
        {"only dots", "./.", true, {}},
        {"name with dots", "..Foo/Bar..", true, {"..Foo", "Bar.."}},
        {"empty", "", false, {}},
        {"absolute", "/etc/passwd", false, {}},
        {"climbs out", "Foo/../../x", false, {}},
        {"climbs at the end", "Foo/..", false, {}},
        {"volume", "SYS:Startup-Sequence", false, {}},
        {"device later on", "Foo/C:x", false, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto components = SplitEntryName(row.entry);
        ASSERT_EQ(components.ok(), row.accepted);
        if (row.accepted) {
            EXPECT_EQ(*components, row.components);
        } else {
            EXPECT_EQ(components.error().kind, ArchiveError::Kind::UnsafeEntry);
            EXPECT_NE(components.error().message.find(row.entry), std::string::npos);
        }
    }
}

TEST(EntryNames, LinksMayOnlyPointInside) {
    struct Row {
        const char* name;
        std::vector<std::string> at;
        std::string target;
        bool inside;
    } rows[] = {
        {"sibling", {"Foo", "link"}, "Bar", true},
        {"up and down in its own drawer", {"Foo", "Sub", "link"}, "../Other/x", true},
        {"into a neighbour of its drawer", {"Foo", "link"}, "../Bar", false},
        {"to the target drawer", {"App", "up"}, "..", false},
        {"to its own drawer", {"App", "Sub", "up"}, "..", false},
        {"to itself's drawer by dot", {"App", "here"}, ".", false},
        {"top-level to the target", {"link"}, ".", false},
        {"top-level sibling", {"link"}, "Foo/x", true},
        {"up and out", {"Foo", "link"}, "../../Bar", false},
        {"out and back in", {"link"}, "../x/Foo", false},
        {"absolute", {"link"}, "/etc", false},
        {"volume", {"link"}, "SYS:", false},
        {"empty target", {"link"}, "", false},
        {"no place of its own", {}, "Foo", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(LinkStaysInside(row.at, row.target), row.inside);
    }
}

}  // namespace
}  // namespace stovan::archive
