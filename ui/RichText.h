#pragma once
// The text display's escape sequences, as message texts and list cells
// carry them ("\033c" centred, "\033b" bold, "\033i" italic, "\033u"
// underlined, "\033n" plain again, "\033P[7]" a pen, "\033I[6:38]" a
// built-in image), and the underscore before a shortcut letter, turned
// into what Qt shows: rich text, a plain cell with its alignment and
// colour, or a label with a mnemonic. Texts come in ISO-8859-1.

#include <QColor>
#include <QString>
#include <optional>
#include <string_view>

namespace stovan::ui {

// The colour a pen stands for: a number of the system's pens ("7" the
// highlight, "2" the warning colour) or six hex digits ("ff0000"). None for
// the normal text pen (1) and for what cannot be read.
std::optional<QColor> PenColour(std::string_view pen);

// A Latin-1 text of the catalog or a database as a QString.
QString Latin1(std::string_view text);

// The whole text as Qt rich text (HTML): styles as tags, pens as colours,
// centring as a centred block, the sort arrows as arrow characters, line
// feeds as line breaks, and "<", ">", "&" as entities.
QString RichTextFromEscapes(std::string_view text);

// A cell of a list: its plain text and how it is shown (the first
// alignment, pen and bold that the text asks for).
struct StyledText {
    QString text;
    bool centred = false;
    bool bold = false;
    std::optional<QColor> colour;
};
StyledText StyledTextFromEscapes(std::string_view text);

// A button or menu label: the first "_" makes the next character the
// mnemonic ("&" in Qt), an "&" of the text is doubled, escapes are dropped.
QString MnemonicText(std::string_view text);

}  // namespace stovan::ui
