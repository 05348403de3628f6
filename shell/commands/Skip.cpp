// Skip: continues the script after "Lab LABEL" (searching forward, or from
// the top with BACK), or after the next EndSkip when no label is given.
// Template: LABEL,BACK/S

#include "platform/Latin1.h"
#include "shell/Args.h"
#include "shell/Command.h"
#include "shell/Shell.h"

namespace amiga {

namespace {

int RunSkip(CommandContext& context) {
    ScriptText* script = context.shell.CurrentScript();
    if (script == nullptr) {
        context.PrintError("Skip: this command is supposed to be used in command files only\n");
        return RETURN_FAIL;
    }
    std::string label = context.args.Text("LABEL");
    std::size_t resume = script->Position();
    if (context.args.Switch("BACK")) {
        script->Seek(0);
    }
    while (auto line = script->ReadLine()) {
        std::size_t pos = 0;
        auto word = ReadItem(*line, pos);
        if (!word || word->kind != LineItem::Kind::Word) {
            continue;
        }
        if (label.empty()) {
            if (EqualsNoCase(word->text, "EndSkip")) {
                return RETURN_OK;
            }
            continue;
        }
        if (EqualsNoCase(word->text, "Lab")) {
            auto name = ReadItem(*line, pos);
            if (name && name->kind == LineItem::Kind::Word && EqualsNoCase(name->text, label)) {
                return RETURN_OK;
            }
        }
    }
    script->Seek(resume);
    return context.Fault(ERROR_OBJECT_NOT_FOUND, "Skip", RETURN_FAIL);
}

}  // namespace

extern const CommandSpec kSkipCommand{"Skip", "LABEL,BACK/S", RunSkip};

}  // namespace amiga
