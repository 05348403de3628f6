#include "ui/ApplicationListModel.h"

#include <QFont>
#include <unordered_set>

#include "core/Log.h"
#include "core/MessageIds.h"
#include "core/Messages.h"
#include "prefs/Preferences.h"

namespace stovan::ui {

ApplicationListModel::ApplicationListModel(Engine& engine, std::vector<std::string> languages,
                                           QObject* parent)
    : QAbstractTableModel(parent), engine_(engine), languages_(std::move(languages)) {}

int ApplicationListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ApplicationListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kListColumnCount;
}

const StyledText& ApplicationListModel::Cell(const Row& row, int column) const {
    auto& cell = row.cells[static_cast<std::size_t>(column)];
    if (!cell) {
        cell = StyledTextFromEscapes(
            ItemCell(engine_, *row.item, column, filters_.stateFilter, languages_));
    }
    return *cell;
}

namespace {

QVariant StyledRole(const StyledText& text, int role) {
    switch (role) {
        case Qt::DisplayRole:
            return text.text;
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(text.centred
                                           ? Qt::Alignment(Qt::AlignCenter)
                                           : Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        case Qt::ForegroundRole:
            return text.colour ? QVariant(*text.colour) : QVariant();
        case Qt::FontRole:
            if (text.bold) {
                QFont font;
                font.setBold(true);
                return font;
            }
            return {};
        default:
            return {};
    }
}

}  // namespace

QVariant ApplicationListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()) ||
        index.column() >= kListColumnCount) {
        return {};
    }
    return StyledRole(Cell(rows_[static_cast<std::size_t>(index.row())], index.column()), role);
}

QVariant ApplicationListModel::headerData(int section, Qt::Orientation orientation,
                                          int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kListColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    const StyledText title = StyledTextFromEscapes(
        ColumnTitle(section, filters_.stateFilter, sortColumn_, sortDirection_));
    return StyledRole(title, role);
}

void ApplicationListModel::SetUp() {
    const Preferences& preferences = engine_.preferences();
    filters_.stateFilter =
        preferences.stateFilterPreset <= kItemStateCount ? preferences.stateFilterPreset : 0;
    filters_.modeFilter = preferences.modeFilterPreset <= 4 ? preferences.modeFilterPreset : 0;
    Rebuild();
}

ApplicationListModel::Snapshot ApplicationListModel::SnapshotOf(const ApplicationItem& item) {
    return Snapshot{item.mode,
                    item.state,
                    item.itemFlags() & ~ITEM_VISITED,
                    item.archiveSize,
                    item.installedVersion,
                    item.serverVersion,
                    item.installedDate,
                    item.serverDate,
                    item.installDir(),
                    item.displayText()};
}

void ApplicationListModel::CountState(ItemState state, int change) {
    if (state == ItemState::OUTDATED) {
        outdated_ = static_cast<std::uint32_t>(static_cast<int>(outdated_) + change);
    }
    if (state == ItemState::OUTDATED || state == ItemState::INSTALLED) {
        installed_ = static_cast<std::uint32_t>(static_cast<int>(installed_) + change);
    }
}

void ApplicationListModel::SetFilteredCount() {
    filtered_ = static_cast<std::uint32_t>(itemCount_ - std::min(itemCount_, rows_.size()));
    if (!busy_) {
        emit countersChanged();
    }
}

void ApplicationListModel::IndexRows(std::size_t from) {
    for (std::size_t i = from; i < rows_.size(); ++i) {
        rowIndex_[rows_[i].item] = i;
    }
}

void ApplicationListModel::Rebuild() {
    busy_ = true;
    // The preference can change while the window is open.
    filters_.hideDatabases = (engine_.preferences().flags2 & HIDE_STOVAN_DATABASES) != 0;
    beginResetModel();
    rows_.clear();
    rowIndex_.clear();
    snapshots_.clear();
    outdated_ = installed_ = 0;
    itemCount_ = 0;
    std::vector<ApplicationItem*> shown;
    const VisibilityTest visible(filters_, languages_);
    for (ApplicationItem& item : engine_.items()) {
        ++itemCount_;
        snapshots_.emplace(&item, SnapshotOf(item));
        CountState(item.state, +1);
        if (visible(item)) {
            shown.push_back(&item);
        }
    }
    SortItems(engine_, shown, sortColumn_, sortDirection_);
    rows_.reserve(shown.size());
    for (ApplicationItem* item : shown) {
        rows_.push_back(Row{item, {}});
    }
    IndexRows(0);
    endResetModel();
    busy_ = false;
    SetFilteredCount();
}

int ApplicationListModel::rowOf(const ApplicationItem* item) const {
    const auto found = rowIndex_.find(item);
    return found == rowIndex_.end() ? -1 : static_cast<int>(found->second);
}

