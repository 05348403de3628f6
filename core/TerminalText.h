#pragma once
// Text from databases, servers and archives printed to a terminal: control
// characters in it are shown, never sent. A display name holding
// "ESC[2J" would otherwise clear the user's screen, and "ESC]0;...BEL" set
// the window title. C0 controls and DEL are shown in caret notation ("^[",
// "^G", "^?"), the C1 range of ISO-8859-1 (0x80-0x9F, which terminals may
// also obey: 0x9B is CSI) as "\x9b". --json output escapes on its own.

#include <string>
#include <string_view>

namespace stovan {

// Every control character made visible: for one field of a line. With
// keepLayout tab and line feed stay as they are. ISO-8859-1 in and out.
std::string VisibleText(std::string_view latin1, bool keepLayout = false);

// Whole lines for the terminal: tab and line feed stay, every other control
// character is made visible; the result is UTF-8.
std::string TerminalText(std::string_view latin1);

}  // namespace stovan
