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
    struct Row {
        const char* text;
        int used;
        std::int32_t value;
    };
    const Row rows[] = {
        {"42", 2, 42},
        {"  \t7x", 4, 7},
        {"-15.3", 3, -15},
        {"+8", 2, 8},
        {"", -1, 0},
        {"v1", -1, 0},
        {"-", -1, 0},
        {" . 1", -1, 0},
        {"99999999999", 11, 2147483647},
        {"-2147483648", 11, -2147483647 - 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        std::int32_t value = 0;
        EXPECT_EQ(StrToLong(row.text, value), row.used);
        if (row.used > 0) {
            EXPECT_EQ(value, row.value);
        }
    }
}

}  // namespace
}  // namespace amiga
