#include "shell/Args.h"

#include "platform/Latin1.h"
#include "platform/StrToLong.h"

namespace amiga {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool ValidNumber(std::string_view text, std::int32_t& value) {
    // StrToLong must consume the whole item.
    int used = StrToLong(text, value);
    return used > 0 && static_cast<std::size_t>(used) == text.size();
}

}  // namespace

Expected<LineItem, fault::Code> ReadItem(std::string_view line, std::size_t& pos) {
    while (pos < line.size() && IsBlank(line[pos])) {
        ++pos;
    }
    LineItem item;
    item.start = pos;
    if (pos >= line.size() || line[pos] == '\n' || line[pos] == '\0' || line[pos] == ';') {
        item.kind = LineItem::Kind::End;
        return item;
    }
    if (line[pos] == '=') {
        ++pos;
        item.kind = LineItem::Kind::Equal;
        return item;
    }
    item.kind = LineItem::Kind::Word;
    if (line[pos] == '"') {
        item.quoted = true;
        ++pos;
        while (pos < line.size()) {
            char c = line[pos++];
            if (c == '"') {
                return item;
            }
            if (c == '\n') {
                break;
            }
            if (c == '*' && pos < line.size()) {
                char next = line[pos++];
                switch (next) {
                    case 'N':
                    case 'n':
                        item.text += '\n';
                        break;
                    case 'E':
                    case 'e':
                        item.text += '\x1b';
                        break;
                    default:
                        item.text += next;
                }
                continue;
            }
            item.text += c;
        }
        return Unexpected(fault::LineTooLong);
    }
    while (pos < line.size() && !IsBlank(line[pos]) && line[pos] != '=' && line[pos] != '\n' &&
           line[pos] != '\0') {
        item.text += line[pos++];
    }
    return item;
}

const ParsedArgs::Slot* ParsedArgs::Find(std::string_view name) const {
    for (const Slot& slot : slots) {
        if (EqualsNoCase(slot.names.front(), name)) {
            return &slot;
        }
    }
    return nullptr;
}

bool ParsedArgs::Has(std::string_view name) const {
    const Slot* slot = Find(name);
    return slot != nullptr && slot->filled;
}

bool ParsedArgs::Switch(std::string_view name) const {
    const Slot* slot = Find(name);
    return slot != nullptr && slot->set;
}

std::string ParsedArgs::Text(std::string_view name) const {
    const Slot* slot = Find(name);
    return slot != nullptr && slot->filled ? slot->text : std::string();
}

std::optional<std::int32_t> ParsedArgs::Number(std::string_view name) const {
    const Slot* slot = Find(name);
    if (slot == nullptr || !slot->filled || !slot->number) {
        return std::nullopt;
    }
    return slot->value;
}

std::vector<std::string> ParsedArgs::Multi(std::string_view name) const {
    const Slot* slot = Find(name);
    return slot != nullptr ? slot->values : std::vector<std::string>();
}

Expected<ParsedArgs, fault::Code> ParseTemplate(std::string_view templ) {
    ParsedArgs args;
    std::size_t pos = 0;
    bool sawMultiple = false;
    for (;;) {
        std::size_t comma = templ.find(',', pos);
        std::string_view item = templ.substr(
            pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos);
        ParsedArgs::Slot slot;
        std::size_t slash = item.find('/');
        std::string_view names = item.substr(0, slash);
        std::size_t start = 0;
        for (;;) {
            std::size_t eq = names.find('=', start);
            slot.names.push_back(ToUpper(names.substr(
                start, eq == std::string_view::npos ? std::string_view::npos : eq - start)));
            if (eq == std::string_view::npos) {
                break;
            }
            start = eq + 1;
        }
        while (slash != std::string_view::npos) {
            if (slash + 1 >= item.size()) {
                return Unexpected(fault::BadTemplate);
            }
            switch (ToUpper(item[slash + 1])) {
                case 'A':
                    slot.required = true;
                    break;
                case 'K':
                    slot.keyword = true;
                    break;
                case 'S':
                    slot.isSwitch = true;
                    break;
                case 'T':
                    slot.toggle = true;
                    break;
                case 'N':
                    slot.number = true;
                    break;
                case 'M':
                    slot.multiple = true;
                    break;
                case 'F':
                    slot.rest = true;
                    break;
                default:
                    break;  // unknown modifiers are ignored, as dos.library does
            }
            slash = item.find('/', slash + 1);
        }
        if (slot.multiple) {
            if (sawMultiple) {
                return Unexpected(fault::BadTemplate);
            }
            sawMultiple = true;
        }
        args.slots.push_back(std::move(slot));
        if (comma == std::string_view::npos) {
            break;
        }
        pos = comma + 1;
    }
    return args;
}

