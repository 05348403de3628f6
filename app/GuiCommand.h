#pragma once
// The desktop program's window, for `stovan gui` and for `stovan` without a
// command when a display is there (built only with STOVAN_GUI).

#include "app/CommandRegistry.h"

namespace stovan::app {

// True when DISPLAY or WAYLAND_DISPLAY names a display.
bool DisplayAvailable();
// Opens the window over the session of --root and returns the exit code
// when it closes: 0, or 20 when the session could not be opened or the
// user's choices could not be saved.
int RunWindow(const Context& context);

}  // namespace stovan::app
