#include "shell/LineReader.h"

#include "shell/Args.h"

namespace amiga {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

ScriptText::ScriptText(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string_view line = text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines_.emplace_back(line);
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
}

std::optional<std::string> ScriptText::ReadLine() {
    if (next_ >= lines_.size()) {
        return std::nullopt;
    }
    std::string line = lines_[next_++];
    // " +" at the end of a line joins the next line to it.
    while (line.size() >= 2 && line.back() == '+' && IsBlank(line[line.size() - 2]) &&
           next_ < lines_.size() && line.size() < kMaxLineLength) {
        line.pop_back();
        line += lines_[next_++];
    }
    return line;
}

std::string StripComment(std::string_view line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            if (c == '*' && i + 1 < line.size()) {
                ++i;
            } else if (c == '"') {
                quoted = false;
            }
            continue;
        }
        if (c == '"') {
            quoted = true;
        } else if (c == ';' && (i == 0 || IsBlank(line[i - 1]))) {
            return std::string(line.substr(0, i));
        }
    }
    return std::string(line);
}

std::string FirstWord(std::string_view line) {
    std::size_t pos = 0;
    auto item = ReadItem(line, pos);
    if (!item || item->kind != LineItem::Kind::Word) {
        return {};
    }
    return item->text;
}

std::optional<CommandLine> SplitCommand(std::string_view line) {
    std::size_t pos = 0;
    auto item = ReadItem(line, pos);
    if (!item || item->kind != LineItem::Kind::Word) {
        return std::nullopt;
    }
    CommandLine command;
    command.name = item->text;
    command.quotedName = item->quoted;
    std::string_view rest = line.substr(pos);
    while (!rest.empty() && IsBlank(rest.front())) {
        rest.remove_prefix(1);
    }
    while (!rest.empty() && IsBlank(rest.back())) {
        rest.remove_suffix(1);
    }
    command.arguments = rest;
    return command;
}

}  // namespace amiga
