// Control characters in text bound for a terminal are shown, never sent.

#include <gtest/gtest.h>

#include <string>

#include "core/TerminalText.h"

namespace stovan {
namespace {

TEST(TerminalText, ControlCharactersBecomeVisible) {
    // The text as a field (VisibleText) and as a UTF-8 line (TerminalText);
    // made visible once, a text stays as it is.
    const auto shown = [](const std::string& text) {
        EXPECT_EQ(VisibleText(VisibleText(text)), VisibleText(text));
        return std::pair(VisibleText(text), TerminalText(text));
    };
    using Shown = std::pair<std::string, std::string>;
    EXPECT_EQ(shown("MailNest 1.2"), Shown("MailNest 1.2", "MailNest 1.2"));
    EXPECT_EQ(shown("\x1B[2J\x1B]0;owned\x07"), Shown("^[[2J^[]0;owned^G", "^[[2J^[]0;owned^G"));
    EXPECT_EQ(shown("a\tb\nc\r"), Shown("a^Ib^Jc^M", "a\tb\nc^M"));
    EXPECT_EQ(shown(std::string("x\0y\x7F", 4)), Shown("x^@y^?", "x^@y^?"));
    EXPECT_EQ(shown(std::string("\x9B") + "2J"), Shown("\\x9b2J", "\\x9b2J"));  // C1 CSI
    EXPECT_EQ(shown("Caf\xE9 \xA0"), Shown("Caf\xE9 \xA0", "Caf\xC3\xA9 \xC2\xA0"));
    EXPECT_EQ(shown(""), Shown("", ""));
}

}  // namespace
}  // namespace stovan
