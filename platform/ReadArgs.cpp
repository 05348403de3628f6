#include "platform/ReadArgs.h"

#include <limits>
#include <utility>

#include "platform/Latin1.h"
#include "platform/StrToLong.h"

namespace amiga {

struct Template::Data {
    std::string text;
    std::vector<TemplateItem> items;
};

std::string_view ReadArgsFaultText(DosError code) {
    switch (code) {
        case ERROR_BAD_TEMPLATE:
            return "bad template";
        case ERROR_BAD_NUMBER:
            return "bad number";
        case ERROR_REQUIRED_ARG_MISSING:
            return "required argument missing";
        case ERROR_KEY_NEEDS_ARG:
            return "value after keyword missing";
        case ERROR_TOO_MANY_ARGS:
            return "wrong number of arguments";
        case ERROR_UNMATCHED_QUOTES:
            return "unmatched quotes";
        case ERROR_LINE_TOO_LONG:
            return "argument line invalid or too long";
        case ERROR_BUFFER_OVERFLOW:
            return "buffer overflow";
        default:
            return {};
    }
}

// ---------------------------------------------------------------- template

namespace {

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

}  // namespace

Expected<Template, DosError> ParseTemplate(std::string_view text) {
    auto data = std::make_shared<Template::Data>();
    data->text = std::string(text);
    bool haveMultiple = false;
    for (std::string_view part : Split(text, ',')) {
        TemplateItem item;
        const std::size_t slash = part.find('/');
        for (std::string_view name : Split(part.substr(0, slash), '=')) {
            item.names.emplace_back(name);
        }
        if (slash != std::string_view::npos) {
            const std::string_view modifiers = part.substr(slash);
            for (std::size_t i = 0; i + 1 < modifiers.size(); ++i) {
                if (modifiers[i] != '/') {
                    continue;
                }
                switch (ToUpper(modifiers[i + 1])) {
                    case 'A':
                        item.required = true;
                        break;
                    case 'K':
                        item.keyword = true;
                        break;
                    case 'S':
                        item.isSwitch = item.keyword = true;
                        break;
                    case 'T':
                        item.toggle = item.keyword = true;
                        break;
                    case 'N':
                        item.number = true;
                        break;
                    case 'M':
                        item.multiple = true;
                        break;
                    case 'F':
                        item.rest = true;
                        break;
                    default:
                        break;  // unknown letters are ignored, as AmigaDOS does
                }
            }
        }
        const int kinds = int{item.isSwitch} + int{item.toggle} + int{item.number} + int{item.rest};
        if (kinds > 1 || (item.multiple && (item.isSwitch || item.toggle || item.rest))) {
            return Unexpected{ERROR_BAD_TEMPLATE};
        }
        if (item.multiple) {
            if (haveMultiple) {
                return Unexpected{ERROR_BAD_TEMPLATE};
            }
            haveMultiple = true;
        }
        data->items.push_back(std::move(item));
    }
    Template result;
    result.data_ = std::move(data);
    return result;
}

const std::string& Template::Text() const {
    return data_->text;
}
std::size_t Template::Size() const {
    return data_ ? data_->items.size() : 0;
}
const TemplateItem& Template::Item(std::size_t index) const {
    return data_->items.at(index);
}
std::size_t Template::Find(std::string_view name) const {
    if (name.empty() || !data_) {
        return npos;
    }
    // Every unquoted word of a line is looked up here, and most are values,
    // not names: the length test rejects nearly all of them at once.
    for (std::size_t i = 0; i < data_->items.size(); ++i) {
        for (const std::string& alias : data_->items[i].names) {
            if (alias.size() == name.size() && EqualsNoCase(alias, name)) {
                return i;
            }
        }
    }
    return npos;
}

// ---------------------------------------------------------------- line

namespace {

enum class ItemKind { Unquoted, Quoted, Nothing, Equal, Error };

struct Source {
    std::string_view line;
    std::size_t position = 0;

