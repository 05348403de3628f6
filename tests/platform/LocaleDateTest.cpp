#include <gtest/gtest.h>

#include "platform/LocaleDate.h"

namespace amiga {
namespace {

// 5 March 2021, a Friday, 14:08:09 (day 15769 since 1 January 1978).
constexpr DateStamp kFriday{15769, 14 * 60 + 8, 9 * kTicksPerSecond + 49};

TEST(LocaleDate, EveryCode) {
    EXPECT_EQ(FormatDate(kFriday, "%a %A"), "Fri Friday");
    EXPECT_EQ(FormatDate(kFriday, "%b %h %B"), "Mar Mar March");
    EXPECT_EQ(FormatDate(kFriday, "%d|%e"), "05| 5");
    EXPECT_EQ(FormatDate(kFriday, "%m/%y %Y"), "03/21 2021");
    EXPECT_EQ(FormatDate(kFriday, "%H %I %q %Q %p"), "14 02 14 2 PM");
    EXPECT_EQ(FormatDate(kFriday, "%M:%S"), "08:09");
    EXPECT_EQ(FormatDate(kFriday, "%j"), "064");
    EXPECT_EQ(FormatDate(kFriday, "%w %U %W"), "5 09 09");
    EXPECT_EQ(FormatDate(kFriday, "%D|%x"), "03/05/21|03/05/21");
    EXPECT_EQ(FormatDate(kFriday, "%T|%X|%R"), "14:08:09|14:08:09|14:08");
    EXPECT_EQ(FormatDate(kFriday, "%r"), "02:08:09 PM");
    EXPECT_EQ(FormatDate(kFriday, "%c"), "Fri Mar 05 14:08:09 2021");
    EXPECT_EQ(FormatDate(kFriday, "%C"), "Fri Mar  5 14:08:09  2021");
    EXPECT_EQ(FormatDate(kFriday, "a%nb%tc%%d"), "a\nb\tc%d");
    EXPECT_EQ(FormatDate(kFriday, "%k%"), "k");
    EXPECT_EQ(FormatDate(kFriday, ""), "");
}

TEST(LocaleDate, CalendarEdges) {
    const auto day = [](DateStamp date) { return FormatDate(date, "%a %d.%m.%Y %H:%M:%S %j"); };
    EXPECT_EQ(day({0, 0, 0}), "Sun 01.01.1978 00:00:00 001");  // the Amiga epoch
    EXPECT_EQ(day({8094, 23 * 60 + 59, 59 * 50}), "Tue 29.02.2000 23:59:59 060");
    EXPECT_EQ(day({8034, 0, 0}), "Fri 31.12.1999 00:00:00 365");
    EXPECT_EQ(day({44619, 0, 0}), "Mon 01.03.2100 00:00:00 060");      // 2100 is no leap year
    EXPECT_EQ(day({0, 1440 + 61, 0}), "Mon 02.01.1978 01:01:00 002");  // minutes carry
    EXPECT_EQ(day({1, 0, -50}), "Sun 01.01.1978 23:59:59 001");        // ticks borrow
    EXPECT_EQ(day({-1, 0, 0}), "Sat 31.12.1977 00:00:00 365");         // before the epoch
    EXPECT_EQ(FormatDate({0, 0, 0}, "%I %p|%Q"), "12 AM|12");
    EXPECT_EQ(FormatDate({0, 12 * 60, 0}, "%I %p"), "12 PM");
}

}  // namespace
}  // namespace amiga
