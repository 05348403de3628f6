#include "ui/LogModel.h"

#include <algorithm>

#include "core/Messages.h"
#include "ui/RichText.h"

namespace stovan::ui {

std::string SeverityCell(MessageId severity) {
    const std::string word(GetString(severity));
    if (severity == kSeverityInfo || severity == kSeverityError) {
        return word;
    }
    if (severity == kSeverityWarning) {
        return "\033P[2]" + word + "\033P[1]";
    }
    return "\033P[7]" + word + "\033P[1]";
}

LogModel::LogModel(Log& log, QObject* parent) : QAbstractTableModel(parent), log_(log) {
    RefreshLog();
    log_.setDisplay(this);
}

LogModel::~LogModel() {
    log_.setDisplay(nullptr);
}

int LogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int LogModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

const LogEntry* LogModel::entryAt(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size())) {
        return nullptr;
    }
    const std::uint64_t position = rows_[static_cast<std::size_t>(row)] - dropped_;
    return position < log_.entries().size() ? &log_.entries()[position] : nullptr;
}

QVariant LogModel::data(const QModelIndex& index, int role) const {
    const LogEntry* entry = index.isValid() ? entryAt(index.row()) : nullptr;
    if (entry == nullptr) {
        return {};
    }
    if (index.column() == 0) {
        const StyledText cell = StyledTextFromEscapes(SeverityCell(entry->severity));
        if (role == Qt::DisplayRole) {
            return cell.text;
        }
        if (role == Qt::ForegroundRole && cell.colour) {
            return *cell.colour;
        }
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        return StyledTextFromEscapes(entry->text).text;
    }
    return {};
}

QVariant LogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole &&
        (section == 0 || section == 1)) {
        return QString::fromLatin1(GetString(section == 0 ? msg::ColumnType : msg::ColumnMessage));
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

void LogModel::SetLogFilter(MessageId severity) {
    filter_ = severity;
    RefreshLog();
}

void LogModel::RefreshLog() {
    beginResetModel();
    rows_.clear();
    const auto& entries = log_.entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].severity >= filter_) {
            rows_.push_back(dropped_ + i);
        }
    }
    endResetModel();
}

void LogModel::entryAdded(const LogEntry& entry) {
    if (entry.severity < filter_ || log_.entries().empty()) {
        return;
    }
    const int row = static_cast<int>(rows_.size());
    beginInsertRows(QModelIndex(), row, row);
    rows_.push_back(dropped_ + log_.entries().size() - 1);
    endInsertRows();
    emit rowAppended(row);
}

void LogModel::oldestDropped(std::size_t count) {
    dropped_ += count;
    const auto firstKept = std::find_if(rows_.begin(), rows_.end(), [this](std::uint64_t position) {
        return position >= dropped_;
    });
    const auto gone = static_cast<int>(firstKept - rows_.begin());
    if (gone > 0) {
        beginRemoveRows(QModelIndex(), 0, gone - 1);
        rows_.erase(rows_.begin(), firstKept);
        endRemoveRows();
    }
}

void LogModel::cleared() {
    // The positions start again with the log.
    beginResetModel();
    rows_.clear();
    dropped_ = 0;
    endResetModel();
}

void LogModel::showLog() {
    emit showRequested();
}

}  // namespace stovan::ui
