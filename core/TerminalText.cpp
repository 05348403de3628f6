#include "core/TerminalText.h"

#include "platform/Latin1.h"

namespace stovan {

std::string VisibleText(std::string_view latin1, bool keepLayout) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(latin1.size());
    for (char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (keepLayout && (c == '\t' || c == '\n')) {
            text += c;
        } else if (byte < 0x20) {
            text += '^';
            text += static_cast<char>(byte + 0x40);
        } else if (byte == 0x7F) {
            text += "^?";
        } else if (byte >= 0x80 && byte < 0xA0) {
            text += "\\x";
            text += kHex[byte >> 4];
            text += kHex[byte & 0xF];
        } else {
            text += c;
        }
    }
    return text;
}

std::string TerminalText(std::string_view latin1) {
    return amiga::Latin1ToUtf8(VisibleText(latin1, true));
}

}  // namespace stovan
