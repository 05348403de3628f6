#include "platform/DateStamp.h"

#include <chrono>

namespace amiga {

int CompareDates(const DateStamp& a, const DateStamp& b) {
    if (a == b) {
        return 0;
    }
    return a > b ? -1 : 1;
}

std::int64_t DateStampToSeconds(const DateStamp& date) {
    return std::int64_t{date.days} * 86400 + std::int64_t{date.minute} * 60 +
           date.tick / kTicksPerSecond;
}

DateStamp DateStampFromSeconds(std::int64_t seconds) {
    if (seconds < 0) {
        return {};
    }
    DateStamp date;
    date.days = static_cast<std::int32_t>(seconds / 86400);
    date.minute = static_cast<std::int32_t>((seconds % 86400) / 60);
    date.tick = static_cast<std::int32_t>((seconds % 60) * kTicksPerSecond);
    return date;
}

namespace {

// Offset of local time from UTC at the given moment, in seconds.
std::int64_t LocalOffset(std::time_t moment) {
    std::tm local{};
    localtime_r(&moment, &local);
    return local.tm_gmtoff;
}

}  // namespace

DateStamp DateStampFromHostTime(std::time_t hostTime) {
    const std::int64_t local = std::int64_t{hostTime} + LocalOffset(hostTime);
    return DateStampFromSeconds(local - kAmigaEpochDays * 86400);
}

std::time_t HostTimeFromDateStamp(const DateStamp& date) {
    const std::int64_t local = DateStampToSeconds(date) + kAmigaEpochDays * 86400;
    // The offset belongs to the UTC moment we are looking for; one correction
    // step is exact except inside a daylight-saving change.
    std::int64_t utc = local - LocalOffset(static_cast<std::time_t>(local));
    utc = local - LocalOffset(static_cast<std::time_t>(utc));
    return static_cast<std::time_t>(utc);
}

DateStamp CurrentDateStamp() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto seconds = system_clock::to_time_t(now);
    DateStamp date = DateStampFromHostTime(seconds);
    const auto fraction = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    date.tick += static_cast<std::int32_t>(fraction * kTicksPerSecond / 1000);
    return date;
}

}  // namespace amiga
