#pragma once
// The application list: every item of the engine's list that passes the
// filters and the search text, one row each in eleven columns, in the
// chosen sort order, with the counters the status line shows. A change of
// one item redraws, adds or removes that item's row only; a rebuild (new
// filters, a reloaded database) is the one reset.

#include <QAbstractTableModel>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "database/Engine.h"
#include "ui/ListColumns.h"
#include "ui/RichText.h"

namespace stovan::ui {

class ApplicationListModel final : public QAbstractTableModel {
    Q_OBJECT

  public:
    ApplicationListModel(Engine& engine, std::vector<std::string> languages,
                         QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The filters from the preferences' presets, then Rebuild().
    void SetUp();
    // All rows anew from the engine's items in load order, sorted; counters
    // counted again. The only reset of the model.
    void Rebuild();
    // One item re-evaluated: its row redrawn, appended (as the last row) or
    // removed; the counters follow.
    void Refilter(ApplicationItem& item);
    // After the engine changed items without saying which: every item
    // whose shown values changed is re-filtered, the others are left
    // alone. A list whose items were replaced (a reload) is rebuilt.
    void Refresh();

    // A click on a column title: another column sorts ascending, the same
    // column again reverses the order.
    void TitleClicked(int column);
    // The context menu's "Sort by": that key, descending.
    void SortBy(int column);
    int sortColumn() const { return sortColumn_; }
    int sortDirection() const { return sortDirection_; }

    void SetStateFilter(std::uint32_t filter);
    void SetModeFilter(std::uint32_t filter);
    void SetTypeFilter(std::uint32_t filter);
    // The search bar's text (ISO-8859-1); the list is rebuilt.
    void SetSearchText(const std::string& text);
    const ListFilters& filters() const { return filters_; }

    std::uint32_t outdatedCount() const { return outdated_; }
    std::uint32_t installedCount() const { return installed_; }
    std::uint32_t filteredCount() const { return filtered_; }
    bool busy() const { return busy_; }
    // Message 408 with the three counters.
    std::string CounterText() const;

    ApplicationItem* itemAt(int row) const;
    // The row of an item; -1 when it is not shown.
    int rowOf(const ApplicationItem* item) const;
    Engine& engine() { return engine_; }
    const std::vector<std::string>& languages() const { return languages_; }

  signals:
    // The counters changed (not sent while the list is being rebuilt).
    void countersChanged();
    // An item was re-filtered: the window refreshes the active item's controls.
    void itemChanged(stovan::ApplicationItem* item);

  private:
    // What a row shows that can change while the item lives.
    struct Snapshot {
        ItemMode mode{};
        ItemState state{};
        std::uint32_t flags = 0;
        std::uint32_t archiveSize = 0;
        VersionTriple installed, server;
        amiga::DateStamp installedDate, serverDate;
        std::string installDir;
        std::string displayText;
        bool operator==(const Snapshot&) const = default;
    };
    struct Row {
        ApplicationItem* item = nullptr;
        mutable std::array<std::optional<StyledText>, kListColumnCount> cells{};
    };
    static Snapshot SnapshotOf(const ApplicationItem& item);
    const StyledText& Cell(const Row& row, int column) const;
    void CountState(ItemState state, int change);
    void SetFilteredCount();
    void IndexRows(std::size_t from);
    void Sort();
    void TitlesChanged();

    Engine& engine_;
    std::vector<std::string> languages_;
    ListFilters filters_;
    int sortColumn_ = 0;
    int sortDirection_ = 1;
    std::vector<Row> rows_;
    std::unordered_map<const ApplicationItem*, std::size_t> rowIndex_;
    std::unordered_map<const ApplicationItem*, Snapshot> snapshots_;
    std::size_t itemCount_ = 0;
    std::uint32_t outdated_ = 0;
    std::uint32_t installed_ = 0;
    std::uint32_t filtered_ = 0;
    bool busy_ = false;
};

}  // namespace stovan::ui
