#pragma once
// Variable substitution: "$name" and "${name}" are replaced by the value of
// the local variable, else the global one, anywhere in the line, inside
// double quotes too. Unknown names stay as written; "*$" protects a dollar
// (the "*" stays for ReadItem to remove inside quotes).

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Expected.h"
#include "shell/Faults.h"

namespace amiga {

using VariableLookup = std::function<std::optional<std::string>(std::string_view name)>;

// LineTooLong when the result would pass maxLength.
Expected<std::string, DosError> SubstituteVariables(std::string_view line,
                                                    const VariableLookup& lookup,
                                                    std::size_t maxLength);

}  // namespace amiga
