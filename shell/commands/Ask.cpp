// Ask: prints a question and waits for an answer; "y" or "yes" returns 5
// (test it with "If WARN"), anything else or end of input 0.
// Template: PROMPT/A

#include "platform/Latin1.h"
#include "shell/Command.h"

namespace amiga {

namespace {

int RunAsk(CommandContext& context) {
    context.Print(context.args.Text("PROMPT") + " ");
    auto answer = ReadLine(context.io.in, 256);
    if (!answer) {
        return RETURN_OK;
    }
    std::string word = *answer;
    while (!word.empty() && (word.back() == ' ' || word.back() == '\r')) {
        word.pop_back();
    }
    return EqualsNoCase(word, "y") || EqualsNoCase(word, "yes") ? RETURN_WARN : RETURN_OK;
}

}  // namespace

extern const CommandSpec kAskCommand{"Ask", "PROMPT/A", RunAsk};

}  // namespace amiga
