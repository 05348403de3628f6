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
    struct Row {
        const char* dir;
        const char* name;
        const char* expected;
    };
    const Row rows[] = {
        {"foo", "bar", "foo/bar"},         {"foo/", "bar", "foo/bar"},
        {"foo/baz", "bar", "foo/baz/bar"}, {"foo", "bar/baz", "foo/bar/baz"},
        {"foo:", "bar", "foo:bar"},        {"foo:", "bar:", "bar:"},
        {"foo:baz", ":bar", "foo:bar"},    {"foo", "/bar", "foo//bar"},
        {"foo/", "/bar", "foo//bar"},      {"", "bar", "bar"},
        {"nodevice", ":bar", ":bar"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.dir) + " + " + row.name);
        std::string dir = row.dir;
        EXPECT_TRUE(AddPart(dir, row.name));
        EXPECT_EQ(dir, row.expected);
    }
    std::string small = "foo";
    EXPECT_FALSE(AddPart(small, "bar", 7));  // "foo/bar" plus NUL needs 8
    EXPECT_EQ(small, "foo");
    EXPECT_TRUE(AddPart(small, "bar", 8));
}

TEST(AmigaPath, FilePartAndPathPart) {
    struct Row {
        const char* path;
        const char* file;
        const char* drawer;
    };
    const Row rows[] = {
        {"Work:Tools/Foo", "Foo", "Work:Tools"},
        {"Work:Foo", "Foo", "Work:"},
        {"Work:", "", "Work:"},
        {"Foo", "Foo", ""},
        {"a/b/", "", "a/b"},
        {"/a", "a", "/"},
        {"//a/b", "b", "//a"},
        {"", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(FilePart(row.path), row.file);
        EXPECT_EQ(PathPart(row.path), row.drawer);
    }
}

}  // namespace
}  // namespace amiga