    bool AtLineEnd() const {
        return position >= line.size() || line[position] == '\n' || line[position] == '\0';
    }
    void SkipBlanks() {
        while (position < line.size() && (line[position] == ' ' || line[position] == '\t')) {
            ++position;
        }
    }
};

// ReadItem. An unquoted word ends at a blank, "=" or the line end; the blank
// or "=" that ends it is consumed (AmigaDOS does so, and "KEY=value" relies
// on it). A quote left open is ERROR_LINE_TOO_LONG, the code ReadArgs gives.
ItemKind ReadItem(Source& source, std::string& out) {
    out.clear();
    source.SkipBlanks();
    if (source.AtLineEnd() || source.line[source.position] == ';') {
        return ItemKind::Nothing;
    }
    const char first = source.line[source.position];
    if (first == '=') {
        ++source.position;
        return ItemKind::Equal;
    }
    if (first == '"') {
        ++source.position;
        for (;;) {
            // The plain run up to the next quote, star or line end in one piece.
            const std::size_t run = source.position;
            while (!source.AtLineEnd() && source.line[source.position] != '"' &&
                   source.line[source.position] != '*') {
                ++source.position;
            }
            out.append(source.line.substr(run, source.position - run));
            if (source.AtLineEnd()) {
                return ItemKind::Error;
            }
            char c = source.line[source.position++];
            if (c == '"') {
                return ItemKind::Quoted;
            }
            if (c == '*') {
                if (source.AtLineEnd()) {
                    return ItemKind::Error;
                }
                c = source.line[source.position++];
                if (c == 'n' || c == 'N') {
                    c = '\n';
                } else if (c == 'e' || c == 'E') {
                    c = '\x1b';
                }
            }
            out.push_back(c);
        }
    }
    const std::size_t start = source.position;
    while (!source.AtLineEnd()) {
        const char c = source.line[source.position];
        if (c == ' ' || c == '\t' || c == '=') {
            break;
        }
        ++source.position;
    }
    out.assign(source.line.substr(start, source.position - start));
    if (!source.AtLineEnd()) {
        ++source.position;  // the blank or "=" that ended the word
    }
    return ItemKind::Unquoted;
}

// The value of a /F item: the rest of the line as typed, except that a first
// word in quotes loses its quotes (and has its "*" escapes read); blanks
// before the line end are dropped.
bool TakeRest(Source& source, std::string& out) {
    out.clear();
    source.SkipBlanks();
    if (!source.AtLineEnd() && source.line[source.position] == '"') {
        if (ReadItem(source, out) != ItemKind::Quoted) {
            return false;
        }
    }
    const std::size_t start = source.position;
    while (!source.AtLineEnd()) {
        ++source.position;
    }
    std::string_view raw = source.line.substr(start, source.position - start);
    while (!raw.empty() && (raw.back() == ' ' || raw.back() == '\t')) {
        raw.remove_suffix(1);
    }
    out.append(raw);
    return true;
}

// StrToLong must take the whole value, and the value must fit 32 bits.
bool ReadNumber(const std::string& text, std::int32_t& value) {
    const int used = StrToLong(text, value);
    if (used <= 0 || static_cast<std::size_t>(used) != text.size()) {
        return false;
    }
    std::size_t i = 0;
    while (text[i] == ' ' || text[i] == '\t') {
        ++i;
    }
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    while (i + 1 < text.size() && text[i] == '0') {
        ++i;
    }
    const std::string_view digits = std::string_view(text).substr(i);
    const std::string_view limit = negative ? "2147483648" : "2147483647";
    return digits.size() < limit.size() || (digits.size() == limit.size() && digits <= limit);
}

}  // namespace

Expected<Arguments, DosError> ReadArgs(const Template& argumentTemplate, std::string_view line) {
    Arguments arguments;
    if (const DosError error = ReadArgs(argumentTemplate, line, arguments); error != 0) {
        return Unexpected{error};
    }
    return arguments;
}

DosError ReadArgs(const Template& argumentTemplate, std::string_view line, Arguments& into) {
    const std::size_t count = argumentTemplate.Size();
    if (!into.template_.SameAs(argumentTemplate)) {
        into.template_ = argumentTemplate;
        into.values_.clear();
    }
    // Cleared, not rebuilt: the texts keep their storage for the next line.
    into.values_.resize(count);
    for (Arguments::Value& value : into.values_) {
        value.present = false;
        value.text.clear();
        value.number = 0;
        value.multi.clear();
        value.numbers.clear();
    }
    auto& values = into.values_;
    // An item is filled once it holds its value; a /M item only at the end.
    const auto filled = [&values](std::size_t i) { return values[i].present; };
    std::vector<std::string>& pool = into.pool_;  // the /M values, and surplus ones
    pool.clear();
    std::size_t multipleItem = Template::npos;
    for (std::size_t i = 0; i < count; ++i) {
        if (argumentTemplate.Item(i).multiple) {
            multipleItem = i;
        }
    }

    Source source{line, 0};
    std::string& text = into.word_;
    // Position `count` stands for a hidden /M item that collects surplus
    // values, so that the whole line is read before deciding about them.
    for (std::size_t position = 0; position <= count;) {
        std::size_t next = position + 1;
        if (position < count && (argumentTemplate.Item(position).keyword || filled(position))) {
            position = next;
            continue;
        }
        std::size_t target = position;
        source.SkipBlanks();
        const std::size_t itemStart = source.position;
        ItemKind kind = ReadItem(source, text);
        bool byKeyword = false;
        if (kind == ItemKind::Unquoted) {
            const std::size_t named = argumentTemplate.Find(text);
            // A keyword whose item is already filled is an ordinary value.
            if (named != Template::npos && !filled(named)) {
                byKeyword = true;
                target = named;
                next = position;  // then try this position again
                const TemplateItem& item = argumentTemplate.Item(named);
                if (!item.isSwitch && !item.toggle && !item.rest) {
                    kind = ReadItem(source, text);
                    if (kind == ItemKind::Equal) {
                        kind = ReadItem(source, text);
                    }
                    if (kind == ItemKind::Nothing) {
                        return ERROR_KEY_NEEDS_ARG;
                    }
                }
            }
        }
        if (target < count && argumentTemplate.Item(target).rest) {
            if (byKeyword) {
                source.SkipBlanks();
                if (!source.AtLineEnd() && source.line[source.position] == '=') {
                    ++source.position;
                }
            } else {
                if (kind == ItemKind::Nothing) {
                    break;
                }
                source.position = itemStart;
            }
            if (!TakeRest(source, values[target].text)) {
                return ERROR_LINE_TOO_LONG;
            }
            values[target].present = true;
            break;  // nothing is left to read
        }
        if (kind == ItemKind::Equal) {
            return ERROR_BAD_TEMPLATE;
        }
        if (kind == ItemKind::Error) {
            return ERROR_LINE_TOO_LONG;
        }
        if (kind == ItemKind::Nothing) {
            break;
        }
        if (target == count || argumentTemplate.Item(target).multiple) {
            pool.push_back(std::move(text));
            if (!byKeyword) {
                next = position;  // the /M item takes every later value
            }
        } else {
            const TemplateItem& item = argumentTemplate.Item(target);
            values[target].present = true;
            if (!item.isSwitch && !item.toggle) {
                values[target].text.swap(text);
            }
        }
        position = next;
    }

    // Unfilled /A items take values from the end of the /M list.
    for (std::size_t i = count; i-- > 0;) {
        const TemplateItem& item = argumentTemplate.Item(i);
        if (!item.required || filled(i) || item.multiple) {
            continue;
        }
        if (item.keyword) {
            // AmigaDOS reports a missing /A/K item as a wrong argument count.
            return ERROR_TOO_MANY_ARGS;
        }
        if (pool.empty()) {
            return ERROR_REQUIRED_ARG_MISSING;
        }
        values[i].text = std::move(pool.back());
        values[i].present = true;
        pool.pop_back();
    }
    if (multipleItem != Template::npos) {
        if (argumentTemplate.Item(multipleItem).required && pool.empty()) {
            return ERROR_REQUIRED_ARG_MISSING;
        }
        values[multipleItem].present = !pool.empty();
        values[multipleItem].multi.swap(pool);
    } else if (!pool.empty()) {
        return ERROR_TOO_MANY_ARGS;
    }

    for (std::size_t i = 0; i < count; ++i) {
        const TemplateItem& item = argumentTemplate.Item(i);
        if (!item.number || !values[i].present) {
            continue;
        }
        if (item.multiple) {
            for (const std::string& value : values[i].multi) {
                std::int32_t number = 0;
                if (!ReadNumber(value, number)) {
                    return ERROR_BAD_NUMBER;
                }
                values[i].numbers.push_back(number);
            }
        } else if (!ReadNumber(values[i].text, values[i].number)) {
            return ERROR_BAD_NUMBER;
        }
    }
    return 0;
}

// ---------------------------------------------------------------- results

namespace {
const std::string kNoText;
const std::vector<std::string> kNoTexts;
const std::vector<std::int32_t> kNoNumbers;
}  // namespace

std::size_t Arguments::Size() const {
    return values_.size();
}

const Arguments::Value& Arguments::At(std::size_t index) const {
    return values_.at(index);
}

const Arguments::Value& Arguments::Named(std::string_view name) const {
    static const Value absent;
    const std::size_t index = template_.Find(name);
    return index == Template::npos ? absent : values_[index];
}

bool Arguments::Present(std::size_t index) const {
    return At(index).present;
}
const std::string& Arguments::Text(std::size_t index) const {
    return At(index).present ? At(index).text : kNoText;
}
std::int32_t Arguments::Number(std::size_t index, std::int32_t fallback) const {
    return At(index).present ? At(index).number : fallback;
}
bool Arguments::Switch(std::size_t index) const {
    return At(index).present;
}
bool Arguments::Toggle(std::size_t index, bool defaultValue) const {
    return At(index).present ? !defaultValue : defaultValue;
}
const std::vector<std::string>& Arguments::Multi(std::size_t index) const {
    return At(index).multi;
}
const std::vector<std::int32_t>& Arguments::Numbers(std::size_t index) const {
    return At(index).numbers;
}

bool Arguments::Present(std::string_view name) const {
    return Named(name).present;
}
const std::string& Arguments::Text(std::string_view name) const {
    return Named(name).present ? Named(name).text : kNoText;
}
std::int32_t Arguments::Number(std::string_view name, std::int32_t fallback) const {
    return Named(name).present ? Named(name).number : fallback;
}
bool Arguments::Switch(std::string_view name) const {
    return Named(name).present;
}
bool Arguments::Toggle(std::string_view name, bool defaultValue) const {
    return Named(name).present ? !defaultValue : defaultValue;
}
const std::vector<std::string>& Arguments::Multi(std::string_view name) const {
    return Named(name).present ? Named(name).multi : kNoTexts;
}
const std::vector<std::int32_t>& Arguments::Numbers(std::string_view name) const {
    return Named(name).present ? Named(name).numbers : kNoNumbers;
}

// ---------------------------------------------------------------- help

std::optional<std::string> HelpRequest(std::string_view line) {
    std::size_t end = 0;
    while (end < line.size() && line[end] != '\n' && line[end] != '\0') {
        ++end;
    }
    // Walk the items as ReadItem would, remembering where the last unquoted
    // one starts; a comment ends the walk.
    std::size_t position = 0;
    std::size_t lastStart = std::string_view::npos;
    std::size_t lastEnd = 0;
    while (position < end) {
        const char c = line[position];
        if (c == ' ' || c == '\t' || c == '=') {
            ++position;
            continue;
        }
        if (c == ';') {
            break;
        }
        if (c == '"') {
            ++position;
            while (position < end && line[position] != '"') {
                position += line[position] == '*' ? 2 : 1;
            }
            ++position;
            lastStart = std::string_view::npos;
            continue;
        }
        const std::size_t start = position;
        while (position < end && line[position] != ' ' && line[position] != '\t' &&
               line[position] != '=') {
            ++position;
        }
        lastStart = start;
        lastEnd = position;
    }
    if (lastStart == std::string_view::npos || lastEnd - lastStart != 1 || line[lastStart] != '?') {
        return std::nullopt;
    }
    // Only blanks may follow the "?" (not a comment, not an "=").
    for (std::size_t i = lastEnd; i < end; ++i) {
        if (line[i] != ' ' && line[i] != '\t') {
            return std::nullopt;
        }
    }
    return std::string(line.substr(0, lastStart));
}

std::string QuoteArgument(std::string_view value, bool always) {
    bool needsQuotes = always || value.empty();
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == ' ' || c == '"' || c == '*' || c == '=' || c == ';' || byte < 0x20 ||
            byte == 0x7F) {
            needsQuotes = true;
            break;
        }
    }
    if (!needsQuotes) {
        return std::string(value);
    }
    std::string quoted;
    quoted.reserve(value.size() + 2);
    quoted += '"';
    for (const char c : value) {
        switch (c) {
            case '*':
                quoted += "**";
                break;
            case '"':
                quoted += "*\"";
                break;
            case '\n':
                quoted += "*N";
                break;
            case '\x1b':
                quoted += "*E";
                break;
            default:
                quoted += c;
                break;
        }
    }
    quoted += '"';
    return quoted;
}

}  // namespace amiga
