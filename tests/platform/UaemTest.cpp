#include <gtest/gtest.h>

#include "platform/Uaem.h"

namespace amiga {
namespace {

DateStamp Date(int year, int month, int day, int hour, int minute, int second, int hundredths) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    DateStamp date = DateStampFromSeconds(timegm(&fields) - kAmigaEpochDays * 86400);
    date.tick += hundredths / 2;
    return date;
}

TEST(Uaem, FormatsTheDocumentedExample) {
    UaemInfo info{kDefaultProtection, Date(2013, 2, 12, 21, 20, 52, 2), "hello"};
    EXPECT_EQ(FormatUaem(info), "----rwed 2013-02-12 21:20:52.02 hello\n");
    info.comment.clear();
    EXPECT_EQ(FormatUaem(info), "----rwed 2013-02-12 21:20:52.02 \n");
}

TEST(Uaem, RoundTripsCommentsThatNeedEscapes) {
    const std::string comments[] = {
        "plain",           "100% sure?", "a/b\\c*d", "ends with dot.", "ends with space ",
        "\xe9t\xe9",       "tab\there",  "AUX",      "con.txt",        "",
        "\"quoted\" <x>|y"};
    for (const std::string& comment : comments) {
        SCOPED_TRACE(comment);
        const UaemInfo info{FIBF_SCRIPT | FIBF_DELETE, Date(1999, 12, 31, 23, 59, 58, 98), comment};
        const std::string text = FormatUaem(info);
        EXPECT_EQ(text.find_first_of("\r", 0), std::string::npos);
        EXPECT_EQ(text.find('\n'), text.size() - 1);
        for (char c : text) {
            EXPECT_LT(static_cast<unsigned char>(c), 0x80u);
        }
        const UaemInfo back = ParseUaem(text, {});
        EXPECT_EQ(back.comment, comment);
        EXPECT_EQ(back.protection, info.protection);
        EXPECT_EQ(back.date, info.date);
    }
    EXPECT_EQ(FormatUaem(UaemInfo{0, {}, "AUX"}).substr(32), "AU%58\n");
    EXPECT_EQ(FormatUaem(UaemInfo{0, {}, "x."}).substr(32), "x%2e\n");
}

TEST(Uaem, DatesOutsideFourDigitYearsKeepTheColumns) {
    const auto line = [](DateStamp date) {
        const std::string text = FormatUaem(UaemInfo{kDefaultProtection, date, "c"});
        EXPECT_EQ(ParseUaem(text, {}).comment, "c");
        return text;
    };
    EXPECT_EQ(line(Date(9999, 12, 31, 23, 59, 59, 98)), "----rwed 9999-12-31 23:59:59.98 c\n");
    EXPECT_EQ(line(DateStamp{5'000'000, 0, 0}), "----rwed 9999-12-31 23:59:59.98 c\n");
    EXPECT_EQ(line(DateStamp{-5, 0, 0}), "----rwed 1978-01-01 00:00:00.00 c\n");
}

TEST(Uaem, ShortAndOddFilesKeepTheFallback) {
    const UaemInfo fallback{kDefaultProtection, DateStamp{100, 10, 0}, ""};
    // Protection, whether the fallback date was kept, comment.
    const auto parse = [&fallback](std::string_view text) {
        const UaemInfo info = ParseUaem(text, fallback);
        return std::tuple<std::uint32_t, bool, std::string>(
            info.protection, info.date == fallback.date, info.comment);
    };
    EXPECT_EQ(parse(""), std::tuple(0u, true, ""));
    EXPECT_EQ(parse("--p-rwed"), std::tuple(FIBF_PURE, true, ""));
    EXPECT_EQ(parse("--p-rwed 2000-01-01 00:"), std::tuple(FIBF_PURE, true, ""));
    EXPECT_EQ(parse("\xEF\xBB\xBF----r-ed 2000-01-01 00:00:00.00 x"),
              std::tuple(FIBF_WRITE, false, "x"));
    EXPECT_EQ(parse("----rwed 2000-01-01 00:00:00.00 hi\r\nmore"), std::tuple(0u, false, "hi"));
    EXPECT_EQ(parse("----RWED 2000-01-01 00:00:00.00 "), std::tuple(0x0Fu, false, ""));
    EXPECT_EQ(parse("----rwed 2000-01-01 00:00:00.00 a%4"), std::tuple(0u, false, "a%4"));
    EXPECT_EQ(parse("----rwed 2000-01-01 00:00:00.00 %zz"), std::tuple(0u, false, "%zz"));
    EXPECT_EQ(parse("----rwed 2013-99-99 99:99:99.99 x"), std::tuple(0u, true, "x"));
    EXPECT_EQ(parse("----rwed 2013-02-30 00:00:00.00 x"), std::tuple(0u, true, "x"));
    EXPECT_EQ(parse("----rwed 1977-12-31 23:59:59.00 x"), std::tuple(0u, true, "x"));
    EXPECT_TRUE(IsUaemName("a.uaem"));
    EXPECT_FALSE(IsUaemName(".uaem"));
    EXPECT_FALSE(IsUaemName("a.UAEM"));
}

}  // namespace
}  // namespace amiga
