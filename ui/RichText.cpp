#include "ui/RichText.h"

#include <cstdint>
#include <string>
#include <vector>

namespace stovan::ui {

namespace {

constexpr char kEscape = '\033';

// One piece of a text: plain characters, or an escape with its argument.
struct Piece {
    char command = 0;           // 0 for text
    std::string_view argument;  // the text, or what stood in "[...]"
};

// Splits a text into its pieces. An escape at the very end, or one whose
// "[" is never closed, is dropped with what follows it: a cut text must
// not leave half a sequence on the screen.
std::vector<Piece> SplitEscapes(std::string_view text) {
    std::vector<Piece> pieces;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t escape = text.find(kEscape, pos);
        if (escape != pos) {
            const std::size_t end = escape == std::string_view::npos ? text.size() : escape;
            pieces.push_back({0, text.substr(pos, end - pos)});
            pos = end;
            continue;
        }
        if (pos + 1 >= text.size()) {
            break;
        }
        const char command = text[pos + 1];
        pos += 2;
        std::string_view argument;
        if ((command == 'P' || command == 'I') && pos < text.size() && text[pos] == '[') {
            const std::size_t close = text.find(']', pos);
            if (close == std::string_view::npos) {
                break;
            }
            argument = text.substr(pos + 1, close - pos - 1);
            pos = close + 1;
        }
        pieces.push_back({command, argument});
    }
    return pieces;
}

// The built-in images a list title uses: the sort arrows ("6:38" up, "6:39"
// down, written "6:38" or with the direction digit after "3").
QString ImageText(std::string_view argument) {
    if (argument.ends_with("38")) {
        return QStringLiteral("\u25B2");
    }
    if (argument.ends_with("39")) {
        return QStringLiteral("\u25BC");
    }
    return {};
}

}  // namespace

std::optional<QColor> PenColour(std::string_view pen) {
    if (pen.size() == 6) {
        const QColor colour(QStringLiteral("#") + Latin1(pen));
        return colour.isValid() ? std::optional<QColor>(colour) : std::nullopt;
    }
    if (pen.size() != 1 || pen[0] < '0' || pen[0] > '9') {
        return std::nullopt;
    }
    // The pens of a default Workbench palette, readable on a light window.
    switch (pen[0]) {
        case '0':
            return QColor(0x80, 0x80, 0x80);
        case '2':
            return QColor(0xb0, 0x7d, 0x00);
        case '3':
            return QColor(0x30, 0x60, 0xc0);
        case '4':
        case '5':
        case '6':
            return QColor(0x20, 0x80, 0x40);
        case '7':
        case '8':
        case '9':
            return QColor(0xc0, 0x10, 0x10);
        default:
            return std::nullopt;  // 1: the text pen
    }
}

QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString RichTextFromEscapes(std::string_view text) {
    QString html;
    bool centred = false;
    std::vector<QString> open;  // closing tags of the styles in force
    auto closeAll = [&] {
        for (auto it = open.rbegin(); it != open.rend(); ++it) {
            html += *it;
        }
        open.clear();
    };
    for (const Piece& piece : SplitEscapes(text)) {
        switch (piece.command) {
            case 0: {
                QString part = Latin1(piece.argument).toHtmlEscaped();
                part.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
                html += part;
                break;
            }
            case 'b':
                html += QStringLiteral("<b>");
                open.push_back(QStringLiteral("</b>"));
                break;
            case 'i':
                html += QStringLiteral("<i>");
                open.push_back(QStringLiteral("</i>"));
                break;
            case 'u':
                html += QStringLiteral("<u>");
                open.push_back(QStringLiteral("</u>"));
                break;
            case 'n':
                closeAll();
                break;
            case 'c':
                centred = true;
                break;
            case 'P':
                if (const auto colour = PenColour(piece.argument)) {
                    html += QStringLiteral("<span style=\"color:%1\">").arg(colour->name());
                    open.push_back(QStringLiteral("</span>"));
                } else {
                    // The text pen: back to the normal colour.
                    for (auto it = open.rbegin(); it != open.rend(); ++it) {
                        if (*it == QStringLiteral("</span>")) {
                            html += *it;
                            open.erase(std::next(it).base());
                            break;
                        }
                    }
                }
                break;
            case 'I':
                html += ImageText(piece.argument);
                break;
            default:
                break;  // alignment to the left or right, and unknown escapes
        }
    }
    closeAll();
    if (centred) {
        return QStringLiteral("<div align=\"center\">") + html + QStringLiteral("</div>");
    }
    return html;
}

StyledText StyledTextFromEscapes(std::string_view text) {
    StyledText styled;
    bool penSeen = false;
    for (const Piece& piece : SplitEscapes(text)) {
        switch (piece.command) {
            case 0:
                styled.text += Latin1(piece.argument);
                break;
            case 'c':
                styled.centred = true;
                break;
            case 'b':
                styled.bold = true;
                break;
            case 'P':
                if (!penSeen) {
                    styled.colour = PenColour(piece.argument);
                    penSeen = true;
                }
                break;
            case 'I':
                if (const QString image = ImageText(piece.argument); !image.isEmpty()) {
                    styled.text += image;
                }
                break;
            default:
                break;
        }
    }
    return styled;
}

QString MnemonicText(std::string_view text) {
    QString label;
    bool mnemonicTaken = false;
    for (const Piece& piece : SplitEscapes(text)) {
        if (piece.command != 0) {
            continue;
        }
        const std::string_view part = piece.argument;
        for (std::size_t i = 0; i < part.size(); ++i) {
            const char c = part[i];
            if (c == '_' && !mnemonicTaken) {
                // An underscore with nothing after it marks nothing.
                if (i + 1 < part.size()) {
                    label += QLatin1Char('&');
                    mnemonicTaken = true;
                }
            } else if (c == '&') {
                label += QStringLiteral("&&");
            } else {
                label += QChar(static_cast<char16_t>(static_cast<unsigned char>(c)));
            }
        }
    }
    return label;
}

}  // namespace stovan::ui
