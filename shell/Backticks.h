#pragma once
// Back-tick substitution: "`command`" is replaced by the output of the
// command, inside double quotes too. Line feeds in the output become blanks
// and the final one is dropped. "*`" is a literal back-tick; a back-tick
// without a partner is copied as it is.

#include <functional>
#include <string>
#include <string_view>

#include "platform/Expected.h"
#include "shell/Faults.h"

namespace amiga {

// Runs a command line and returns what it wrote to its output.
using CaptureRunner = std::function<std::string(std::string_view commandLine)>;

Expected<std::string, DosError> SubstituteBackticks(std::string_view line, const CaptureRunner& run,
                                                    std::size_t maxLength);

}  // namespace amiga
