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
    // How often adding the entry opened the log. Without settings the defaults
    // hold: LOG_ON_DATABASE_ERROR on, LOG_ON_DATA_DOWNLOAD_ERROR off.
    const auto shows = [](MessageId number, std::optional<Bits> bits) {
        RecordingDisplay display;
        Log log(&display, bits ? &*bits : nullptr);
        if (number == msg::ParseError || number == msg::ParseWarning) {
            log.AddLogEntry(number, "Apps.db", 12, "Unknown or misplaced command!");
        } else {
            log.AddLogEntry(number);
        }
        EXPECT_EQ(display.added.size(), 1u);
        return display.shows;
    };
    const Bits both(true, true), database(true, false), download(false, true), none(false, false);
    EXPECT_EQ(shows(msg::ParseWarning, both), 0);
    EXPECT_EQ(shows(msg::ProcessingAborted, both), 0);  // informative
    EXPECT_EQ(shows(msg::ParseError, database), 1);
    EXPECT_EQ(shows(msg::ParseError, download), 0);
    EXPECT_EQ(shows(msg::ParseError, std::nullopt), 1);
    EXPECT_EQ(shows(msg::NoProxy, download), 1);
    EXPECT_EQ(shows(msg::NoProxy, database), 0);
    EXPECT_EQ(shows(msg::UnknownHost, std::nullopt), 0);
    // Always: the errors just below and just above the download errors, memory,
    // validation errors, progress texts.
    EXPECT_EQ(shows(msg::FileCorrupted, none), 1);
    EXPECT_EQ(shows(msg::InstallFailed, none), 1);
    EXPECT_EQ(shows(msg::NotEnoughMemory, none), 1);
    EXPECT_EQ(shows(msg::UnknownCommand, none), 1);
    EXPECT_EQ(shows(msg::StatusCounts, none), 1);
}

TEST(Log, FormattingWithNumbersAndTexts) {
    // The one entry's text; arguments that do not fit the format give the bare text.
    const auto text = [](MessageId number, const std::vector<LogArgument>& arguments) {
        Log log;
        log.addEntry(number, arguments);
        return log.entries().size() == 1 ? std::string(log.entries()[0].text) : "<entries>";
    };
    const std::string owned = "Owned";
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
