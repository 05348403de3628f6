// RequestChoice: asks the user to choose one of the gadgets and prints its
// number: the left-most is 1, the next 2, ..., the right-most 0. Gadgets are
// separate words or one word with "|" between them. On a terminal the
// question is asked there; without one the answer is 0 (the right-most,
// "cancel" gadget). TO stores the number in a local variable instead.
// Template: TITLE/A,BODY/A,GADGETS/A/M,TYPE/K,TO/K,PUBSCREEN/K,TIMEOUTSEC/K/N,CHARSET/K

#include "platform/StrToLong.h"
#include "shell/Command.h"
#include "shell/Shell.h"
#include "shell/commands/Terminal.h"

namespace amiga {

namespace {

std::vector<std::string> SplitGadgets(const std::vector<std::string>& words) {
    std::vector<std::string> gadgets;
    for (const std::string& word : words) {
        std::size_t start = 0;
        for (;;) {
            std::size_t bar = word.find('|', start);
            gadgets.push_back(word.substr(start, bar == std::string::npos ? bar : bar - start));
            if (bar == std::string::npos) {
                break;
            }
            start = bar + 1;
        }
    }
    return gadgets;
}

int Ask(const CommandContext& context, const std::vector<std::string>& gadgets) {
    FileDescriptor terminal = OpenTerminal(context.io);
    if (!terminal.valid()) {
        return 0;
    }
    // Appended, not "\n" + title: GCC 12 warns falsely (-Wrestrict) on a
    // literal prepended to a temporary string in optimised builds.
    std::string question(1, '\n');
    question.append(context.args.Text("TITLE")).append("\n\n");
    question.append(context.args.Text("BODY")).append("\n\n");
    for (std::size_t i = 0; i < gadgets.size(); ++i) {
        std::size_t number = i + 1 == gadgets.size() ? 0 : i + 1;
        question += "  " + std::to_string(number) + ") " + gadgets[i] + "\n";
    }
    for (int attempt = 0; attempt < 10; ++attempt) {
        WriteAll(terminal.get(), question + "Choice: ");
        auto answer = ReadLine(terminal.get(), 64);
        if (!answer) {
            return 0;
        }
        std::int32_t choice = 0;
        if (StrToLong(*answer, choice) > 0 && choice >= 0 &&
            static_cast<std::size_t>(choice) < gadgets.size()) {
            return choice;
        }
    }
    return 0;
}

int RunRequestChoice(CommandContext& context) {
    std::vector<std::string> gadgets = SplitGadgets(context.args.Multi("GADGETS"));
    int choice = Ask(context, gadgets);
    if (context.args.Has("TO")) {
        context.shell.SetLocal(context.args.Text("TO"), std::to_string(choice));
    } else {
        context.Print(std::to_string(choice) + "\n");
    }
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kRequestChoiceCommand{
    "RequestChoice", "TITLE/A,BODY/A,GADGETS/A/M,TYPE/K,TO/K,PUBSCREEN/K,TIMEOUTSEC/K/N,CHARSET/K",
    RunRequestChoice};

}  // namespace amiga
