#include "core/Log.h"

#include <fmt/args.h>
#include <fmt/printf.h>

#include <new>

#include "core/Messages.h"

namespace stovan {

namespace {

constexpr std::size_t kSeparatorLength = 80;

// Which preference lets a FATAL message open the log; kAlways for the rest.
enum class OpenRule { kAlways, kOnDatabaseError, kOnDataDownloadError };

OpenRule OpenRuleOf(MessageId number) {
    if (number == msg::ParseError) {
        return OpenRule::kOnDatabaseError;
    }
    if (number >= msg::NoProxy && number <= msg::CannotFind) {
        return OpenRule::kOnDataDownloadError;  // the network errors 343 to 350
    }
    return OpenRule::kAlways;
}

}  // namespace

std::optional<std::string> FormatText(std::string_view format,
                                      std::span<const LogArgument> arguments,
                                      std::size_t maxLength) {
    fmt::dynamic_format_arg_store<fmt::printf_context> store;
    store.reserve(arguments.size(), 0);
    for (const LogArgument& argument : arguments) {
        if (const auto* number = std::get_if<std::int64_t>(&argument.value())) {
            store.push_back(*number);
        } else {
            // No more than maxLength bytes of any text can reach the result,
            // so a huge argument costs no more than a short one.
            store.push_back(std::get<std::string_view>(argument.value()).substr(0, maxLength));
        }
    }
    try {
        std::string text = fmt::vsprintf(fmt::string_view(format.data(), format.size()),
                                         fmt::basic_format_args<fmt::printf_context>(store));
        if (text.size() > maxLength) {
            text.resize(maxLength);
        }
        return text;
    } catch (const fmt::format_error&) {
        return std::nullopt;
    }
}

void Log::addEntry(MessageId number, std::span<const LogArgument> arguments) {
    try {
        std::string text;
        if (arguments.empty()) {
            text = std::string(GetString(number));
        } else {
            auto formatted = FormatText(GetString(number), arguments, kMaxLogText);
            if (!formatted) {
                formatted = FormatText(EnglishString(number), arguments, kMaxLogText);
            }
            text = formatted ? std::move(*formatted)
                             : std::string(GetString(number).substr(0, kMaxLogText));
        }
        append(SeverityOf(number), std::move(text));
    } catch (const std::bad_alloc&) {
        return;  // the entry is dropped without a message
    }
    if (SeverityOf(number) == kSeverityFatal && opensLog(number) && display_ != nullptr) {
        display_->showLog();
    }
}

bool Log::opensLog(MessageId number) const {
    switch (OpenRuleOf(number)) {
        case OpenRule::kOnDatabaseError:
            return settings_ == nullptr || settings_->logOnDatabaseError();
        case OpenRule::kOnDataDownloadError:
            return settings_ != nullptr && settings_->logOnDataDownloadError();
        case OpenRule::kAlways:
            break;
    }
    return true;
}

void Log::AddLogSeparator() {
    try {
        append(kSeverityInfo, std::string(kSeparatorLength, '-'));
    } catch (const std::bad_alloc&) {
    }
}

void Log::ClearLog() {
    entries_.clear();
    if (display_ != nullptr) {
        display_->cleared();
    }
    AddLogEntry(msg::LogBanner, kProgramVersion, kProgramRevision);
    AddLogSeparator();
}

void Log::append(MessageId severity, std::string text) {
    if (entries_.size() >= kMaxLogEntries) {
        const std::size_t drop = entries_.size() - kMaxLogEntries + 1;
        entries_.erase(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(drop));
        if (display_ != nullptr) {
            display_->oldestDropped(drop);
        }
    }
    entries_.push_back(LogEntry{severity, std::move(text)});
    if (display_ != nullptr) {
        display_->entryAdded(entries_.back());
    }
}

}  // namespace stovan
