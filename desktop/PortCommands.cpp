#include "desktop/PortCommands.h"

#include <array>
#include <span>

#include "core/MessageIds.h"
#include "core/Messages.h"
#include "platform/AmigaPath.h"
#include "platform/Latin1.h"

namespace stovan {

namespace {

constexpr PortKeyword kGaugeKeywords[] = {
    {"PROCESSING", msg::ProgressProcessing, 3},
    {"INSTALLING", msg::ProgressInstalling, 1},
    {"UNINSTALLING", msg::ProgressUninstalling, 1},
    {"WAITINGFORUSER", msg::ProgressWaitingForUser, 0},
    {"EXTRACTING", msg::ProgressExtracting, 3},
    {"BACKUP", msg::ProgressBackup, 1},
};

constexpr PortKeyword kLogKeywords[] = {
    {"BACKUP", msg::CreatingBackup, 3},
    {"BACKUPDONE", msg::BackupDone, 1},
};

std::string Format(MessageId number, std::span<const LogArgument> arguments, std::size_t limit) {
    auto text = FormatText(GetString(number), arguments, limit);
    if (!text) {
        // A translation that does not fit its arguments.
        text = FormatText(EnglishString(number), arguments, limit);
    }
    return text.value_or(std::string());
}

// The last part of a URL: what follows its last "/" (the whole URL when
// it has none).
std::string_view UrlFilePart(std::string_view url) {
    const std::size_t slash = url.rfind('/');
    return slash == std::string_view::npos ? url : url.substr(slash + 1);
}

}  // namespace

const PortKeyword& GaugeKeyword(std::string_view keyword) {
    for (const PortKeyword& row : kGaugeKeywords) {
        if (amiga::EqualsNoCase(row.keyword, keyword)) {
            return row;
        }
    }
    return kGaugeKeywords[1];
}

const PortKeyword* LogKeyword(std::string_view keyword) {
    for (const PortKeyword& row : kLogKeywords) {
        if (amiga::EqualsNoCase(row.keyword, keyword)) {
            return &row;
        }
    }
    return nullptr;
}

amiga::PortReply HandlePortCommand(const amiga::PortMessage& message, PortCommandTargets& targets) {
    const std::array<LogArgument, 3> arguments{
        LogArgument(message.text2), LogArgument(message.number1), LogArgument(message.number2)};
    switch (message.command) {
        case amiga::PORT_DOWNLOAD: {
            const Status result = targets.download ? targets.download(message.text1, message.text2)
                                                   : Status(msg::CannotConnect);
            if (result.ok()) {
                return {0, {}};
            }
            const std::array<LogArgument, 1> name{LogArgument(UrlFilePart(message.text1))};
            return {static_cast<std::int32_t>(result.message()),
                    Format(result.message(), name, amiga::kPortReplyTextMax)};
        }
        case amiga::PORT_GAUGE: {
            const PortKeyword& row = GaugeKeyword(message.text1);
            const auto used = std::span<const LogArgument>(arguments).first(
                static_cast<std::size_t>(row.arguments));
            targets.frontend.ShowProgress(Format(row.message, used, kMaxLogText));
            if (row.arguments == 3) {
                targets.frontend.SetGauge(
                    message.number1 < 0 ? 0 : static_cast<std::uint32_t>(message.number1),
                    message.number2 < 0 ? 0 : static_cast<std::uint32_t>(message.number2));
            }
            return {0, {}};
        }
        case amiga::PORT_LOG: {
            if (const PortKeyword* row = LogKeyword(message.text1)) {
                targets.log.addEntry(row->message, std::span<const LogArgument>(arguments).first(
                                                       static_cast<std::size_t>(row->arguments)));
            }
            return {0, {}};
        }
        default:
            return {0, {}};
    }
}

}  // namespace stovan
