#pragma once
// Stand-in until the full list of message names arrives: only the names the
// preferences use, with the same values and spelling.

#include "core/Status.h"

namespace stovan::msg {

inline constexpr MessageId CannotOpen = 333;                 // "Unable to open\n'%s'!"
inline constexpr MessageId PrefsInvalidUsingDefaults = 334;  // "Preferences file is invalid..."

}  // namespace stovan::msg
