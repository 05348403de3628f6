#include "commands/PortCommands.h"

#include <cstdio>
#include <string>

#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "platform/Icon.h"

namespace stovan::commands {

namespace {

// Sends a message and turns the answer into a return code; prints what
// went wrong. Command 1 replies its result number and text.
int SendAndReport(const CommandContext& context, const amiga::PortMessage& message,
                  amiga::PortTimeout timeout) {
    auto reply = SendToStovan(context, message, timeout);
    if (!reply) {
        PrintMessage(context, reply.error() == amiga::PortError::NoPort
                                  ? kNoPortText
                                  : amiga::PortErrorText(reply.error()));
        return RETURN_FAIL;
    }
    if (reply->result == 0) {
        return RETURN_OK;
    }
    if (!reply->text.empty()) {
        PrintMessage(context, reply->text);
    } else if (reply->result == amiga::PORT_REFUSED) {
        PrintMessage(context, "Stovan did not accept the message");
    } else {
        PrintMessage(context, "Stovan answered with error " + std::to_string(reply->result));
    }
    return RETURN_FAIL;
}

// SGauge and SLog: keyword, text and two numbers.
int SendKeywordLine(const CommandContext& context, std::string_view argumentTemplate,
                    std::uint32_t command) {
    if (!StovanIsRunning(context)) {
        PrintMessage(context, kNoPortText);
        return RETURN_FAIL;
    }
    auto arguments = ReadCommandArgs(context, argumentTemplate);
    if (!arguments) {
        return RETURN_FAIL;
    }
    amiga::PortMessage message;
    message.command = command;
    message.text1 = arguments->Text("KEYWORD");
    message.text2 = arguments->Text("TEXT");
    message.number1 = NumberOrZero(arguments->Text("NUMBER1"));
    message.number2 = NumberOrZero(arguments->Text("NUMBER2"));
    return SendAndReport(context, message, kQuickReplyTimeout);
}

}  // namespace

int RunSGauge(const CommandContext& context) {
    return SendKeywordLine(context, kGaugeTemplate, amiga::PORT_GAUGE);
}

int RunSLog(const CommandContext& context) {
    return SendKeywordLine(context, kLogTemplate, amiga::PORT_LOG);
}

int RunSSignal(const CommandContext& context) {
    if (!StovanIsRunning(context)) {
        PrintMessage(context, kNoPortText);
        return RETURN_FAIL;
    }
    auto arguments = ReadCommandArgs(context, kSignalTemplate);
    if (!arguments) {
        return RETURN_FAIL;
    }
    amiga::PortMessage message;
    message.command = amiga::PORT_GAUGE;
    message.text1 = std::string(kWaitingForUser);
    message.text2 = arguments->Text("TEXT");
    message.number1 = 1;
    message.number2 = 1;
    return SendAndReport(context, message, kQuickReplyTimeout);
}

int RunSDownload(const CommandContext& context) {
    if (!StovanIsRunning(context)) {
        PrintMessage(context, kNoPortText);
        return RETURN_FAIL;
    }
    auto arguments = ReadCommandArgs(context, kDownloadTemplate);
    if (!arguments) {
        return RETURN_FAIL;
    }
    amiga::PortMessage message;
    message.command = amiga::PORT_DOWNLOAD;
    message.text1 = arguments->Text("URL");
    if (arguments->Present("NAME")) {
        // Stovan does not share the script's current drawer: send the full name.
        auto name = AbsoluteAmigaPath(context, arguments->Text("NAME"));
        if (!name) {
            PrintCommandFault(context, name.error());
            return RETURN_FAIL;
        }
        message.text2 = *name;
    }
    return SendAndReport(context, message, kDownloadReplyTimeout);
}

namespace {

// The start-up icon: the program's own "_WBStartup" project icon when the
// install script made one, else its tool icon, else the default project
// icon; always a project whose default tool is the program.
amiga::DiskObject StartupIcon(const CommandContext& context, const std::string& program) {
    for (const char* suffix : {"_WBStartup.info", ".info"}) {
        auto lock = amiga::Lock(context.dos, program + suffix);
        if (!lock || lock->drawer) {
            continue;
        }
        if (auto icon = amiga::ReadDiskObjectFile(lock->hostPath)) {
            return std::move(*icon);
        }
    }
    auto fallback = amiga::GetDefDiskObject(amiga::WBPROJECT);
    return fallback ? std::move(*fallback) : amiga::DiskObject{};
}

}  // namespace

int RunSStartup(const CommandContext& context) {
    if (!StovanIsRunning(context)) {
        PrintMessage(context, kNoPortText);
        return RETURN_FAIL;
    }
    auto arguments = ReadCommandArgs(context, kStartupTemplate);
    if (!arguments) {
        return RETURN_FAIL;
    }
    const std::string& name = arguments->Text("NAME");
    const std::string base(amiga::FilePart(name));
    if (base.empty()) {
        PrintCommandFault(context, amiga::ERROR_OBJECT_WRONG_TYPE);
        return RETURN_FAIL;
    }
    const std::string target = std::string(kStartupDrawer) + "/" + base + "_WBStartup";
    if (arguments->Switch("REMOVE")) {
        // Only what SStartup puts there is taken out; the user's own
        // start-up entries stay.
        for (const std::string& path : {target + ".info", target}) {
            if (auto lock = amiga::Lock(context.dos, path); lock && !lock->drawer) {
                if (amiga::DosStatus status = amiga::DeleteFile(context.dos, path); !status) {
                    PrintCommandFault(context, status.error());
                    return RETURN_ERROR;
                }
            }
        }
        return RETURN_OK;
    }
    auto program = amiga::Lock(context.dos, name, context.drawer());
    if (!program) {
        PrintCommandFault(context, program.error());
        return RETURN_FAIL;
    }
    if (program->drawer) {
        PrintCommandFault(context, amiga::ERROR_OBJECT_WRONG_TYPE);
        return RETURN_FAIL;
    }
    const std::string programPath = amiga::NameFromLock(context.dos, *program);
    if (amiga::DosStatus made = amiga::CreateDrawerPathWithIcons(context.dos, kStartupDrawer);
        !made) {
        PrintCommandFault(context, made.error());
        return RETURN_FAIL;
    }
    amiga::DiskObject icon = StartupIcon(context, programPath);
    amiga::SetIconType(icon, amiga::WBPROJECT);
    icon.defaultTool = programPath;
    icon.currentX = amiga::NO_ICON_POSITION;
    icon.currentY = amiga::NO_ICON_POSITION;
    if (icon.stackSize < 8192) {
        icon.stackSize = 8192;
    }
    auto where = amiga::LockForCreate(context.dos, target + ".info");
    if (!where) {
        PrintCommandFault(context, where.error());
        return RETURN_FAIL;
    }
    auto written = amiga::WriteDiskObjectFile(where->hostPath(), icon);
    if (!written) {
        PrintCommandFault(context, amiga::IconErrorToDosError(written.error()));
        return RETURN_FAIL;
    }
    return RETURN_OK;
}

}  // namespace stovan::commands
