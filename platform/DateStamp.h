#pragma once
// The AmigaDOS date: days since 1 January 1978, minutes since midnight and
// ticks (1/50 second) into the minute, in local time as the Amiga clock keeps
// it. Host times (seconds since 1970, UTC) are converted through the host's
// local time zone.

#include <compare>
#include <cstdint>
#include <ctime>

namespace amiga {

inline constexpr std::int32_t kTicksPerSecond = 50;
inline constexpr std::int32_t kMinutesPerDay = 24 * 60;
// Days from 1 January 1970 to 1 January 1978.
inline constexpr std::int64_t kAmigaEpochDays = 2922;

struct DateStamp {
    std::int32_t days = 0;
    std::int32_t minute = 0;
    std::int32_t tick = 0;

    // Later dates order after earlier ones (days, then minutes, then ticks).
    friend constexpr auto operator<=>(const DateStamp&, const DateStamp&) = default;
};

// dos.library CompareDates: negative when a is later than b, 0 when equal,
// positive when b is later.
int CompareDates(const DateStamp& a, const DateStamp& b);

// Seconds since the Amiga epoch (local time), and back.
std::int64_t DateStampToSeconds(const DateStamp& date);
DateStamp DateStampFromSeconds(std::int64_t seconds);

// Host time (UTC seconds since 1970) to the Amiga's local-time DateStamp and
// back, using the host's time zone. Times before 1978 become 0/0/0.
DateStamp DateStampFromHostTime(std::time_t hostTime);
std::time_t HostTimeFromDateStamp(const DateStamp& date);

// The current local time (dos.library DateStamp()).
DateStamp CurrentDateStamp();

}  // namespace amiga
