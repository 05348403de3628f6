#include <gtest/gtest.h>

#include <string>

#include "version/VersionText.h"

namespace stovan {
namespace {

struct Row {
    const char* name;
    std::string text;
    VersionTriple expected;
};

TEST(VersionTextTest, VersionOutputFirstLine) {
    const Row rows[] = {
        {"plain", "Foo 2.18 (08.10.2015)", {2, 18, 0}},
        {"v and build", "Foo v3.1.4", {3, 1, 4}},
        {"no digit after blank or v", "Foo version-x\n", {0, 0, 0}},
        {"only the first line", "Foo\nBar 1.2", {0, 0, 0}},
        {"name with digits", "Foo2 1.5", {1, 5, 0}},
        {"point without digit", "Foo 4. beta", {4, 0, 0}},
        {"empty", "", {0, 0, 0}},
        {"huge number saturates", "Foo 99999999999.1", {2147483647, 1, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ScanVersionOutput(row.text), row.expected);
    }
}

TEST(VersionTextTest, FileText) {
    const Row rows[] = {
        {"Version: at the start", "Version: 1.2\n", {1, 2, 0}},
        {"Version: at a later line start", "x\r\nVERSION:  3.4.5", {3, 4, 5}},
        {"only the first Version: counts",
         "...see Version: 9.9\nVersion: 1.2\n$Id: foo.c,v 1.23 2005/01/01 joe Exp $",
         {1, 23, 0}},
        {"$Id: line", "/* $Id: foo.c,v 1.23 2005/01/01 12:00:00 joe Exp $ */", {1, 23, 0}},
        {"NUL bytes do not end the text",
         std::string("\0\0bin\0", 6) + "\nVersion: 7.1",
         {7, 1, 0}},
        {"nothing", "no version here", {0, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ScanFileVersionText(row.text), row.expected);
    }
}

TEST(VersionTextTest, LiteralVersionString) {
    EXPECT_EQ(LiteralVersionString("$VER: Foo 1.5 (01.02.2015)"), (VersionTriple{1, 5, 0}));
    EXPECT_EQ(LiteralVersionString("$ver: Foo   2.3.4"), (VersionTriple{2, 3, 4}));
    EXPECT_EQ(LiteralVersionString("$VER: Foo"), (VersionTriple{}));
    EXPECT_FALSE(LiteralVersionString("SYS:$VER: Foo 1.5").has_value());
    EXPECT_FALSE(LiteralVersionString("$VER:Foo 1.5").has_value());
}

}  // namespace
}  // namespace stovan
