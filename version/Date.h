#pragma once
// Dates found in version strings, web pages, database files and HTTP headers,
// turned into the AmigaDOS date. The parser knows English names only and does
// not depend on the locale.

#include <cstdint>
#include <string_view>

#include "platform/DateStamp.h"

namespace stovan {

// Formats in use across the system.
inline constexpr std::string_view kDateFormatFromNumbers = "%d-%m-%Y %H:%M:%S";
inline constexpr std::string_view kDateFormatHttp = "%d %b %Y %H:%M:%S";
inline constexpr std::string_view kDateFormatDatabase = "%d.%m.%Y";
inline constexpr std::string_view kDateFormatVersionString = "%d.%m.%y";

// Reads `text` as described by `format`. Returns true when the whole format
// was matched and the date is valid; `out` (may be null: only the check is
// made) is written only then. The format walk:
//   - a character other than '%' must equal the next text character exactly;
//   - %d, %e  day 1-31 (blanks before it are skipped), at most 2 digits
//   - %m      month 1-12                                  at most 2 digits
//   - %H      hour 0-23 (clears the afternoon flag)       at most 2 digits
//   - %I      hour 0-11                                   at most 2 digits
//   - %M, %S  minute, second 0-59                         at most 2 digits
//   - %Y      exactly four digits, at least 1978
//   - %y      at most 4 digits; below 78 add 100, then below 1900 add 1900
//   - %b, %h  short month name; %B full month name
//   - %a      short weekday name; %A full weekday name (validated only)
//   - %p      "am" or "pm"; anything else is ignored
// A number shorter than its width must be followed by the format character
// after the conversion (both are consumed). A name is the text up to the
// format character after the conversion (or the rest of the text when the
// conversion ends the format); it matches a table name when they agree,
// without regard to case, on every position both have; the first match in
// table order wins. Text left after a final numeric conversion fails. The
// year must be 1978 or later and the day must exist in the month.
bool ParseDate(std::string_view text, std::string_view format, amiga::DateStamp* out = nullptr);

// A date from separate numbers, validated by the parser; all zero when the
// numbers do not make a valid date.
amiga::DateStamp DateFromNumbers(std::int64_t day, std::int64_t month, std::int64_t year,
                                 std::int64_t hour, std::int64_t minute, std::int64_t second);

// Seconds since 1 January 1978 as an unsigned 32-bit number (wrapping as the
// 32-bit original does), and back.
std::uint32_t SecondsFromDate(const amiga::DateStamp& date);
amiga::DateStamp DateFromSeconds(std::uint32_t seconds);

// Leap years: divisible by 400, or divisible by 4 and not by 100.
constexpr bool IsLeapYear(std::int64_t year) {
    return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0);
}

}  // namespace stovan
