#include "shell/DotCommands.h"

#include <map>
#include <vector>

#include "platform/Latin1.h"
#include "shell/Args.h"

namespace amiga {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

struct DotState {
    char bra = '<';
    char ket = '>';
    char dollar = '$';
    char dot = '.';
    std::string keyTemplate;
    bool hasKey = false;
    std::map<std::string, std::string, NoCaseLess> defaults;
};

// Applies one dot line (without its leading dot). False when malformed.
bool ApplyDot(DotState& state, std::string_view body) {
    if (body.empty() || IsBlank(body.front())) {
        return true;  // ". comment"
    }
    std::size_t space = 0;
    while (space < body.size() && !IsBlank(body[space])) {
        ++space;
    }
    std::string word = ToLower(body.substr(0, space));
    std::string_view value = Trim(body.substr(space));
    auto character = [&](char& target, char fallback) {
        target = value.empty() ? fallback : value.front();
        return true;
    };
    if (word == "key" || word == "k") {
        if (state.hasKey) {
            return false;  // one template per script
        }
        state.keyTemplate = std::string(value);
        state.hasKey = true;
        return true;
    }
    if (word == "def" || word == "default") {
        std::size_t pos = 0;
        auto name = ReadItem(value, pos);
        if (!name || name->kind != LineItem::Kind::Word) {
            return false;
        }
        auto def = ReadItem(value, pos);
        std::string text;
        if (def && def->kind == LineItem::Kind::Equal) {
            def = ReadItem(value, pos);
        }
        if (def && def->kind == LineItem::Kind::Word) {
            text = def->text;
        }
        state.defaults[name->text] = text;
        return true;
    }
    if (word == "bra") {
        return character(state.bra, '<');
    }
    if (word == "ket") {
        return character(state.ket, '>');
    }
    if (word == "dollar" || word == "dol") {
        return character(state.dollar, '$');
    }
    if (word == "dot") {
        return character(state.dot, '.');
    }
    if (word == "pushis" || word == "popis") {
        return true;  // input-stream stacking has no meaning for a script file here
    }
    return false;
}

// The text an argument stands for: /S as its keyword when set, /M as its
// words joined with blanks.
std::optional<std::string> ArgumentText(const ParsedArgs& args, std::string_view name) {
    for (const ParsedArgs::Slot& slot : args.slots) {
        bool match = false;
        for (const std::string& alias : slot.names) {
            if (!alias.empty() && EqualsNoCase(alias, name)) {
                match = true;
            }
        }
        if (!match) {
            continue;
        }
        if (!slot.filled) {
            return std::string();
        }
        if (slot.isSwitch || slot.toggle) {
            return slot.set ? slot.names.front() : std::string();
        }
        if (slot.multiple) {
            std::string joined;
            for (const std::string& value : slot.values) {
                if (!joined.empty()) {
                    joined += ' ';
                }
                joined += value;
            }
            return joined;
        }
        return slot.text;
    }
    return std::nullopt;
}

bool IsKnown(const ParsedArgs& args, std::string_view name) {
    return ArgumentText(args, name).has_value();
}

}  // namespace

Expected<PreparedScript, DosError> PrepareExecuteScript(std::string_view script,
                                                        std::string_view arguments,
                                                        std::string_view processNumber) {
    DotState state;
    std::vector<std::string_view> lines;
    std::vector<bool> isDot;
    std::size_t start = 0;
    while (start <= script.size()) {
        std::size_t end = script.find('\n', start);
        std::string_view line = script.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (end == std::string_view::npos && line.empty()) {
            break;
        }
        bool dot = !line.empty() && line.front() == state.dot;
        if (dot && !ApplyDot(state, line.substr(1))) {
            return Unexpected{ERROR_BAD_TEMPLATE};
        }
        lines.push_back(line);
        isDot.push_back(dot);
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }

    PreparedScript prepared;
    prepared.hasKey = state.hasKey;
    ParsedArgs args;
    if (state.hasKey) {
        auto parsed = ParseArgs(state.keyTemplate, arguments);
        AMIGA_RETURN_IF_FAILED(parsed);
        args = std::move(parsed.value());
    }

    for (std::size_t n = 0; n < lines.size(); ++n) {
        if (isDot[n]) {
            continue;
        }
        std::string_view line = lines[n];
        if (!state.hasKey) {
            prepared.text.append(line);
            prepared.text += '\n';
            continue;
        }
        std::size_t i = 0;
        while (i < line.size()) {
            if (line[i] == state.bra) {
                std::size_t close = line.find(state.ket, i + 1);
                if (close != std::string_view::npos) {
                    std::string_view inner = line.substr(i + 1, close - i - 1);
                    std::string_view name = inner;
                    std::optional<std::string_view> inlineDefault;
                    std::size_t sep = inner.find(state.dollar);
                    if (inner.size() == 2 && inner[0] == state.dollar && inner[1] == state.dollar) {
                        prepared.text.append(processNumber);
                        i = close + 1;
                        continue;
                    }
                    if (sep != std::string_view::npos) {
                        name = inner.substr(0, sep);
                        inlineDefault = inner.substr(sep + 1);
                    }
                    if (!name.empty() && IsKnown(args, name)) {
                        std::string value = *ArgumentText(args, name);
                        if (value.empty()) {
                            if (inlineDefault) {
                                value = std::string(*inlineDefault);
                            } else if (auto def = state.defaults.find(std::string(name));
                                       def != state.defaults.end()) {
                                value = def->second;
                            }
                        }
                        prepared.text += value;
                        i = close + 1;
                        continue;
                    }
                }
            }
            prepared.text += line[i];
            ++i;
        }
        prepared.text += '\n';
    }
    return prepared;
}

}  // namespace amiga
