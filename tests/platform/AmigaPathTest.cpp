#include <gtest/gtest.h>

#include "platform/AmigaPath.h"

namespace amiga {
namespace {

TEST(AmigaPath, ParsePathRefusesNamesThatCouldActOnTheHost) {
    const std::string rows[] = {
        ".",        "..",
        "a/../b",   "Work:..",
        "./x",      std::string("a\0b", 3),
        "x/y.uaem", "Work:a:b",
        "Foo.UAEM", std::string(200, 'n'),
    };
    for (const std::string& row : rows) {
        SCOPED_TRACE(row);
        auto parsed = ParsePath(row);
        ASSERT_FALSE(parsed.ok());
        EXPECT_EQ(parsed.error(), ERROR_INVALID_COMPONENT_NAME);
    }
    EXPECT_EQ(ParsePath(std::string(kMaxPathLength + 1, 'a')).error(), ERROR_LINE_TOO_LONG);
    EXPECT_TRUE(IsValidName("...") && IsValidName(".info") && IsValidName("a.uaem.txt"));
}

TEST(AmigaPath, AddPartMatchesTheGuruBookCases) {
    const auto add = [](std::string dir, const char* name) {
        return AddPart(dir, name) ? dir : "<refused>";
    };
    EXPECT_EQ(add("foo", "bar"), "foo/bar");
    EXPECT_EQ(add("foo/", "bar"), "foo/bar");
    EXPECT_EQ(add("foo", "bar/baz"), "foo/bar/baz");
    EXPECT_EQ(add("foo:", "bar"), "foo:bar");
    EXPECT_EQ(add("foo:", "bar:"), "bar:");
    EXPECT_EQ(add("foo:baz", ":bar"), "foo:bar");
    EXPECT_EQ(add("foo", "/bar"), "foo//bar");
    EXPECT_EQ(add("", "bar"), "bar");
    EXPECT_EQ(add("nodevice", ":bar"), ":bar");
    std::string small = "foo";
    EXPECT_FALSE(AddPart(small, "bar", 7));  // "foo/bar" plus NUL needs 8
    EXPECT_EQ(small, "foo");
    EXPECT_TRUE(AddPart(small, "bar", 8));
}

TEST(AmigaPath, FilePartAndPathPart) {
    using Parts = std::pair<std::string, std::string>;  // file, drawer
    const auto parts = [](const char* path) { return Parts(FilePart(path), PathPart(path)); };
    EXPECT_EQ(parts("Work:Tools/Foo"), Parts("Foo", "Work:Tools"));
    EXPECT_EQ(parts("Work:Foo"), Parts("Foo", "Work:"));
    EXPECT_EQ(parts("Work:"), Parts("", "Work:"));
    EXPECT_EQ(parts("Foo"), Parts("Foo", ""));
    EXPECT_EQ(parts("a/b/"), Parts("", "a/b"));
    EXPECT_EQ(parts("/a"), Parts("a", "/"));
    EXPECT_EQ(parts("//a/b"), Parts("b", "//a"));
    EXPECT_EQ(parts(""), Parts("", ""));
}

}  // namespace
}  // namespace amiga
