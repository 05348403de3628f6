#include "scripts/ScriptRunner.h"

#include <array>

#include "core/Log.h"
#include "core/MessageIds.h"
#include "core/Messages.h"
#include "prefs/Preferences.h"

namespace stovan {

namespace {

// The thresholds follow the FailAt level of the script's prologue.
constexpr std::int32_t kInstallFailure = 10;
constexpr std::int32_t kUninstallFailure = 20;

MessageId FailureMessage(ScriptOperation operation) {
    switch (operation) {
        case ScriptOperation::Install:
            return msg::InstallFailed;
        case ScriptOperation::Update:
            return msg::UpdateFailed;
        case ScriptOperation::Repair:
            return msg::RepairFailed;
        case ScriptOperation::Uninstall:
            return msg::UninstallFailed;
    }
    return msg::InstallFailed;
}

void ShowFailure(Frontend& frontend, const ApplicationItem& item, ScriptOperation operation) {
    const MessageId number = FailureMessage(operation);
    const std::array<LogArgument, 3> arguments{LogArgument(item.displayText()),
                                               LogArgument(item.installedVersion.version),
                                               LogArgument(item.installedVersion.revision)};
    auto body = FormatText(GetString(number), arguments, 4096);
    if (!body) {
        body = FormatText(EnglishString(number), arguments, 4096);
    }
    // One button: the answer tells nothing.
    (void)frontend.Request(GetString(msg::RequesterTitle), body.value_or(std::string()),
                           GetString(msg::RequesterOk));
}

}  // namespace

std::string ScriptCommandLine(std::string_view scriptPath) {
    std::string line = "execute \"";
    line += scriptPath;
    line += '"';
    return line;
}

Status RunScript(Engine& engine, EventLoop& loop, Frontend& frontend, const ApplicationItem& item,
                 std::string_view scriptPath, ScriptOperation operation, std::int32_t* returnCode) {
    const bool uninstall = operation == ScriptOperation::Uninstall;
    engine.log().AddLogEntry(uninstall ? msg::RemovingItem : msg::InstallingItem,
                             item.displayText());

    ShellCommand command;
    command.commandLine = ScriptCommandLine(scriptPath);
    command.output = (engine.preferences().flags & SHOW_SHELL_OUTPUT) != 0
                         ? std::string(kOutputView)
                         : std::string("NIL:");
    command.stack = kScriptStack;

    std::int32_t rc = kCommandNotRun;
    Status result = loop.AddPublicPort();
    if (result.ok()) {
        result = loop.RunCommand(command, rc);
        if (command.output == kOutputView && result.message() != msg::ProcessingAborted) {
            // The output window stays until the user has read it.
            frontend.EndOutput();
        }
        if (result.ok() && rc >= (uninstall ? kUninstallFailure : kInstallFailure)) {
            ShowFailure(frontend, item, operation);
        }
        loop.RemovePublicPort();
    }
    if (returnCode != nullptr) {
        *returnCode = result.ok() ? rc : kCommandNotRun;
    }
    engine.log().AddLogEntry(uninstall ? msg::RemovedCompletely : msg::InstallationFinished,
                             item.displayText());
    return result;
}

}  // namespace stovan
