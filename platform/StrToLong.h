#pragma once
// dos.library StrToLong: skips leading blanks and tabs, reads an optional
// sign and decimal digits. Returns the number of characters used (blanks
// included) and stores the value, or returns -1 when no digit follows.
// Values beyond 32 bits wrap as the 32-bit original does not check; we stop
// accumulating at the int32 limits instead (saturate), so no overflow occurs.

#include <cstdint>
#include <string_view>

namespace amiga {

int StrToLong(std::string_view text, std::int32_t& value);

}  // namespace amiga
