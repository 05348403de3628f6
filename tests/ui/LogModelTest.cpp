// The log pane's list: the severity filter, entries added and dropped while
// filtered, clearing, and the FATAL entry that asks for the pane.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/MessageIds.h"
#include "ui/LogModel.h"

namespace stovan::ui {
namespace {

std::vector<std::string> Rows(const LogModel& model) {
    std::vector<std::string> rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        rows.push_back(model.entryAt(row)->text);
    }
    return rows;
}

TEST(LogModel, SeverityFilterKeepsTheOrderOfTheLog) {
    Log log;
    log.ClearLog();                           // the banner (error level) and a separator
    log.AddLogEntry(msg::ProcessingAborted);  // 315: plain
    log.AddLogEntry(msg::SeverityWarning + 1, "x", 1, "y");  // 324: warning
    log.AddLogEntry(msg::SeverityFatal);                     // FATAL
    LogModel model(log);
    ASSERT_EQ(model.rowCount(), 5);
    struct Row {
        const char* name;
        MessageId filter;
        std::vector<int> kept;  // positions in the log
    };
    const Row rows[] = {
        {"errors: no warnings, banner and fatal stay", kSeverityError, {0, 4}},
        {"warnings: warnings, errors and fatal", kSeverityWarning, {0, 3, 4}},
        {"all again, in order", kSeverityInfo, {0, 1, 2, 3, 4}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        model.SetLogFilter(row.filter);
        std::vector<std::string> expected;
        for (int position : row.kept) {
            expected.push_back(log.entries()[static_cast<std::size_t>(position)].text);
        }
        EXPECT_EQ(Rows(model), expected);
    }
    EXPECT_EQ(model.data(model.index(3, 0)).toString(), QStringLiteral("WARNING"));
    EXPECT_TRUE(model.data(model.index(3, 0), Qt::ForegroundRole).isValid());
    EXPECT_EQ(model.data(model.index(4, 0)).toString(), QStringLiteral("FATAL"));
    EXPECT_EQ(SeverityCell(kSeverityWarning), "\033P[2]WARNING\033P[1]");
    EXPECT_EQ(SeverityCell(kSeverityFatal), "\033P[7]FATAL\033P[1]");
    EXPECT_EQ(SeverityCell(kSeverityInfo), " ");
}

TEST(LogModel, NewEntriesDroppedEntriesAndClear) {
    Log log;
    LogModel model(log);
    model.SetLogFilter(kSeverityWarning);
    int shows = 0;
    QObject::connect(&model, &LogModel::showRequested, [&] { ++shows; });
    log.AddLogEntry(msg::ProcessingAborted);  // filtered out
    EXPECT_EQ(model.rowCount(), 0);
    log.AddLogEntry(msg::SeverityFatal);  // shown, and the log asks to open
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(shows, 1);
    // Fill past the log's limit: the oldest leave, the rows follow.
    for (std::size_t i = 0; i < kMaxLogEntries; ++i) {
        log.AddLogEntry(i % 2 == 0 ? msg::SeverityWarning : msg::ProcessingAborted);
    }
    EXPECT_EQ(log.entries().size(), kMaxLogEntries);
    EXPECT_EQ(model.rowCount(), static_cast<int>(kMaxLogEntries / 2));
    for (int row = 0; row < model.rowCount(); row += 1000) {
        ASSERT_NE(model.entryAt(row), nullptr);
        EXPECT_EQ(model.entryAt(row)->severity, kSeverityWarning);
    }
    log.ClearLog();
    model.SetLogFilter(kSeverityInfo);
    EXPECT_EQ(model.rowCount(), 2);
    log.AddLogSeparator();
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.entryAt(2)->text, std::string(80, '-'));
}

}  // namespace
}  // namespace stovan::ui
