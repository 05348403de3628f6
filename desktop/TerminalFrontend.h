#pragma once
// The command line's front end. Questions are asked on the terminal with
// the starred button as the default (an empty answer); --yes answers every
// question with its default button; with no terminal and no --yes every
// question gets its last button (Abort, Cancel) and the answer is told on
// standard error, so nothing happens silently. The gauge is a progress line
// on a terminal and plain lines without one; a script's output (when the
// user asked to see it) goes to standard output.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/Frontend.h"

namespace stovan {

// One button of a requester's button string.
struct RequesterButton {
    std::string label;  // without "_" and "*"
    char shortcut = 0;  // the letter after "_", 0 when none
    bool isDefault = false;
};

// "_Update|*A_ll|_Skip|_Abort" split into its buttons.
std::vector<RequesterButton> ParseButtons(std::string_view buttons);
// The number Request returns for the button at index (from 0) of count:
// index + 1, the rightmost giving 0.
int ButtonNumber(std::size_t index, std::size_t count);
// The default button's index: the starred one, else the first.
std::size_t DefaultButton(const std::vector<RequesterButton>& buttons);
// A text with the display's escape sequences removed ("\033b", "\033n",
// "\033c", "\033u", "\033P[..]", "\033I[..]" and any other "\033" + letter).
std::string PlainText(std::string_view text);

struct TerminalOptions {
    bool assumeYes = false;    // --yes
    bool interactive = false;  // questions can be asked (input and output are a terminal)
    std::FILE* input = stdin;
    std::FILE* output = stdout;    // answers to questions, script output
    std::FILE* messages = stderr;  // questions, progress, what was answered
};

// The options for this process: interactive when standard input and
// standard error are terminals.
TerminalOptions TerminalOptionsForProcess(bool assumeYes);

class TerminalFrontend final : public Frontend {
  public:
    explicit TerminalFrontend(TerminalOptions options) : options_(options) {}
    ~TerminalFrontend() override;

    int Request(std::string_view title, std::string_view body, std::string_view buttons) override;
    void ShowProgress(std::string_view text) override;
    void ShowGauge(bool visible) override;
    void SetGauge(std::uint32_t current, std::uint32_t total) override;
    void ShowOutput(std::string_view bytes) override;

  private:
    void EndProgressLine();
    void DrawProgress();

    TerminalOptions options_;
    std::string progress_;
    std::uint32_t current_ = 0;
    std::uint32_t total_ = 0;
    bool lineOpen_ = false;
};

}  // namespace stovan
