#pragma once
// The log pane's list: the log's entries (core/Log.h) in two columns,
// severity and text, showing those at least as severe as the filter. The
// model is the log's display: new entries appear as the last row, dropped
// ones leave from the top, and a FATAL entry that opens the log asks the
// window to show the pane.

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "core/Log.h"

namespace stovan::ui {

// The severity cell with its pen: "\033P[2]WARNING\033P[1]" for warnings,
// pen 7 for FATAL and anything else above the error level, plain below.
std::string SeverityCell(MessageId severity);

class LogModel final : public QAbstractTableModel, public LogDisplay {
    Q_OBJECT

  public:
    // Shows the log's present entries and becomes its display.
    explicit LogModel(Log& log, QObject* parent = nullptr);
    ~LogModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The lowest severity shown: kSeverityInfo (all), kSeverityWarning,
    // kSeverityError. The rows are made anew in the order of the log.
    void SetLogFilter(MessageId severity);
    MessageId filter() const { return filter_; }
    void RefreshLog();
    // The log entry of a row (null outside the rows).
    const LogEntry* entryAt(int row) const;

    // --- LogDisplay ------------------------------------------------------------
    void entryAdded(const LogEntry& entry) override;
    void oldestDropped(std::size_t count) override;
    void cleared() override;
    void showLog() override;

  signals:
    // A FATAL entry asks for the log to be shown.
    void showRequested();
    // A row was appended (the view scrolls to it).
    void rowAppended(int row);

  private:
    Log& log_;
    MessageId filter_ = kSeverityInfo;
    // Rows: positions in the log counted from its first entry ever, so
    // that dropping the oldest entries does not move the others.
    std::vector<std::uint64_t> rows_;
    std::uint64_t dropped_ = 0;
};

}  // namespace stovan::ui
