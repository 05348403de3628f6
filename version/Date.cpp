#include "version/Date.h"

#include <fmt/printf.h>

#include <algorithm>
#include <array>
#include <string>

#include "platform/Latin1.h"

namespace stovan {

namespace {

// The names are kept upper case as stored and compared without regard to
// case. The fourth full weekday really is "THURSTDAY": under the matching
// rule 'Thursday' therefore matches no full name, while 'Thu' and 'Thurs' do.
// Version strings and web pages in the wild have been read this way for
// years, so the table stays as it is.
constexpr std::array<std::string_view, 7> kWeekdaysFull = {
    "MONDAY", "TUESDAY", "WEDNESDAY", "THURSTDAY", "FRIDAY", "SATURDAY", "SUNDAY"};
constexpr std::array<std::string_view, 7> kWeekdaysShort = {"MON", "TUE", "WED", "THU",
                                                            "FRI", "SAT", "SUN"};
constexpr std::array<std::string_view, 12> kMonthsFull = {
    "JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
    "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
constexpr std::array<std::string_view, 12> kMonthsShort = {
    "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr std::string_view kAm = "am";
constexpr std::string_view kPm = "pm";

constexpr std::array<int, 12> kDaysBeforeMonth = {0,   31,  59,  90,  120, 151,
                                                  181, 212, 243, 273, 304, 334};
constexpr std::array<int, 12> kDaysInMonth = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Days from 1 January of year 1 to 1 January 1978 in the count below.
constexpr std::int64_t kEpochOffset = 479;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// A name survives when it agrees with the word, without regard to case, on
// every position both have: 'Nov' matches "NOVEMBER" and 'November' matches
// "NOV". An empty word agrees with every name and would silently become the
// first of the table (January, Monday, am); it matches nothing instead.
bool NameSurvives(std::string_view word, std::string_view name) {
    if (word.empty()) {
        return false;
    }
    const std::size_t compared = std::min(word.size(), name.size());
    for (std::size_t i = 0; i < compared; ++i) {
        if (amiga::ToUpper(word[i]) != amiga::ToUpper(name[i])) {
            return false;
        }
    }
    return true;
}

template <std::size_t N>
int MatchName(std::string_view word, const std::array<std::string_view, N>& table) {
    for (std::size_t i = 0; i < N; ++i) {
        if (NameSurvives(word, table[i])) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

class DateParser {
  public:
    DateParser(std::string_view text, std::string_view format) : text_(text), format_(format) {}

    bool Parse(amiga::DateStamp* out) {
        while (formatPos_ < format_.size()) {
            const char f = format_[formatPos_++];
            if (f != '%') {
                if (Current() != f) {
                    return false;
                }
                ++textPos_;
                continue;
            }
            if (formatPos_ >= format_.size()) {
                return false;  // a lone '%' at the end has no code
            }
            if (!Convert(format_[formatPos_++])) {
                return false;
            }
        }
        if (!lastWasName_ && textPos_ < text_.size()) {
            return false;
        }
        // The checks hold for a check-only call as well: a date that cannot
        // be stored is no date.
        if (year_ < 1978) {
            return false;
        }
        const bool leap = IsLeapYear(year_);
        if (month_ != 0) {
            const int length = kDaysInMonth[month_ - 1] + (month_ == 2 && leap ? 1 : 0);
            if (dayIndex_ >= length) {
                return false;
            }
        }
        if (out != nullptr) {
            const std::int64_t y = year_ - 1;
            std::int64_t days = (month_ != 0 ? kDaysBeforeMonth[month_ - 1] : 0) + y / 4 - y / 100 +
                                y / 400 - kEpochOffset + (year_ - 1978) * 365 + dayIndex_;
            if (leap && month_ > 2) {
                ++days;
            }
            int minutes = hour_ * 60 + minute_;
            if (afternoon_ && hour_ < 12) {
                minutes += 720;
            }
            out->days = static_cast<std::int32_t>(days);
            out->minute = minutes;
            out->tick = second_ * amiga::kTicksPerSecond;
        }
        return true;
    }

  private:
    char Current() const { return textPos_ < text_.size() ? text_[textPos_] : '\0'; }
    // The format character that follows the current conversion, NUL at the end.
    char Follower() const { return formatPos_ < format_.size() ? format_[formatPos_] : '\0'; }

    bool Convert(char code) {
        lastWasName_ = false;
        int number = 0;
        switch (code) {
            case 'd':
            case 'e':
                while (Current() == ' ' || Current() == '\t') {
                    ++textPos_;
                }
                // Days run from 1 to 31; the month's own length is checked
                // once the whole date is known.
                if (!ReadNumber(2, number) || number == 0 || number > 31) {
                    return false;
                }
                dayIndex_ = number - 1;
                return true;
            case 'm':
                if (!ReadNumber(2, number) || number < 1 || number > 12) {
                    return false;
                }
                month_ = number;
                return true;
            case 'H':
                if (!ReadNumber(2, number) || number > 23) {
                    return false;
                }
                hour_ = number;
                afternoon_ = false;
                return true;
            case 'I':
                if (!ReadNumber(2, number) || number > 11) {
                    return false;
                }
                hour_ = number;
                return true;
            case 'M':
            case 'S':
                if (!ReadNumber(2, number) || number > 59) {
                    return false;
                }
                (code == 'M' ? minute_ : second_) = number;
                return true;
            case 'Y':
                return ReadFourDigitYear();
            case 'y':
                if (!ReadNumber(4, number)) {
                    return false;
                }
                if (number < 78) {
                    number += 100;
                }
                if (number < 1900) {
                    number += 1900;
                }
                year_ = number;
                return true;
            case 'b':
            case 'h':
                return ReadMonthName(kMonthsShort);
            case 'B':
                return ReadMonthName(kMonthsFull);
            case 'a':
                return ReadWeekdayName(kWeekdaysShort);
            case 'A':
                return ReadWeekdayName(kWeekdaysFull);
            case 'p':
                return ReadDayHalf();
            default:
                return false;
        }
    }

    // A number of at most `width` digits; the first character must be a
    // digit. A non-digit before the width must be the format character that
    // follows the conversion (both are consumed); at the width reading stops
    // without looking further.
    bool ReadNumber(int width, int& value) {
        if (!IsDigit(Current())) {
            return false;
        }
        value = 0;
        for (int digits = 0; digits < width; ++digits) {
            const char c = Current();
            if (IsDigit(c)) {
                value = value * 10 + (c - '0');
                ++textPos_;
                continue;
            }
            const char follower = Follower();
            if (follower == '%') {
                // Another conversion follows directly ("%H%M"): consuming its
                // '%' would break the format, so it reads on from here.
                return true;
            }
            if (c != follower) {
                return false;
            }
            if (follower != '\0') {  // at the end of both there is nothing to consume
                ++textPos_;
                ++formatPos_;
            }
            return true;
        }
        return true;
    }

    bool ReadFourDigitYear() {
        if (text_.size() - textPos_ < 4) {
            return false;
        }
        int year = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[textPos_ + static_cast<std::size_t>(i)];
            if (!IsDigit(c)) {
                return false;
            }
            year = year * 10 + (c - '0');
        }
        textPos_ += 4;
        if (year < 1978) {
            return false;
        }
        year_ = year;
        return true;
    }

    // The word runs up to the format character that follows the conversion,
    // which must be there and is consumed with it; a conversion at the end of
    // the format takes the rest of the text.
    bool ReadWord(std::string_view& word) {
        lastWasName_ = true;
        if (formatPos_ >= format_.size()) {
            word = text_.substr(textPos_);
            textPos_ = text_.size();
            return true;
        }
        const char delimiter = format_[formatPos_];
        if (delimiter == '%') {
            // Another conversion follows directly: the word is the letters.
            std::size_t end = textPos_;
            while (end < text_.size() && IsLetter(text_[end])) {
                ++end;
            }
            word = text_.substr(textPos_, end - textPos_);
            textPos_ = end;
            return true;
        }
        const std::size_t end = text_.find(delimiter, textPos_);
        if (end == std::string_view::npos) {
            return false;
        }
        word = text_.substr(textPos_, end - textPos_);
        textPos_ = end + 1;
        ++formatPos_;
        return true;
    }

    template <std::size_t N>
    bool ReadMonthName(const std::array<std::string_view, N>& table) {
        std::string_view word;
        if (!ReadWord(word)) {
            return false;
        }
        const int index = MatchName(word, table);
        if (index < 0) {
            return false;
        }
        month_ = index + 1;
        return true;
    }

    template <std::size_t N>
    bool ReadWeekdayName(const std::array<std::string_view, N>& table) {
        std::string_view word;
        return ReadWord(word) && MatchName(word, table) >= 0;
    }

    // "pm" is tried first; a word that is neither changes nothing.
    bool ReadDayHalf() {
        std::string_view word;
        if (!ReadWord(word)) {
            return false;
        }
        if (NameSurvives(word, kPm)) {
            afternoon_ = true;
        } else if (NameSurvives(word, kAm)) {
            afternoon_ = false;
        }
        return true;
    }

    std::string_view text_;
    std::string_view format_;
    std::size_t textPos_ = 0;
    std::size_t formatPos_ = 0;
    int year_ = 1978;
    int month_ = 0;  // 0: no month given
    int dayIndex_ = 0;
    int hour_ = 0;
    int minute_ = 0;
    int second_ = 0;
    bool afternoon_ = false;
    bool lastWasName_ = false;
};

}  // namespace

bool ParseDate(std::string_view text, std::string_view format, amiga::DateStamp* out) {
    // Texts and formats are C strings on the Amiga: they end at a NUL byte.
    text = text.substr(0, text.find('\0'));
    format = format.substr(0, format.find('\0'));
    if (format.empty()) {
        return false;
    }
    return DateParser(text, format).Parse(out);
}

amiga::DateStamp DateFromNumbers(std::int64_t day, std::int64_t month, std::int64_t year,
                                 std::int64_t hour, std::int64_t minute, std::int64_t second) {
    std::string text =
        fmt::sprintf("%02ld-%02ld-%04ld %02ld:%02ld:%02ld", static_cast<long>(day),
                     static_cast<long>(month), static_cast<long>(year), static_cast<long>(hour),
                     static_cast<long>(minute), static_cast<long>(second));
    if (text.size() > 255) {
        text.resize(255);
    }
    amiga::DateStamp date;
    if (!ParseDate(text, kDateFormatFromNumbers, &date)) {
        return {};
    }
    return date;
}

std::uint32_t SecondsFromDate(const amiga::DateStamp& date) {
    const std::int64_t seconds = std::int64_t{date.days} * 86400 + std::int64_t{date.minute} * 60 +
                                 date.tick / amiga::kTicksPerSecond;
    return static_cast<std::uint32_t>(seconds);
}

amiga::DateStamp DateFromSeconds(std::uint32_t seconds) {
    const std::uint32_t days = seconds / 86400;
    const std::uint32_t minutes = (seconds - days * 86400) / 60;
    const std::uint32_t ticks = (seconds - days * 86400 - minutes * 60) * 50;
    return {static_cast<std::int32_t>(days), static_cast<std::int32_t>(minutes),
            static_cast<std::int32_t>(ticks)};
}

}  // namespace stovan
