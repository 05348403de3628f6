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
        {"1.5.3", {1, 5, 3}},
        {"1", {1, 0, 0}},
        {"v1.5", {0, 0, 0}},
        {"", {0, 0, 0}},
        {"  \t3.4", {3, 4, 0}},
        {"1.5.", {1, 5, 0}},
        {"1 .5", {1, 0, 0}},  // no blank before the point
        {"1. 5", {1, 0, 0}},  // nor after it
        {"1.5. 3", {1, 5, 0}},
        {"+2.1", {2, 1, 0}},
        {"-1.5", {0, 0, 0}},  // a negative number is no version
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

}  // namespace
}  // namespace stovan
