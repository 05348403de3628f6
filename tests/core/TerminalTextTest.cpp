// Control characters in text bound for a terminal are shown, never sent.

#include <gtest/gtest.h>

#include <string>

#include "core/TerminalText.h"

namespace stovan {
namespace {

TEST(TerminalText, ControlCharactersBecomeVisible) {
    struct Row {
        const char* name;
        std::string text;
        std::string field;  // VisibleText
        std::string line;   // TerminalText (UTF-8)
    };
    const Row rows[] = {
        {"plain", "MailNest 1.2", "MailNest 1.2", "MailNest 1.2"},
        {"screen and title", "\x1B[2J\x1B]0;owned\x07", "^[[2J^[]0;owned^G", "^[[2J^[]0;owned^G"},
        {"layout", "a\tb\nc\r", "a^Ib^Jc^M", "a\tb\nc^M"},
        {"NUL and DEL", std::string("x\0y\x7F", 4), "x^@y^?", "x^@y^?"},
        {"C1 control sequence introducer", std::string("\x9B") + "2J", "\\x9b2J", "\\x9b2J"},
        {"Latin-1 letters stay", "Caf\xE9 \xA0", "Caf\xE9 \xA0", "Caf\xC3\xA9 \xC2\xA0"},
        {"empty", "", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(VisibleText(row.text), row.field);
        EXPECT_EQ(TerminalText(row.text), row.line);
        // Made visible once, the text stays as it is.
        EXPECT_EQ(VisibleText(VisibleText(row.text)), row.field);
    }
}

}  // namespace
}  // namespace stovan
