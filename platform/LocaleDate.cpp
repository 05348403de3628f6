#include "platform/LocaleDate.h"

#include <array>
#include <cstdint>

namespace amiga {

namespace {

constexpr std::array<const char*, 7> kDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                               "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonthNames{"January",   "February", "March",    "April",
                                                  "May",       "June",     "July",     "August",
                                                  "September", "October",  "November", "December"};

struct CivilDate {
    std::int64_t year = 1978;
    int month = 1;    // 1-12
    int day = 1;      // 1-31
    int yearDay = 0;  // 0-365
    int weekday = 0;  // 0 Sunday
    int hour = 0;     // 0-23
    int minute = 0;   // 0-59
    int second = 0;   // 0-59
};

std::int64_t FloorDivide(std::int64_t a, std::int64_t b) {
    std::int64_t quotient = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --quotient;
    }
    return quotient;
}

bool IsLeap(std::int64_t year) {
    return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0);
}

// Days since 1 January 1970 to year, month and day (the proleptic Gregorian
// calendar, as in H. Hinnant's civil_from_days).
void FromDays(std::int64_t days, CivilDate& out) {
    days += 719468;
    const std::int64_t era = FloorDivide(days, 146097);
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthPart = (5 * dayOfYear + 2) / 153;
    out.day = static_cast<int>(dayOfYear - (153 * monthPart + 2) / 5 + 1);
    out.month = static_cast<int>(monthPart < 10 ? monthPart + 3 : monthPart - 9);
    out.year = yearOfEra + era * 400 + (out.month <= 2 ? 1 : 0);
    static constexpr std::array<int, 12> kDaysBefore{0,   31,  59,  90,  120, 151,
                                                     181, 212, 243, 273, 304, 334};
    out.yearDay = kDaysBefore[static_cast<std::size_t>(out.month - 1)] + out.day - 1 +
                  ((out.month > 2 && IsLeap(out.year)) ? 1 : 0);
}

CivilDate ToCivil(const DateStamp& date) {
    // Minutes and ticks outside their range carry into the day and minute,
    // so that a damaged stamp still gives a real date.
    std::int64_t ticks = date.tick;
    std::int64_t minutes = std::int64_t{date.minute} + FloorDivide(ticks, 60 * kTicksPerSecond);
    ticks -= FloorDivide(ticks, 60 * kTicksPerSecond) * 60 * kTicksPerSecond;
    std::int64_t days = std::int64_t{date.days} + FloorDivide(minutes, kMinutesPerDay);
    minutes -= FloorDivide(minutes, kMinutesPerDay) * kMinutesPerDay;

    CivilDate civil;
    FromDays(days + kAmigaEpochDays, civil);
    // 1 January 1970 was a Thursday.
    civil.weekday = static_cast<int>(((days + kAmigaEpochDays + 4) % 7 + 7) % 7);
    civil.hour = static_cast<int>(minutes / 60);
    civil.minute = static_cast<int>(minutes % 60);
    civil.second = static_cast<int>(ticks / kTicksPerSecond);
    return civil;
}

// A number at least width characters wide, padded in front with pad.
void AppendNumber(std::string& out, std::int64_t value, std::size_t width = 0, char pad = '0') {
    const std::string digits = std::to_string(value);
    if (digits.size() < width) {
        out.append(width - digits.size(), pad);
    }
    out += digits;
}

void AppendShort(std::string& out, const char* name) {
    out.append(name, 3);
}

int Hour12(int hour) {
    const int h = hour % 12;
    return h == 0 ? 12 : h;
}

// Week of the year with weeks starting on firstWeekday (0 Sunday, 1 Monday);
// days before the first such weekday are in week 0.
int WeekOfYear(const CivilDate& civil, int firstWeekday) {
    const int daysSinceWeekStart = (civil.weekday - firstWeekday + 7) % 7;
    return (civil.yearDay + 7 - daysSinceWeekStart) / 7;
}

void Format(const CivilDate& civil, std::string_view format, std::string& out, int depth) {
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%') {
            out += c;
            continue;
        }
        if (++i == format.size()) {
            break;
        }
        const char code = format[i];
        // The composite codes are expanded through the same walk; their
        // texts hold no composite code, so depth stays at one level.
        auto composite = [&](std::string_view text) {
            if (depth == 0) {
                Format(civil, text, out, depth + 1);
            }
        };
        switch (code) {
            case 'a':
                AppendShort(out, kDayNames[static_cast<std::size_t>(civil.weekday)]);
                break;
            case 'A':
                out += kDayNames[static_cast<std::size_t>(civil.weekday)];
                break;
            case 'b':
            case 'h':
                AppendShort(out, kMonthNames[static_cast<std::size_t>(civil.month - 1)]);
                break;
            case 'B':
                out += kMonthNames[static_cast<std::size_t>(civil.month - 1)];
                break;
            case 'c':
                composite("%a %b %d %H:%M:%S %Y");
                break;
            case 'C':
                composite("%a %b %e %H:%M:%S  %Y");
                break;
            case 'd':
                AppendNumber(out, civil.day, 2);
                break;
            case 'e':
                AppendNumber(out, civil.day, 2, ' ');
                break;
            case 'D':
            case 'x':
                composite("%m/%d/%y");
                break;
            case 'H':
                AppendNumber(out, civil.hour, 2);
                break;
            case 'I':
                AppendNumber(out, Hour12(civil.hour), 2);
                break;
            case 'q':
                AppendNumber(out, civil.hour);
                break;
            case 'Q':
                AppendNumber(out, Hour12(civil.hour));
                break;
            case 'j':
                AppendNumber(out, civil.yearDay + 1, 3);
                break;
            case 'm':
                AppendNumber(out, civil.month, 2);
                break;
            case 'M':
                AppendNumber(out, civil.minute, 2);
                break;
            case 'S':
                AppendNumber(out, civil.second, 2);
                break;
            case 'p':
                out += civil.hour < 12 ? "AM" : "PM";
                break;
            case 'r':
                composite("%I:%M:%S %p");
                break;
            case 'R':
                composite("%H:%M");
                break;
            case 'T':
            case 'X':
                composite("%H:%M:%S");
                break;
            case 'U':
                AppendNumber(out, WeekOfYear(civil, 0), 2);
                break;
            case 'W':
                AppendNumber(out, WeekOfYear(civil, 1), 2);
                break;
            case 'w':
                AppendNumber(out, civil.weekday);
                break;
            case 'y':
                AppendNumber(out, ((civil.year % 100) + 100) % 100, 2);
                break;
            case 'Y':
                AppendNumber(out, civil.year);
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            default:
                out += code;
                break;
        }
    }
}

}  // namespace

std::string FormatDate(const DateStamp& date, std::string_view format) {
    std::string out;
    Format(ToCivil(date), format, out, 0);
    return out;
}

}  // namespace amiga
