#include <gtest/gtest.h>

#include "version/Version.h"

namespace stovan {
namespace {

TEST(VersionTriple, ParseReadsUpToThreeNumbers) {
    struct Row {
        const char* text;
        VersionTriple expected;
    };
    const Row rows[] = {
        {"2.18", {2, 18, 0}},
        {"1.5 beta", {1, 5, 0}},
        {"1.5.3", {1, 5, 3}},
        {"1", {1, 0, 0}},
        {"v1.5", {0, 0, 0}},
        {"", {0, 0, 0}},
        {"  \t3.4", {3, 4, 0}},
        {"1.5.3.9", {1, 5, 3}},
        {"1.5.", {1, 5, 0}},
        {"1..5", {1, 0, 0}},
        {"1 .5", {1, 0, 0}},  // no blank before the point
        {"1. 5", {1, 0, 0}},  // nor after it
        {"1.5. 3", {1, 5, 0}},
        {"+2.1", {2, 1, 0}},
        {"-1.5", {0, 0, 0}},  // a negative number is no version
        {"1.-5", {1, 0, 0}},
        {"44.1 (12.3.2015)", {44, 1, 0}},
        {"99999999999.2", {2147483647, 2, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(ParseVersionTriple(row.text), row.expected);
    }
    // The NUL ends the text even when the view goes on.
    EXPECT_EQ(ParseVersionTriple(std::string_view("1.2\0.7", 6)), (VersionTriple{1, 2, 0}));
    EXPECT_EQ(ParseVersionTriple(std::string_view("3\0.7", 4)), (VersionTriple{3, 0, 0}));
}

TEST(VersionTriple, OrdersByVersionThenRevisionThenBuild) {
    EXPECT_EQ(ParseVersionTriple("2.18"), ParseVersionTriple("2.18.0"));
    EXPECT_LT(ParseVersionTriple("2.18"), ParseVersionTriple("2.18.1"));
    EXPECT_LT(ParseVersionTriple("2.9"), ParseVersionTriple("2.10"));
    EXPECT_GT(ParseVersionTriple("1.10.0"), ParseVersionTriple("1.9.5"));
    EXPECT_GT((VersionTriple{2, 0, 0}), (VersionTriple{1, 99, 99}));
    // Unsigned: the top bit does not make a number negative.
    EXPECT_GT((VersionTriple{0x80000000u, 0, 0}), (VersionTriple{1, 0, 0}));
    EXPECT_GT((VersionTriple{1, 0, 0xFFFFFFFFu}), (VersionTriple{1, 0, 1}));
    EXPECT_FALSE((VersionTriple{}).known());
    EXPECT_TRUE((VersionTriple{0, 0, 1}).known());
}

TEST(VersionTriple, FormatsAllThreeParts) {
    EXPECT_EQ(FormatVersionTriple({2, 18, 0}), "2.18.0");
    EXPECT_EQ(FormatVersionTriple({}), "0.0.0");
    EXPECT_EQ(FormatVersionTriple({4294967295u, 1, 2}), "4294967295.1.2");
}

TEST(VersionInfo, PresentWhenAnyNumberOrTheDayIsSet) {
    EXPECT_FALSE(VersionInfo{}.present());
    EXPECT_TRUE((VersionInfo{{0, 0, 1}, {}}).present());
    EXPECT_TRUE((VersionInfo{{}, {1, 0, 0}}).present());
    // Minutes and ticks alone are no date.
    EXPECT_FALSE((VersionInfo{{}, {0, 5, 7}}).present());
}

TEST(VersionInfo, IsNewerComparesTriplesFirstThenDates) {
    const amiga::DateStamp early{6000, 10, 0};
    const amiga::DateStamp late{6001, 0, 0};
    const amiga::DateStamp none{};
    struct Row {
        const char* name;
        VersionInfo base;
        VersionInfo candidate;
        bool newer;
    };
    const Row rows[] = {
        {"greater triple", {{1, 0, 0}, late}, {{1, 0, 1}, early}, true},
        {"greater triple without dates", {{1, 9, 0}, none}, {{1, 10, 0}, none}, true},
        {"smaller triple, later date", {{2, 0, 0}, early}, {{1, 9, 9}, late}, false},
        {"equal triple, equal date", {{1, 5, 0}, early}, {{1, 5, 0}, early}, false},
        {"equal triple, later date", {{1, 5, 0}, early}, {{1, 5, 0}, late}, true},
        {"equal triple, earlier date", {{1, 5, 0}, late}, {{1, 5, 0}, early}, false},
        {"equal triple, missing candidate date", {{1, 5, 0}, early}, {{1, 5, 0}, none}, false},
        {"equal triple, only candidate has a date", {{1, 5, 0}, none}, {{1, 5, 0}, early}, true},
        {"no versions, later date", {{}, early}, {{}, late}, true},
        {"candidate date without a day", {{}, none}, {{}, {0, 600, 0}}, false},
        {"same day, later minute", {{3, 0, 0}, {100, 5, 0}}, {{3, 0, 0}, {100, 6, 0}}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(isNewer(row.base, row.candidate), row.newer);
    }
}

}  // namespace
}  // namespace stovan
