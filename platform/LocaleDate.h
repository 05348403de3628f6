#pragma once
// locale.library's FormatDate for the English locale: a DateStamp written
// through a format of "%" codes. The names of days and months are English;
// the numbers are those of the date as the Amiga clock keeps it (local time,
// no time-zone conversion).
//
//   %a %A  weekday, short ("Mon") and full ("Monday")
//   %b %h  short month name ("Jan"); %B full month name ("January")
//   %c     "%a %b %d %H:%M:%S %Y"     %C  "%a %b %e %T %Z %Y" (%Z is empty)
//   %d     day 01-31                  %e  day 1-31 with a leading blank
//   %D %x  "%m/%d/%y"                 %T %X  "%H:%M:%S"
//   %H     hour 00-23                 %I  hour 01-12
//   %q     hour 0-23                  %Q  hour 1-12
//   %j     day of the year 001-366    %m  month 01-12
//   %M     minute 00-59               %S  second 00-59 (ticks / 50)
//   %p     "AM" or "PM"               %r  "%I:%M:%S %p"   %R  "%H:%M"
//   %U %W  week of the year 00-53, weeks starting on Sunday / Monday
//   %w     weekday 0-6, Sunday 0      %y  year 00-99      %Y  year
//   %n %t  line feed, tab             %%  "%"
// Any other character after "%" is written as it is, without the "%"; a
// "%" at the end of the format is dropped.

#include <string>
#include <string_view>

#include "platform/DateStamp.h"

namespace amiga {

std::string FormatDate(const DateStamp& date, std::string_view format);

}  // namespace amiga
