#pragma once
// Return codes of commands and scripts, and the one way the shell prints a
// fault. The error codes (IoErr values) and their texts are the host
// layer's (platform/DosErrors.h): a command returns a return code (0, 5, 10,
// 20) judged against FailAt; the reason travels separately as an error code
// and ends up in the Result2 variable.

#include <string>
#include <string_view>

#include "platform/DosErrors.h"

namespace amiga {

// No error (IoErr 0).
inline constexpr DosError kNoError = 0;

// Standard return codes of commands and scripts.
inline constexpr int RETURN_OK = 0;
inline constexpr int RETURN_WARN = 5;
inline constexpr int RETURN_ERROR = 10;
inline constexpr int RETURN_FAIL = 20;

// PrintFault's line: "header: text\n", or "text\n" without a header;
// nothing for 0.
std::string FaultLine(DosError error, std::string_view header);

}  // namespace amiga
