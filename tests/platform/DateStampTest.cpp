#include <gtest/gtest.h>

#include "platform/DateStamp.h"
#include "platform/StrToLong.h"

namespace amiga {
namespace {

TEST(DateStamp, CompareDatesIsNegativeWhenTheFirstIsLater) {
    const DateStamp early{100, 5, 0};
    const DateStamp late{100, 5, 1};
    EXPECT_LT(CompareDates(late, early), 0);
    EXPECT_GT(CompareDates(early, late), 0);
    EXPECT_EQ(CompareDates(early, early), 0);
    EXPECT_LT(CompareDates(DateStamp{101, 0, 0}, DateStamp{100, 1439, 2999}), 0);
}

TEST(DateStamp, SecondsAndHostTimeRoundTrip) {
    // Tests run with TZ=UTC: 1 January 1978 00:00 is host time 252460800.
    EXPECT_EQ(DateStampFromHostTime(252460800), (DateStamp{0, 0, 0}));
    const DateStamp date{16000, 725, 1450};
    EXPECT_EQ(DateStampFromSeconds(DateStampToSeconds(date)), date);
    EXPECT_EQ(DateStampFromHostTime(HostTimeFromDateStamp(date)), date);
    EXPECT_EQ(DateStampFromHostTime(0), (DateStamp{}));  // before the Amiga epoch
    const DateStamp now = CurrentDateStamp();
    EXPECT_GT(now.days, 17000);  // after 2024
    EXPECT_LT(now.tick, 3000);
}

TEST(StrToLong, ReadsBlanksSignAndDigits) {
    // Characters used and the value read; a failure (-1) leaves the value alone.
    const auto read = [](const char* text) {
        std::int32_t value = 0;
        const int used = StrToLong(text, value);
        return std::pair(used, value);
    };
    EXPECT_EQ(read("42"), std::pair(2, 42));
    EXPECT_EQ(read("  \t7x"), std::pair(4, 7));
    EXPECT_EQ(read("-15.3"), std::pair(3, -15));
    EXPECT_EQ(read("+8"), std::pair(2, 8));
    EXPECT_EQ(read(""), std::pair(-1, 0));
    EXPECT_EQ(read("-"), std::pair(-1, 0));
    EXPECT_EQ(read(" . 1"), std::pair(-1, 0));
    EXPECT_EQ(read("99999999999"), std::pair(11, 2147483647));
    EXPECT_EQ(read("-2147483648"), std::pair(11, -2147483647 - 1));
}

}  // namespace
}  // namespace amiga
