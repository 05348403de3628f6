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
    // The texts of the log at these positions.
    auto texts = [&log](std::initializer_list<std::size_t> positions) {
        std::vector<std::string> result;
        for (std::size_t position : positions) {
            result.push_back(log.entries()[position].text);
        }
        return result;
    };
    model.SetLogFilter(kSeverityError);  // no warnings; the banner and the fatal stay
    EXPECT_EQ(Rows(model), texts({0, 4}));
    model.SetLogFilter(kSeverityWarning);
    EXPECT_EQ(Rows(model), texts({0, 3, 4}));
    model.SetLogFilter(kSeverityInfo);  // all again, in order
    EXPECT_EQ(Rows(model), texts({0, 1, 2, 3, 4}));
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
