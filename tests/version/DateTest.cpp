#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "version/Date.h"

namespace stovan {
namespace {

using amiga::DateStamp;

// The day count of a calendar date worked out by the C library, independent
// of the parser's own arithmetic.
std::int32_t HostDays(int day, int month, int year) {
    std::tm tm{};
    tm.tm_mday = day;
    tm.tm_mon = month - 1;
    tm.tm_year = year - 1900;
    const std::time_t t = timegm(&tm);
    return static_cast<std::int32_t>((t - 252460800) / 86400);
}

struct Row {
    const char* name;
    std::string text;
    const char* format;
    bool ok;
    DateStamp expected{};
};

void Check(const Row& row) {
    SCOPED_TRACE(std::string(row.name) + ": '" + row.text + "' with '" + row.format + "'");
    const DateStamp untouched{-7, -7, -7};
    DateStamp out = untouched;
    EXPECT_EQ(ParseDate(row.text, row.format, &out), row.ok);
    // The output is written only on success.
    EXPECT_EQ(out, row.ok ? row.expected : untouched);
    // The check alone gives the same answer.
    EXPECT_EQ(ParseDate(row.text, row.format), row.ok);
}

TEST(ParseDate, FormatsNumbersNamesAndBrokenTexts) {
    const std::int32_t nov1 = HostDays(1, 11, 2000);
    const Row rows[] = {
        // The formats in use.
        {"http header", "15 Nov 1994 08:12:31", "%d %b %Y %H:%M:%S", true, {6162, 492, 1550}},
        {"version string", "8.10.15", "%d.%m.%y", true, {13794, 0, 0}},
        {"from numbers", "08-10-2015 23:59:59", "%d-%m-%Y %H:%M:%S", true, {13794, 1439, 2950}},
        {"year below 1978 (%Y)", "8.10.1977", "%d.%m.%Y", false},
        {"year below 1978 (%y)", "8.10.1977", "%d.%m.%y", false},
        {"text after the last number", "01.02.2015 extra", "%d.%m.%Y", false},
        {"single digit at the end", "5", "%S", true, {0, 0, 250}},

        // Numbers and their ranges.
        {"day 0", "0.1.2000", "%d.%m.%Y", false},
        {"day 32 without a month", "32", "%d", false},
        {"day 31 without a month", "31", "%d", true, {30}},
        {"blanks before the day", " \t5.1.2000", "%d.%m.%Y", true, {HostDays(5, 1, 2000)}},
        {"%e like %d", "  7.3.2001", "%e.%m.%Y", true, {HostDays(7, 3, 2001)}},
        {"no blanks before the month", "5. 1.2000", "%d.%m.%Y", false},
        {"month 0", "1.0.2000", "%d.%m.%Y", false},
        {"month 13", "1.13.2000", "%d.%m.%Y", false},
        {"wrong separator", "5-1-2000", "%d.%m.%Y", false},
        {"sign is no digit", "+5.1.2000", "%d.%m.%Y", false},
        {"empty text", "", "%d", false},
        {"hour 23", "23:00", "%H:%M", true, {0, 1380, 0}},
        {"hour 24", "24:00", "%H:%M", false},
        {"minute 60", "10:60", "%H:%M", false},
        {"two numbers back to back", "0930", "%H%M", true, {0, 570, 0}},
        {"short number before a conversion", "8Nov2015", "%d%b%Y", true, {HostDays(8, 11, 2015)}},
        {"%Y exactly four digits", "201", "%Y", false},
        {"%Y 9999", "31.12.9999", "%d.%m.%Y", true, {HostDays(31, 12, 9999)}},
        {"%Y does not skip blanks", " 2015", "%Y", false},
        {"%y 77", "1.1.77", "%d.%m.%y", true, {HostDays(1, 1, 2077)}},
        {"%y 78", "1.1.78", "%d.%m.%y", true, {HostDays(1, 1, 1978)}},
        {"%y 100", "1.1.100", "%d.%m.%y", true, {HostDays(1, 1, 2000)}},
        {"%y 1999", "1.1.1999", "%d.%m.%y", true, {HostDays(1, 1, 1999)}},
        {"%y 12345", "1.1.12345", "%d.%m.%y", false},

        // Month and weekday names, day halves.
        {"full word under %b", "1 NOVEMBER 2000", "%d %b %Y", true, {nov1}},
        {"short word under %B", "1 Nov 2000", "%d %B %Y", true, {nov1}},
        {"%h like %b", "1 Nov 2000", "%d %h %Y", true, {nov1}},
        {"prefix picks the first", "1 Ju 2000", "%d %B %Y", true, {HostDays(1, 6, 2000)}},
        {"misspelt month", "1 Novenber 2000", "%d %B %Y", false},
        {"missing month word", "15  1994", "%d %b %Y", false},
        {"no delimiter after the name", "1 Nov", "%d %b %Y", false},
        {"name ends the format", "Dec", "%b", true, {HostDays(1, 12, 1978)}},
        {"accented letter", "1 N\xD6V 2000", "%d %b %Y", false},
        {"Thursday under %A", "Thursday", "%A", false},
        {"Thurs under %A", "Thurs", "%A", true},
        {"Thursday under %a", "Thursday", "%a", true},
        {"Wednesday under %A", "Wednesday", "%A", true},
        {"unknown weekday", "Thor", "%a", false},
        {"weekday does not change the date", "Mon, 15 Nov 1994", "%a, %d %b %Y", true, {6162}},
        {"12 is above %I", "12:30pm", "%I:%M%p", false},
        {"afternoon", "11:30pm", "%I:%M%p", true, {0, 1410, 0}},
        {"morning", "11:30am", "%I:%M%p", true, {0, 690, 0}},
        {"neither am nor pm", "11:30xx", "%I:%M%p", true, {0, 690, 0}},
        {"no day half", "11:30", "%I:%M%p", true, {0, 690, 0}},
        {"pm does not push past midnight", "13:00pm", "%H:%M%p", true, {0, 780, 0}},
        {"%H clears an earlier pm", "pm 01", "%p %H", true, {0, 60, 0}},
        {"text after a name conversion", "Nov.x", "%b.", true, {HostDays(1, 11, 1978)}},

        // Broken formats and texts.
        {"empty format", "1", "", false},
        {"lone percent", "1", "%", false},
        {"percent percent", "%", "%%", false},
        {"unknown code", "1", "%q", false},
        {"literal case matters", "a", "A", false},
        {"literal only", "abc", "abc", true, {0, 0, 0}},
        {"literal with text left", "abcd", "abc", false},
    };
    for (const Row& row : rows) {
        Check(row);
    }
}

TEST(ParseDate, NulEndsTextsAndHugeTextsAreRefused) {
    DateStamp out;
    // A NUL byte ends a text or a format, as it does for a C string.
    EXPECT_TRUE(ParseDate(std::string_view("1.1.2000\0junk", 13), "%d.%m.%Y", &out));
    EXPECT_EQ(out.days, HostDays(1, 1, 2000));
    EXPECT_TRUE(ParseDate("1.1.2000", std::string_view("%d.%m.%Y\0%S", 11), &out));
    EXPECT_FALSE(ParseDate("1", std::string_view("\0%d", 3), &out));
    // A huge text is refused without reading it all.
    EXPECT_FALSE(ParseDate(std::string(1 << 20, '9'), "%d.%m.%Y", &out));
    EXPECT_FALSE(ParseDate(std::string(1 << 20, 'N'), "%b %Y", &out));
}

// Month lengths and leap years, every day of 1978 to 2400.
TEST(ParseDate, EveryDayAgreesWithTheCalendar) {
    DateStamp out;
    for (int year = 1978; year <= 2400; ++year) {
        for (int month = 1; month <= 12; ++month) {
            // timegm normalises 1.13. to 1.1. of the next year.
            const int length = HostDays(1, month + 1, year) - HostDays(1, month, year);
            for (int day = 1; day <= 31; ++day) {
                const std::string text =
                    std::to_string(day) + "." + std::to_string(month) + "." + std::to_string(year);
                ASSERT_EQ(ParseDate(text, "%d.%m.%Y", &out), day <= length) << text;
                if (day <= length) {
                    ASSERT_EQ(out.days, HostDays(day, month, year)) << text;
                }
            }
        }
    }
}

TEST(Seconds, ConvertBothWays) {
    EXPECT_EQ(SecondsFromDate({6162, 492, 1550}), 532426351u);
    EXPECT_EQ(DateFromSeconds(532426351u), (DateStamp{6162, 492, 1550}));
    // Ticks are cut to whole seconds.
    EXPECT_EQ(SecondsFromDate({0, 0, 99}), 1u);
    EXPECT_EQ(DateFromSeconds(SecondsFromDate({10, 20, 1549})), (DateStamp{10, 20, 1500}));
    EXPECT_EQ(DateFromSeconds(0), DateStamp{});
    // The 32-bit count ends in 2114.
    EXPECT_EQ(DateFromSeconds(0xFFFFFFFFu), (DateStamp{49710, 388, 750}));
    EXPECT_EQ(SecondsFromDate({49711, 0, 0}), 63104u);
}

}  // namespace
}  // namespace stovan
