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
    EXPECT_EQ(RichTextFromEscapes("\033bBold\033n plain"), QStringLiteral("<b>Bold</b> plain"));
    // Markup in the text stays text.
    EXPECT_EQ(RichTextFromEscapes("a<b>&c"), QStringLiteral("a&lt;b&gt;&amp;c"));
    EXPECT_EQ(RichTextFromEscapes("one\ntwo"), QStringLiteral("one<br>two"));
    EXPECT_EQ(RichTextFromEscapes("\033cmid"), QStringLiteral("<div align=\"center\">mid</div>"));
    // Styles left open are closed at the end; pen 1 ends the colour only.
    EXPECT_EQ(RichTextFromEscapes("\033b\033ux"), QStringLiteral("<b><u>x</u></b>"));
    EXPECT_EQ(RichTextFromEscapes("\033b\033P[7]r\033P[1]b"),
              QStringLiteral("<b><span style=\"color:#c01010\">r</span>b</b>"));
}

TEST(RichText, LabelsGetTheirShortcutLetterAsMnemonic) {
    EXPECT_EQ(MnemonicText("_Install"), QStringLiteral("&Install"));
    EXPECT_EQ(MnemonicText("U_pdate"), QStringLiteral("U&pdate"));
    // Only the first underscore counts, an ampersand is doubled, an
    // underscore at the end and the escapes are dropped.
    EXPECT_EQ(MnemonicText("_a_b"), QStringLiteral("&a_b"));
    EXPECT_EQ(MnemonicText("R&_D"), QStringLiteral("R&&&D"));
    EXPECT_EQ(MnemonicText("Abort_"), QStringLiteral("Abort"));
    EXPECT_EQ(MnemonicText("\033c_Ok\033n"), QStringLiteral("&Ok"));
    EXPECT_EQ(MnemonicText("Plain"), QStringLiteral("Plain"));
}

}  // namespace
}  // namespace stovan::ui