ApplicationItem* ApplicationListModel::itemAt(int row) const {
    return row >= 0 && row < static_cast<int>(rows_.size())
               ? rows_[static_cast<std::size_t>(row)].item
               : nullptr;
}

void ApplicationListModel::Refilter(ApplicationItem& item) {
    // The counters follow the state the item had when it was last counted.
    if (auto seen = snapshots_.find(&item); seen != snapshots_.end()) {
        CountState(seen->second.state, -1);
        seen->second = SnapshotOf(item);
    } else {
        snapshots_.emplace(&item, SnapshotOf(item));
        ++itemCount_;
    }
    CountState(item.state, +1);
    const int row = rowOf(&item);
    const bool show = ItemVisible(item, filters_, languages_);
    if (show && row < 0) {
        const int last = static_cast<int>(rows_.size());
        beginInsertRows(QModelIndex(), last, last);
        rows_.push_back(Row{&item, {}});
        rowIndex_[&item] = rows_.size() - 1;
        endInsertRows();
    } else if (show) {
        rows_[static_cast<std::size_t>(row)].cells = {};
        emit dataChanged(index(row, 0), index(row, kListColumnCount - 1));
        TitlesChanged();
    } else if (row >= 0) {
        beginRemoveRows(QModelIndex(), row, row);
        rows_.erase(rows_.begin() + row);
        rowIndex_.erase(&item);
        IndexRows(static_cast<std::size_t>(row));
        endRemoveRows();
    }
    SetFilteredCount();
    emit itemChanged(&item);
}

void ApplicationListModel::Refresh() {
    // Items that are no longer in the list (a reload made them anew) must
    // not be touched again: rebuild from what the engine holds now.
    std::unordered_set<const ApplicationItem*> current;
    current.reserve(itemCount_);
    for (const ApplicationItem& item : engine_.items()) {
        current.insert(&item);
    }
    if (current.size() != snapshots_.size()) {
        Rebuild();
        return;
    }
    for (const auto& [item, snapshot] : snapshots_) {
        if (!current.contains(item)) {
            Rebuild();
            return;
        }
    }
    for (ApplicationItem& item : engine_.items()) {
        if (!(snapshots_.at(&item) == SnapshotOf(item))) {
            Refilter(item);
        }
    }
}

void ApplicationListModel::TitlesChanged() {
    emit headerDataChanged(Qt::Horizontal, 0, kListColumnCount - 1);
}

void ApplicationListModel::Sort() {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<ApplicationItem*> items;
    items.reserve(rows_.size());
    for (const Row& row : rows_) {
        items.push_back(row.item);
    }
    std::vector<Row> old = std::move(rows_);
    std::unordered_map<const ApplicationItem*, std::size_t> oldIndex = std::move(rowIndex_);
    SortItems(engine_, items, sortColumn_, sortDirection_);
    rows_.clear();
    rows_.reserve(items.size());
    rowIndex_.clear();
    for (ApplicationItem* item : items) {
        rows_.push_back(std::move(old[oldIndex.at(item)]));
    }
    IndexRows(0);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        const ApplicationItem* item = old[static_cast<std::size_t>(index.row())].item;
        after.push_back(this->index(static_cast<int>(rowIndex_.at(item)), index.column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    TitlesChanged();
}

void ApplicationListModel::TitleClicked(int column) {
    if (column < 0 || column >= kListColumnCount) {
        return;
    }
    if (column != sortColumn_) {
        sortColumn_ = column;
        sortDirection_ = 1;
    } else {
        sortDirection_ = -sortDirection_;
    }
    Sort();
}

void ApplicationListModel::SortBy(int column) {
    sortColumn_ = column >= 0 && column <= kSortByAge ? column : 0;
    sortDirection_ = -1;
    Rebuild();
}

void ApplicationListModel::SetStateFilter(std::uint32_t filter) {
    filters_.stateFilter = filter <= kItemStateCount ? filter : 0;
    Rebuild();
}

void ApplicationListModel::SetModeFilter(std::uint32_t filter) {
    filters_.modeFilter = filter <= 4 ? filter : 0;
    Rebuild();
}

void ApplicationListModel::SetTypeFilter(std::uint32_t filter) {
    filters_.typeFilter = filter <= kAppTypeCount ? filter : 0;
    Rebuild();
}

void ApplicationListModel::SetSearchText(const std::string& text) {
    filters_.search = text;
    Rebuild();
}

std::string ApplicationListModel::CounterText() const {
    const std::array<LogArgument, 3> arguments{LogArgument(outdated_), LogArgument(installed_),
                                               LogArgument(filtered_)};
    return FormatText(GetString(msg::StatusCounts), arguments, kMaxLogText).value_or("");
}

}  // namespace stovan::ui
