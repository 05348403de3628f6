#pragma once
// The desktop program's window, for `stovan gui` and for `stovan` without a
// command when a display is there (built only with STOVAN_GUI).

#include <string>
#include <vector>

#include "app/CommandRegistry.h"

namespace stovan::app {

struct WindowOptions {
    // The start-up arguments as the shell passed them (CX_POPKEY=..., ...).
    std::vector<std::string> words;
    // Not empty: once started, the window and the windows its menus open
    // are grabbed into this folder as PNG files, and Stovan ends
    // (ui/Screenshots.h).
    std::string screenshots;
};

// True when DISPLAY or WAYLAND_DISPLAY names a display.
bool DisplayAvailable();
// Starts Stovan with its window over the session of --root and returns the
// exit code when it ends: 0 (also when another Stovan on the root showed
// its window instead), 10 when a relaunch was refused, 20 when start-up
// failed or the user's choices could not be saved. After Stovan replaced
// itself it starts again in place and does not return.
int RunWindow(const Context& context, const WindowOptions& options = {});

}  // namespace stovan::app