namespace {

// The rest of the line for a /F item starting at offset start: trailing
// blanks and the line feed dropped, the first pair of quotes removed when the
// text starts with a quoted item.
std::string RestOfLine(std::string_view line, std::size_t start) {
    std::string_view rest = line.substr(start);
    std::size_t newline = rest.find('\n');
    if (newline != std::string_view::npos) {
        rest = rest.substr(0, newline);
    }
    while (!rest.empty() && IsBlank(rest.back())) {
        rest.remove_suffix(1);
    }
    std::string text(rest);
    if (!text.empty() && text.front() == '"') {
        std::size_t close = text.find('"', 1);
        if (close != std::string::npos) {
            text.erase(close, 1);
            text.erase(0, 1);
        }
    }
    return text;
}

int FindKeyword(const ParsedArgs& args, std::string_view word) {
    for (std::size_t i = 0; i < args.slots.size(); ++i) {
        for (const std::string& name : args.slots[i].names) {
            if (!name.empty() && EqualsNoCase(name, word)) {
                return static_cast<int>(i);
            }
        }
    }
    return -1;
}

}  // namespace

Expected<ParsedArgs, fault::Code> ParseArgs(std::string_view templ, std::string_view line) {
    auto parsed = ParseTemplate(templ);
    if (!parsed) {
        return parsed;
    }
    ParsedArgs args = std::move(parsed.value());
    int multipleIndex = -1;
    for (std::size_t i = 0; i < args.slots.size(); ++i) {
        if (args.slots[i].multiple) {
            multipleIndex = static_cast<int>(i);
        }
    }

    auto store = [&](ParsedArgs::Slot& slot, std::string value) -> fault::Code {
        if (slot.number) {
            std::int32_t number = 0;
            if (!ValidNumber(value, number)) {
                return fault::BadNumber;
            }
            slot.value = number;
        }
        if (slot.multiple) {
            slot.values.push_back(std::move(value));
        } else {
            slot.text = std::move(value);
        }
        slot.filled = true;
        return fault::None;
    };

    std::size_t pos = 0;
    for (;;) {
        auto read = ReadItem(line, pos);
        if (!read) {
            return Unexpected(read.error());
        }
        LineItem item = std::move(read.value());
        if (item.kind == LineItem::Kind::End) {
            break;
        }
        if (item.kind == LineItem::Kind::Equal) {
            return Unexpected(fault::BadTemplate);
        }
        if (!item.quoted) {
            int index = FindKeyword(args, item.text);
            if (index >= 0 && (!args.slots[index].filled || args.slots[index].multiple)) {
                ParsedArgs::Slot& slot = args.slots[index];
                if (slot.isSwitch || slot.toggle) {
                    if (!slot.filled) {
                        slot.set = slot.toggle ? !slot.set : true;
                        slot.filled = true;
                        continue;
                    }
                } else if (slot.rest) {
                    std::size_t after = pos;
                    while (after < line.size() && IsBlank(line[after])) {
                        ++after;
                    }
                    if (after < line.size() && line[after] == '=') {
                        ++after;
                    }
                    slot.text = RestOfLine(line, after);
                    slot.filled = true;
                    break;
                } else {
                    auto value = ReadItem(line, pos);
                    if (!value) {
                        return Unexpected(value.error());
                    }
                    if (value->kind == LineItem::Kind::Equal) {
                        value = ReadItem(line, pos);
                        if (!value) {
                            return Unexpected(value.error());
                        }
                    }
                    if (value->kind != LineItem::Kind::Word) {
                        return Unexpected(fault::KeyNeedsArg);
                    }
                    if (fault::Code error = store(slot, value->text); error != fault::None) {
                        return Unexpected(error);
                    }
                    continue;
                }
            }
        }
        // A positional item: the first unfilled item that need not be named,
        // or the /M item once the walk has reached it.
        ParsedArgs::Slot* target = nullptr;
        for (ParsedArgs::Slot& slot : args.slots) {
            if (slot.keyword || slot.isSwitch || slot.toggle) {
                continue;
            }
            if (slot.multiple || !slot.filled) {
                target = &slot;
                break;
            }
        }
        if (target == nullptr) {
            return Unexpected(fault::TooManyArgs);
        }
        if (target->rest) {
            target->text = RestOfLine(line, item.start);
            target->filled = true;
            break;
        }
        if (fault::Code error = store(*target, item.text); error != fault::None) {
            return Unexpected(error);
        }
    }

    // Required items still empty take the last words of the /M item, from the
    // last item of the template backwards (so FROM/M,TO/A gets TO).
    for (std::size_t i = args.slots.size(); i-- > 0;) {
        ParsedArgs::Slot& slot = args.slots[i];
        if (!slot.required || slot.filled || slot.multiple) {
            continue;
        }
        if (multipleIndex < 0 || args.slots[multipleIndex].values.empty()) {
            return Unexpected(fault::RequiredArgMissing);
        }
        if (slot.keyword) {
            return Unexpected(fault::TooManyArgs);
        }
        std::string value = std::move(args.slots[multipleIndex].values.back());
        args.slots[multipleIndex].values.pop_back();
        if (args.slots[multipleIndex].values.empty()) {
            args.slots[multipleIndex].filled = false;
        }
        if (fault::Code error = store(slot, std::move(value)); error != fault::None) {
            return Unexpected(error);
        }
    }
    for (const ParsedArgs::Slot& slot : args.slots) {
        if (slot.required && !slot.filled) {
            return Unexpected(fault::RequiredArgMissing);
        }
    }
    return args;
}

}  // namespace amiga
