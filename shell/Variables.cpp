#include "shell/Variables.h"

namespace amiga {

namespace {

bool IsNameCharacter(char c) {
    // Names without braces are letters and digits only, as the AmigaDOS shell
    // reads them; "_" and other characters need "${...}".
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

Expected<std::string, DosError> SubstituteVariables(std::string_view line,
                                                    const VariableLookup& lookup,
                                                    std::size_t maxLength) {
    std::string result;
    std::size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == '*' && i + 1 < line.size()) {
            result += line.substr(i, 2);
            i += 2;
            continue;
        }
        if (c == '$') {
            std::size_t nameStart = 0;
            std::size_t nameEnd = 0;
            std::size_t after = 0;
            if (i + 1 < line.size() && line[i + 1] == '{') {
                std::size_t close = line.find('}', i + 2);
                if (close != std::string_view::npos) {
                    nameStart = i + 2;
                    nameEnd = close;
                    after = close + 1;
                }
            } else {
                std::size_t end = i + 1;
                while (end < line.size() && IsNameCharacter(line[end])) {
                    ++end;
                }
                nameStart = i + 1;
                nameEnd = end;
                after = end;
            }
            if (nameEnd > nameStart) {
                if (auto value = lookup(line.substr(nameStart, nameEnd - nameStart))) {
                    result += *value;
                    i = after;
                    if (result.size() > maxLength) {
                        return Unexpected{ERROR_LINE_TOO_LONG};
                    }
                    continue;
                }
            }
        }
        result += c;
        ++i;
    }
    if (result.size() > maxLength) {
        return Unexpected{ERROR_LINE_TOO_LONG};
    }
    return result;
}

}  // namespace amiga
