// The escape translator: what the list, the log and the requesters show of
// the text display's escapes, and the shortcut letters of labels.

#include <gtest/gtest.h>

#include "ui/RichText.h"

namespace stovan::ui {
namespace {

TEST(RichText, CellsKeepTheirTextAlignmentAndPen) {
    // The text, then " centred" and the pen's colour when there are.
    auto cell = [](const char* input) {
        const StyledText styled = StyledTextFromEscapes(input);
        return styled.text.toStdString() + (styled.centred ? " centred" : "") +
               (styled.colour ? " " + styled.colour->name().toStdString() : "");
    };
    EXPECT_EQ(cell("\033c1.2.3\033n"), "1.2.3 centred");
    EXPECT_EQ(cell("\033P[7]Outdated\033P[1]"), "Outdated #c01010");
    EXPECT_EQ(cell("\033P[ff0000]Outdated\033P[1]"), "Outdated #ff0000");
    EXPECT_EQ(cell("Name \033I[6:38]\033n"), "Name \u25B2");
    EXPECT_EQ(cell("Name \033I[6:39]\033n"), "Name \u25BC");
    EXPECT_EQ(cell("ok\033P[7broken"), "ok");  // unclosed pen drops the rest
    EXPECT_EQ(cell("ok\033"), "ok");           // escape at the end
    EXPECT_EQ(cell("\033zx"), "x");            // unknown escape
    EXPECT_EQ(cell("Caf\xe9"), "Caf\u00e9");
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
