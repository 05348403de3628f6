#include <gtest/gtest.h>

#include "platform/Latin1.h"

namespace amiga {
namespace {

TEST(Latin1, CaseConversionCoversAccentedLettersButNotSigns) {
    EXPECT_EQ(ToUpper(std::string("abz\xe4\xe9\xfe")), "ABZ\xc4\xc9\xde");
    EXPECT_EQ(ToLower(std::string("ABZ\xc4\xc9\xde")), "abz\xe4\xe9\xfe");
    // Multiplication and division signs, sharp s and y diaeresis stay.
    EXPECT_EQ(ToUpper(std::string("\xf7\xdf\xff")), "\xf7\xdf\xff");
    EXPECT_EQ(ToLower(std::string("\xd7")), "\xd7");
    EXPECT_EQ(ToUpper(std::string("1.2-x_")), "1.2-X_");
}

TEST(Latin1, ComparisonIgnoresCaseAndOrdersByUpperCaseBytes) {
    EXPECT_EQ(CompareNoCase("Stovan", "STOVAN"), 0);
    EXPECT_TRUE(EqualsNoCase("m\xfcller", "M\xdcLLER"));
    EXPECT_FALSE(EqualsNoCase("abc", "abcd"));
    EXPECT_LT(CompareNoCase("abc", "abcd"), 0);
    EXPECT_GT(CompareNoCase("b", "A"), 0);
    EXPECT_LT(CompareNoCase("Z", "\xe4"), 0);  // 0xC4 sorts after 'Z'
    EXPECT_EQ(CompareNoCase("abcX", "ABCy", 3), 0);
    EXPECT_TRUE(StartsWithNoCase("Work:Apps", "WORK:"));
    EXPECT_TRUE(EndsWithNoCase("readme.TXT", ".txt"));
    EXPECT_EQ(FindNoCase("Aminet/UTIL/x", "util"), 7u);
    EXPECT_EQ(FindNoCase("ab", "abc"), std::string_view::npos);
    EXPECT_EQ(NoCaseHash{}("Hello"), NoCaseHash{}("hELLO"));
}

TEST(Latin1, Utf8EdgeKeepsValidUtf8AndConvertsLatin1) {
    const std::string latin1 = std::string("fran\xe7") + "ais";
    const std::string utf8 = std::string("fran\xc3\xa7") + "ais";
    EXPECT_EQ(Latin1ToUtf8("plain"), "plain");
    EXPECT_EQ(Latin1ToUtf8(latin1), utf8);
    EXPECT_EQ(Latin1ToUtf8(utf8), utf8);  // already UTF-8
    EXPECT_EQ(Utf8ToLatin1(utf8), latin1);
    EXPECT_EQ(Utf8ToLatin1("\xe2\x82\xac"), "?");  // euro sign has no Latin-1 byte
    EXPECT_EQ(Utf8ToLatin1(latin1), latin1);       // not UTF-8: left alone
    EXPECT_FALSE(IsValidUtf8("\xc0\x80"));         // overlong NUL
    EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xe2\x82"));         // cut short
    EXPECT_TRUE(IsValidUtf8("\xf0\x9f\x98\x80"));
}

}  // namespace
}  // namespace amiga
