// If: runs the following lines up to Else or EndIf only when the condition
// holds. WARN, ERROR and FAIL test the last return code (5, 10, 20 or
// more), EQ/GT/GE compare two texts (as numbers with VAL), EXISTS tests a
// file or drawer; NOT inverts.
// Template: NOT/S,WARN/S,ERROR/S,FAIL/S,,EQ/K,GT/K,GE/K,VAL/S,EXISTS/K

#include "platform/Latin1.h"
#include "platform/StrToLong.h"
#include "shell/Command.h"
#include "shell/Shell.h"
#include "shell/commands/FlowControl.h"

namespace amiga {

namespace {

int Compare(const CommandContext& context, std::string_view left, std::string_view right) {
    if (context.args.Switch("VAL")) {
        // Non-numbers count as 0, as StrToLong leaves them.
        std::int32_t a = 0;
        std::int32_t b = 0;
        if (StrToLong(left, a) < 0) {
            a = 0;
        }
        if (StrToLong(right, b) < 0) {
            b = 0;
        }
        return a < b ? -1 : (a > b ? 1 : 0);
    }
    return CompareNoCase(left, right);
}

int RunIf(CommandContext& context) {
    ScriptText* script = context.shell.CurrentScript();
    if (script == nullptr) {
        context.PrintError("If: this command is supposed to be used in command files only\n");
        return RETURN_OK;
    }
    const ParsedArgs& args = context.args;
    int rc = context.shell.lastReturnCode();
    std::string left = args.Text("");
    bool condition = false;
    // One condition is tested, the lowest return-code test first.
    if (args.Switch("WARN")) {
        condition = rc >= RETURN_WARN;
    } else if (args.Switch("ERROR")) {
        condition = rc >= RETURN_ERROR;
    } else if (args.Switch("FAIL")) {
        condition = rc >= RETURN_FAIL;
    } else if (args.Has("EQ")) {
        condition = Compare(context, left, args.Text("EQ")) == 0;
    } else if (args.Has("GT")) {
        condition = Compare(context, left, args.Text("GT")) > 0;
    } else if (args.Has("GE")) {
        condition = Compare(context, left, args.Text("GE")) >= 0;
    } else if (args.Has("EXISTS")) {
        auto info = context.host.Examine(args.Text("EXISTS"));
        condition = info.ok() || info.error() == ERROR_OBJECT_IN_USE;
    }
    if (args.Switch("NOT")) {
        condition = !condition;
    }
    if (condition) {
        return RETURN_OK;
    }
    if (!SkipToElseOrEndIf(*script, true)) {
        context.PrintError("If: no matching Else or EndIf\n");
        return RETURN_ERROR;
    }
    return RETURN_OK;
}

}  // namespace

bool SkipToElseOrEndIf(ScriptText& script, bool stopAtElse) {
    int depth = 0;
    while (auto line = script.ReadLine()) {
        std::string word = FirstWord(*line);
        if (EqualsNoCase(word, "If")) {
            ++depth;
        } else if (EqualsNoCase(word, "EndIf")) {
            if (depth == 0) {
                return true;
            }
            --depth;
        } else if (stopAtElse && depth == 0 && EqualsNoCase(word, "Else")) {
            return true;
        }
    }
    return false;
}

extern const CommandSpec kIfCommand{
    "If", "NOT/S,WARN/S,ERROR/S,FAIL/S,,EQ/K,GT/K,GE/K,VAL/S,EXISTS/K", RunIf};

}  // namespace amiga
