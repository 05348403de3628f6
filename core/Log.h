#pragma once
// The log: the program's running record of what it did, one entry per event,
// each with a severity derived from the number of the message logged. The
// log keeps its entries and hands each new one to its display (the log pane
// of the main window); a FATAL entry can make the display show the log.
//
// A Log is used from one thread (the main process); workers pass their lines
// to it through the event loop.

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "core/MessageIds.h"
#include "core/Status.h"

namespace stovan {

// The severities, themselves message numbers whose texts are the severity
// words: 301 " ", 323 "WARNING", 325 " ", 327 "FATAL". A log view showing
// "at least" a severity shows the entries whose severity is not smaller.
inline constexpr MessageId kSeverityInfo = msg::SeverityInfo;        // 301
inline constexpr MessageId kSeverityWarning = msg::SeverityWarning;  // 323
inline constexpr MessageId kSeverityError = msg::SeverityError;      // 325
inline constexpr MessageId kSeverityFatal = msg::SeverityFatal;      // 327

// The severity of an entry logging message number: 327 and above FATAL, 325
// and 326 the error level, 323 and 324 WARNING, anything below plain.
constexpr MessageId SeverityOf(MessageId number) {
    if (number >= kSeverityFatal) {
        return kSeverityFatal;
    }
    if (number >= kSeverityError) {
        return kSeverityError;
    }
    if (number >= kSeverityWarning) {
        return kSeverityWarning;
    }
    return kSeverityInfo;
}

// A formatted log text is cut to this many bytes (a 512-byte buffer with its NUL).
inline constexpr std::size_t kMaxLogText = 511;

// The log keeps at most this many entries; beyond it the oldest are dropped.
inline constexpr std::size_t kMaxLogEntries = 20000;

// One argument for a message's placeholders: a number ("%ld") or a text
// ("%s"). A text is held as a view: the argument is made for one call.
class LogArgument {
  public:
    template <std::integral T>
    LogArgument(T number) : value_(static_cast<std::int64_t>(number)) {}      // NOLINT: implicit
    LogArgument(std::string_view text) : value_(text) {}                      // NOLINT: implicit
    LogArgument(const char* text) : value_(std::string_view(text)) {}         // NOLINT: implicit
    LogArgument(const std::string& text) : value_(std::string_view(text)) {}  // NOLINT: implicit

    const std::variant<std::int64_t, std::string_view>& value() const { return value_; }

  private:
    std::variant<std::int64_t, std::string_view> value_;
};

// Formats a message text with printf-style placeholders ("%s", "%ld", "%lu",
// widths and the like) and cuts the result to maxLength bytes. A format that
// does not fit its arguments (a wrong placeholder in a translation, or too
// few arguments) gives nothing.
std::optional<std::string> FormatText(std::string_view format,
                                      std::span<const LogArgument> arguments,
                                      std::size_t maxLength);

struct LogEntry {
    MessageId severity = kSeverityInfo;  // 301, 323, 325 or 327
    std::string text;                    // the formatted text
};

// What the log shows itself on. Every operation has a default doing nothing.
class LogDisplay {
  public:
    virtual ~LogDisplay() = default;
    // A new entry was appended at the bottom; show the new last line.
    virtual void entryAdded(const LogEntry& /*entry*/) {}
    // The oldest entries were dropped to keep the log within kMaxLogEntries.
    virtual void oldestDropped(std::size_t /*count*/) {}
    // All entries were removed.
    virtual void cleared() {}
    // Make the log visible (select the Log toggle).
    virtual void showLog() {}
};

// The two preferences that decide whether a FATAL entry opens the log.
class LogSettings {
  public:
    virtual ~LogSettings() = default;
    virtual bool logOnDatabaseError() const = 0;      // LOG_ON_DATABASE_ERROR
    virtual bool logOnDataDownloadError() const = 0;  // LOG_ON_DATA_DOWNLOAD_ERROR
};

class Log {
  public:
    // Without settings the preferences' defaults hold: the log opens on
    // database errors and not on download errors.
    explicit Log(LogDisplay* display = nullptr, const LogSettings* settings = nullptr)
        : display_(display), settings_(settings) {}

    void setDisplay(LogDisplay* display) { display_ = display; }
    void setSettings(const LogSettings* settings) { settings_ = settings; }

    // Logs message number: with no arguments its text as it is, otherwise
    // its text formatted with up to four arguments (cut to kMaxLogText). When
    // the text in use (a translation) does not fit the arguments, the English
    // text is formatted instead. Out of memory, the entry is dropped.
    template <typename... Arguments>
    void AddLogEntry(MessageId number, const Arguments&... arguments) {
        static_assert(sizeof...(Arguments) <= 4, "a log entry takes at most four arguments");
        const std::array<LogArgument, sizeof...(Arguments)> packed{LogArgument(arguments)...};
        addEntry(number, packed);
    }
    void addEntry(MessageId number, std::span<const LogArgument> arguments);

    // Appends a line of 80 '-' with the plain severity.
    void AddLogSeparator();

    // Removes all entries, then adds the banner (message 326 with the program
    // version and revision) and a separator.
    void ClearLog();

    const std::deque<LogEntry>& entries() const { return entries_; }

  private:
    void append(MessageId severity, std::string text);
    bool opensLog(MessageId number) const;

    std::deque<LogEntry> entries_;
    LogDisplay* display_;
    const LogSettings* settings_;
};

}  // namespace stovan
