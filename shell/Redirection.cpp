#include "shell/Redirection.h"

#include "shell/Args.h"

namespace amiga {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

Expected<Redirections, DosError> ExtractRedirections(std::string_view line) {
    Redirections result;
    bool quoted = false;
    std::size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (quoted) {
            if (c == '*' && i + 1 < line.size()) {
                result.line += line.substr(i, 2);
                i += 2;
                continue;
            }
            if (c == '"') {
                quoted = false;
            }
            result.line += c;
            ++i;
            continue;
        }
        bool wordStart = i == 0 || IsBlank(line[i - 1]);
        std::optional<RedirectTarget>* slot = nullptr;
        std::size_t operatorLength = 0;
        bool append = false;
        if (wordStart && c == '*' && i + 1 < line.size() && line[i + 1] == '>') {
            slot = &result.error;
            append = i + 2 < line.size() && line[i + 2] == '>';
            operatorLength = append ? 3 : 2;
        } else if (wordStart && c == '>') {
            slot = &result.output;
            append = i + 1 < line.size() && line[i + 1] == '>';
            operatorLength = append ? 2 : 1;
        } else if (wordStart && c == '<') {
            slot = &result.input;
            operatorLength = 1;
        }
        if (slot == nullptr) {
            if (c == '*' && i + 1 < line.size()) {
                result.line += line.substr(i, 2);
                i += 2;
                continue;
            }
            if (c == '"') {
                quoted = true;
            }
            result.line += c;
            ++i;
            continue;
        }
        if (slot->has_value()) {
            return Unexpected{ERROR_TOO_MANY_LEVELS};
        }
        std::size_t pos = i + operatorLength;
        auto item = ReadItem(line, pos);
        AMIGA_RETURN_IF_FAILED(item);
        if (item->kind != LineItem::Kind::Word || item->text.empty()) {
            return Unexpected{ERROR_REQUIRED_ARG_MISSING};
        }
        *slot = RedirectTarget{item->text, append};
        i = pos;
    }
    while (!result.line.empty() && IsBlank(result.line.back())) {
        result.line.pop_back();
    }
    return result;
}

}  // namespace amiga
