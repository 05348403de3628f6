#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Log.h"
#include "core/Messages.h"
#include "platform/Catalog.h"

namespace stovan {
namespace {

// Records what the log tells its display.
class RecordingDisplay : public LogDisplay {
  public:
    void entryAdded(const LogEntry& entry) override { added.push_back(entry); }
    void oldestDropped(std::size_t count) override { dropped += count; }
    void cleared() override { ++clears; }
    void showLog() override { ++shows; }

    std::vector<LogEntry> added;
    std::size_t dropped = 0;
    int clears = 0;
    int shows = 0;
};

class Bits : public LogSettings {
  public:
    Bits(bool database, bool download) : database_(database), download_(download) {}
    bool logOnDatabaseError() const override { return database_; }
    bool logOnDataDownloadError() const override { return download_; }

  private:
    bool database_;
    bool download_;
};

TEST(Log, FatalEntriesOpenTheLogAsThePreferencesSay) {
    // Without settings the defaults hold: LOG_ON_DATABASE_ERROR on,
    // LOG_ON_DATA_DOWNLOAD_ERROR off.
    struct Row {
        const char* name;
        MessageId number;
        std::optional<Bits> bits;
        bool opens;
    } const rows[] = {
        {"parse warning never", msg::ParseWarning, Bits(true, true), false},
        {"informative never", msg::ProcessingAborted, Bits(true, true), false},
        {"parse error, bit on", msg::ParseError, Bits(true, false), true},
        {"parse error, bit off", msg::ParseError, Bits(false, true), false},
        {"parse error, default", msg::ParseError, std::nullopt, true},
        {"no proxy, download bit on", msg::NoProxy, Bits(false, true), true},
        {"no proxy, download bit off", msg::NoProxy, Bits(true, false), false},
        {"download error, default", msg::UnknownHost, std::nullopt, false},
        {"corrupted file just below", msg::FileCorrupted, Bits(false, false), true},
        {"install failed just above", msg::InstallFailed, Bits(false, false), true},
        {"memory always", msg::NotEnoughMemory, Bits(false, false), true},
        {"validation error always", msg::UnknownCommand, Bits(false, false), true},
        {"progress text always", msg::StatusCounts, Bits(false, false), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RecordingDisplay display;
        Log log(&display, row.bits ? &*row.bits : nullptr);
        if (row.number == msg::ParseError || row.number == msg::ParseWarning) {
            log.AddLogEntry(row.number, "Apps.db", 12, "Unknown or misplaced command!");
        } else {
            log.AddLogEntry(row.number);
        }
        EXPECT_EQ(display.shows, row.opens ? 1 : 0);
        ASSERT_EQ(display.added.size(), 1u);
    }
}

TEST(Log, FormattingWithNumbersAndTexts) {
    // The one entry's text; arguments that do not fit the format give the bare text.
    const auto text = [](MessageId number, const std::vector<LogArgument>& arguments) {
        Log log;
        log.addEntry(number, arguments);
        return log.entries().size() == 1 ? std::string(log.entries()[0].text) : "<entries>";
    };
    const std::string owned = "Owned";
    EXPECT_EQ(text(msg::PrefsSecondsFormat, {}), "%ld seconds");
    EXPECT_EQ(text(msg::PrefsSecondsFormat, {30}), "30 seconds");
    EXPECT_EQ(text(msg::PrefsNumberFormat, {-5}), "-5");
    EXPECT_EQ(text(msg::PrefsNumberFormat, {4294967295u}), "4294967295");
    EXPECT_EQ(text(msg::VersionTwoPartIs, {1, 2, "A", "new"}), "Version 1.2 of 'A' is new.");
    EXPECT_EQ(text(msg::LoadingDatabase, {owned}), "Loading database 'Owned'.");
    EXPECT_EQ(text(msg::ColumnLocalVersion, {}), "\033cLocal\033n");
    EXPECT_EQ(text(msg::VersionTwoPartIs, {1}), "Version %ld.%ld of '%s' is %s.");
    EXPECT_EQ(text(msg::PrefsSecondsFormat, {"ten"}), "%ld seconds");
    EXPECT_EQ(text(msg::LoadingDatabase, {12}), "Loading database '%s'.");
    EXPECT_EQ(text(9999, {}), "");
}

TEST(Log, SeparatorAndClear) {
    RecordingDisplay display;
    Log log(&display);
    log.AddLogEntry(msg::SavingConfiguration);
    log.AddLogSeparator();
    ASSERT_EQ(log.entries().size(), 2u);
    EXPECT_EQ(log.entries()[1].text, std::string(80, '-'));
    EXPECT_EQ(log.entries()[1].severity, kSeverityInfo);

    log.ClearLog();
    EXPECT_EQ(display.clears, 1);
    ASSERT_EQ(log.entries().size(), 2u);
    const std::string banner = std::string(log.entries()[0].text);
    EXPECT_TRUE(banner.starts_with("Stovan V2.18")) << banner;
    EXPECT_EQ(banner.find('%'), std::string::npos);
    EXPECT_EQ(log.entries()[0].severity, kSeverityError);
    EXPECT_EQ(log.entries()[1].text, std::string(80, '-'));
    EXPECT_EQ(display.shows, 0);
    ASSERT_EQ(display.added.size(), 4u);
    EXPECT_EQ(display.added[2].text, banner);
}

TEST(Log, OldestEntriesGoBeyondTheLimit) {
    RecordingDisplay display;
    Log log(&display);
    for (std::size_t i = 0; i < kMaxLogEntries + 3; ++i) {
        log.AddLogEntry(msg::PrefsNumberFormat, static_cast<long>(i));
    }
    EXPECT_EQ(log.entries().size(), kMaxLogEntries);
    EXPECT_EQ(display.dropped, 3u);
    EXPECT_EQ(log.entries().front().text, "3");
    EXPECT_EQ(log.entries().back().text, std::to_string(kMaxLogEntries + 2));
}

TEST(Log, HugeFieldWidthsInAFormatCostNoMemory) {
    const auto format = [](const char* text, const std::vector<LogArgument>& arguments) {
        return FormatText(text, arguments, kMaxLogText);
    };
    const std::string spaces(511, ' ');
    EXPECT_EQ(format("%2000000000ld", {7}), spaces);
    EXPECT_EQ(format("%-999999999s|", {"a"}), "a" + spaces.substr(1));
    EXPECT_EQ(format("%.999999999ld", {7}), std::string(511, '0'));
    EXPECT_EQ(format("%99999999999999999999999s", {"a"}), spaces);
    EXPECT_EQ(format("%*s", {5, "a"}), std::nullopt);
    EXPECT_EQ(format("100%% %ld%%600", {3}), "100% 3%600");
    EXPECT_EQ(format("%5ld|%-3s|%05ld", {42, "a", 7}), "   42|a  |00007");
    EXPECT_EQ(format("%", {}), std::nullopt);
    EXPECT_EQ(format("%ld", {}), std::nullopt);
}

}  // namespace
}  // namespace stovan
