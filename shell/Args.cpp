#include "shell/Args.h"

#include "platform/Latin1.h"
#include "platform/ReadArgs.h"

namespace amiga {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

Expected<LineItem, DosError> ReadItem(std::string_view line, std::size_t& pos) {
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
        return Unexpected{ERROR_LINE_TOO_LONG};
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

Expected<ParsedArgs, DosError> ParseArgs(std::string_view templ, std::string_view line) {
    auto parsedTemplate = ParseTemplate(templ);
    AMIGA_RETURN_IF_FAILED(parsedTemplate);
    // ReadArgs wants the line ended by a line feed, as the shell hands it over.
    std::string input(line);
    input += '\n';
    auto read = ReadArgs(*parsedTemplate, input);
    AMIGA_RETURN_IF_FAILED(read);
    ParsedArgs args;
    for (std::size_t i = 0; i < parsedTemplate->Size(); ++i) {
        const TemplateItem& item = parsedTemplate->Item(i);
        ParsedArgs::Slot slot;
        for (const std::string& name : item.names) {
            slot.names.push_back(ToUpper(name));
        }
        slot.required = item.required;
        slot.keyword = item.keyword;
        slot.isSwitch = item.isSwitch;
        slot.toggle = item.toggle;
        slot.number = item.number;
        slot.multiple = item.multiple;
        slot.rest = item.rest;
        slot.filled = read->Present(i);
        if (item.isSwitch) {
            slot.set = read->Switch(i);
        } else if (item.toggle) {
            slot.set = read->Toggle(i, false);
        } else if (item.multiple) {
            slot.values = read->Multi(i);
            slot.filled = !slot.values.empty();
        } else if (slot.filled) {
            slot.text = read->Text(i);
            if (item.number) {
                slot.value = read->Number(i);
            }
        }
        args.slots.push_back(std::move(slot));
    }
    return args;
}

Expected<std::vector<std::string>, DosError> SplitItems(std::string_view line) {
    std::vector<std::string> words;
    std::size_t pos = 0;
    for (;;) {
        auto item = ReadItem(line, pos);
        AMIGA_RETURN_IF_FAILED(item);
        if (item->kind == LineItem::Kind::End) {
            return words;
        }
        words.push_back(item->kind == LineItem::Kind::Equal ? std::string("=") : item->text);
    }
}

}  // namespace amiga
