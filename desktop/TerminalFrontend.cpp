#include "desktop/TerminalFrontend.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "core/TerminalText.h"
#include "platform/Latin1.h"

namespace stovan {

namespace {

void Put(std::FILE* out, std::string_view latin1) {
    const std::string text = amiga::Latin1ToUtf8(std::string(latin1));
    std::fwrite(text.data(), 1, text.size(), out);
}

std::string Trim(std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.pop_back();
    }
    std::size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) {
        ++start;
    }
    return text.substr(start);
}

// The answer typed for a question: empty for the default, a number, a
// shortcut letter or a label. npos when it names no button.
std::size_t ChosenButton(const std::string& answer, const std::vector<RequesterButton>& buttons) {
    if (answer.empty()) {
        return DefaultButton(buttons);
    }
    if (std::all_of(answer.begin(), answer.end(),
                    [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) &&
        answer.size() < 4) {
        const std::size_t number = std::stoul(answer);
        if (number >= 1 && number <= buttons.size()) {
            return number - 1;
        }
        return std::string::npos;
    }
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (amiga::EqualsNoCase(buttons[i].label, answer) ||
            (answer.size() == 1 && buttons[i].shortcut != 0 &&
             amiga::EqualsNoCase(std::string_view(&buttons[i].shortcut, 1), answer))) {
            return i;
        }
    }
    return std::string::npos;
}

}  // namespace

std::vector<RequesterButton> ParseButtons(std::string_view buttons) {
    std::vector<RequesterButton> result;
    std::size_t start = 0;
    while (true) {
        const std::size_t bar = buttons.find('|', start);
        const std::string_view part = buttons.substr(
            start, bar == std::string_view::npos ? std::string_view::npos : bar - start);
        RequesterButton button;
        for (std::size_t i = 0; i < part.size(); ++i) {
            if (part[i] == '*' && button.label.empty() && !button.isDefault) {
                button.isDefault = true;
            } else if (part[i] == '_' && i + 1 < part.size()) {
                button.shortcut = part[i + 1];
            } else {
                button.label += part[i];
            }
        }
        result.push_back(std::move(button));
        if (bar == std::string_view::npos) {
            break;
        }
        start = bar + 1;
    }
    return result;
}

int ButtonNumber(std::size_t index, std::size_t count) {
    return index + 1 >= count ? 0 : static_cast<int>(index + 1);
}

std::size_t DefaultButton(const std::vector<RequesterButton>& buttons) {
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i].isDefault) {
            return i;
        }
    }
    return 0;
}

std::string PlainText(std::string_view text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\033') {
            plain += text[i];
            continue;
        }
        // The sequence letter, and a bracketed argument after P and I.
        if (i + 1 >= text.size()) {
            break;
        }
        const char code = text[++i];
        if ((code == 'P' || code == 'I') && i + 1 < text.size() && text[i + 1] == '[') {
            const std::size_t close = text.find(']', i + 1);
            i = close == std::string_view::npos ? text.size() : close;
        }
    }
    // Texts name items and files from databases and archives: their control
    // characters are shown, not obeyed by the terminal.
    return VisibleText(plain, true);
}

TerminalOptions TerminalOptionsForProcess(bool assumeYes) {
    TerminalOptions options;
    options.assumeYes = assumeYes;
    options.interactive = ::isatty(STDIN_FILENO) == 1 && ::isatty(STDERR_FILENO) == 1;
    return options;
}

TerminalFrontend::~TerminalFrontend() {
    EndProgressLine();
}

int TerminalFrontend::Request(std::string_view title, std::string_view body,
                              std::string_view buttonText) {
    EndProgressLine();
    const std::vector<RequesterButton> buttons = ParseButtons(buttonText);
    std::FILE* out = options_.messages;
    Put(out, PlainText(title) + "\n" + PlainText(body) + "\n");
    std::string list;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        list += "  [" + std::to_string(i + 1) + "] " + buttons[i].label;
        if (buttons[i].isDefault) {
            list += " (default)";
        }
    }
    Put(out, list + "\n");
    std::size_t chosen = DefaultButton(buttons);
    if (options_.assumeYes) {
        Put(out, "Answered " + buttons[chosen].label + " (--yes)\n");
    } else if (!options_.interactive) {
        chosen = buttons.size() - 1;
        Put(out, "Answered " + buttons[chosen].label +
                     ": no terminal to ask on (--yes answers with the default)\n");
    } else {
        while (true) {
            Put(out, "> ");
            std::fflush(out);
            std::string answer;
            int c = 0;
            while ((c = std::fgetc(options_.input)) != EOF && c != '\n') {
                if (answer.size() < 256) {
                    answer += static_cast<char>(c);
                }
            }
            if (c == EOF && answer.empty()) {
                // The input ended: the safe answer, said aloud.
                chosen = buttons.size() - 1;
                Put(out, "\nAnswered " + buttons[chosen].label + ": end of input\n");
                break;
            }
            chosen = ChosenButton(Trim(answer), buttons);
            if (chosen != std::string::npos) {
                break;
            }
            Put(out,
                "Please answer with a number from 1 to " + std::to_string(buttons.size()) + ".\n");
        }
    }
    std::fflush(out);
    return ButtonNumber(chosen, buttons.size());
}

void TerminalFrontend::EndProgressLine() {
    if (lineOpen_) {
        std::fputs("\n", options_.messages);
        std::fflush(options_.messages);
        lineOpen_ = false;
    }
}

void TerminalFrontend::DrawProgress() {
    std::string line = PlainText(progress_);
    if (total_ != 0) {
        line += "  [" + std::to_string(current_) + "/" + std::to_string(total_) + "]";
    }
    if (options_.interactive) {
        // One line, redrawn in place.
        Put(options_.messages, "\r" + line + "\033[K");
        lineOpen_ = true;
    } else {
        Put(options_.messages, line + "\n");
    }
    std::fflush(options_.messages);
}

void TerminalFrontend::ShowProgress(std::string_view text) {
    if (text == progress_) {
        return;
    }
    progress_ = std::string(text);
    DrawProgress();
}

void TerminalFrontend::ShowGauge(bool visible) {
    if (!visible) {
        EndProgressLine();
        progress_.clear();
        current_ = total_ = 0;
    }
}

void TerminalFrontend::SetGauge(std::uint32_t current, std::uint32_t total) {
    if (current == current_ && total == total_) {
        return;
    }
    current_ = current;
    total_ = total;
    if (options_.interactive && !progress_.empty()) {
        DrawProgress();
    }
}

void TerminalFrontend::ShowOutput(std::string_view bytes) {
    EndProgressLine();
    std::fwrite(bytes.data(), 1, bytes.size(), options_.output);
    std::fflush(options_.output);
}

}  // namespace stovan
