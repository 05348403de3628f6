// The escape translator: what the list, the log and the requesters show of
// the text display's escapes, and the shortcut letters of labels.

#include <gtest/gtest.h>

#include "ui/RichText.h"

namespace stovan::ui {
namespace {

TEST(RichText, CellsKeepTheirTextAlignmentAndPen) {
    struct Row {
        const char* name;
        const char* input;
        const char* text;
        bool centred;
        const char* colour;  // "" for none
    };
    const Row rows[] = {
        {"centred version", "\033c1.2.3\033n", "1.2.3", true, ""},
        {"highlighted state", "\033P[7]Outdated\033P[1]", "Outdated", false, "#c01010"},
        {"explicit red", "\033P[ff0000]Outdated\033P[1]", "Outdated", false, "#ff0000"},
        {"sort arrow up", "Name \033I[6:38]\033n", "Name \u25B2", false, ""},
        {"sort arrow down", "Name \033I[6:39]\033n", "Name \u25BC", false, ""},
        {"unclosed pen drops the rest", "ok\033P[7broken", "ok", false, ""},
        {"escape at the end", "ok\033", "ok", false, ""},
        {"unknown escape", "\033zx", "x", false, ""},
        {"empty", "", "", false, ""},
        {"latin-1 byte", "Caf\xe9", "Caf\u00e9", false, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const StyledText styled = StyledTextFromEscapes(row.input);
        EXPECT_EQ(styled.text, QString::fromUtf8(row.text));
        EXPECT_EQ(styled.centred, row.centred);
        EXPECT_EQ(styled.colour ? styled.colour->name() : QString(), QString(row.colour));
    }
}

TEST(RichText, RichTextEscapesMarkupAndClosesStyles) {
    struct Row {
        const char* name;
        const char* input;
        const char* html;
    };
    const Row rows[] = {
        {"bold then normal", "\033bBold\033n plain", "<b>Bold</b> plain"},
        {"markup in the text stays text", "a<b>&c", "a&lt;b&gt;&amp;c"},
        {"line feed", "one\ntwo", "one<br>two"},
        {"centred", "\033cmid", "<div align=\"center\">mid</div>"},
        {"unclosed styles closed at the end", "\033b\033ux", "<b><u>x</u></b>"},
        {"pen 1 ends the colour only", "\033b\033P[7]r\033P[1]b",
         "<b><span style=\"color:#c01010\">r</span>b</b>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(RichTextFromEscapes(row.input), QString::fromUtf8(row.html));
    }
}

TEST(RichText, LabelsGetTheirShortcutLetterAsMnemonic) {
    struct Row {
        const char* name;
        const char* input;
        const char* label;
    };
    const Row rows[] = {
        {"first letter", "_Install", "&Install"},
        {"inner letter", "U_pdate", "U&pdate"},
        {"only the first underscore", "_a_b", "&a_b"},
        {"ampersand doubled", "R&_D", "R&&&D"},
        {"underscore at the end", "Abort_", "Abort"},
        {"escapes dropped", "\033c_Ok\033n", "&Ok"},
        {"no shortcut", "Plain", "Plain"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(MnemonicText(row.input), QString::fromUtf8(row.label));
    }
}

}  // namespace
}  // namespace stovan::ui
