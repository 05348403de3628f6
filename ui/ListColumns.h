#pragma once
// What the application list shows of an item and in which order: the texts
// of the eleven columns and their titles (with the display's escapes, as
// the list renders them), which items pass the filters and the search text,
// and the sort keys. No widget here: the model (ui/ApplicationListModel.h)
// puts these on the screen.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "database/Engine.h"
#include "database/Item.h"

namespace stovan::ui {

inline constexpr int kListColumnCount = 11;
// The sort key without a column: the entry's date, later first.
inline constexpr int kSortByAge = 11;

enum ListColumn : int {
    ColumnType = 0,
    ColumnName,
    ColumnDescription,
    ColumnMode,
    ColumnState,
    ColumnLocalVersion,
    ColumnServerVersion,
    ColumnLocalDate,
    ColumnServerDate,
    ColumnDirectory,
    ColumnSize,
};

// The view settings of the list. The filters hold 0 for "all", else the
// value + 1 (a state, a mode, an application type).
struct ListFilters {
    std::uint32_t stateFilter = 0;
    std::uint32_t modeFilter = 0;
    std::uint32_t typeFilter = 0;
    std::string search{};        // as typed; compared without regard to case
    bool hideDatabases = false;  // HIDE_STOVAN_DATABASES
};

// "%ld MB" above 1048576 bytes, "%ld KB" above 1024, else "%ld B"; "-" for 0.
std::string SizeText(std::uint32_t bytes);
// "\ec1.2.3\en" with a build, "\ec1.2\en" with a version or revision, else "\ec-\en".
std::string VersionCell(const VersionTriple& version);
// "\ec2024-03-01\en", "\ec-\en" for day 0.
std::string DateCell(const amiga::DateStamp& date);
// The first line of the description in the user's language, at most 62
// characters; "<no description>" without one.
std::string DescriptionCell(const ApplicationItem& item, std::span<const std::string> languages);

// The title of a column: its own, the state filter's name over the State
// column while one is set, with the sort arrow on the sort column.
std::string ColumnTitle(int column, std::uint32_t stateFilter, int sortColumn, int sortDirection);
// The text of one cell of the item's row.
std::string ItemCell(Engine& engine, const ApplicationItem& item, int column,
                     std::uint32_t stateFilter, std::span<const std::string> languages);

// Whether the item passes the search text and the filters.
bool ItemVisible(const ApplicationItem& item, const ListFilters& filters,
                 std::span<const std::string> languages);
// ItemVisible for many items: the search text is lowered once.
class VisibilityTest {
  public:
    VisibilityTest(const ListFilters& filters, std::span<const std::string> languages);
    bool operator()(const ApplicationItem& item) const;

  private:
    const ListFilters& filters_;
    std::span<const std::string> languages_;
    std::string loweredSearch_;
};

// The position of every application type when the types are ordered by
// their localised names without regard to case (index: the type).
std::array<std::uint32_t, kAppTypeCount> SortedTypeRanks();
// The twenty types in that order.
std::vector<AppType> SortedTypes();

// Orders items by a sort column and direction: the keys of all items are
// computed once (the install drawer is expanded once per item), then the
// items are sorted, items with equal keys staying in their order.
void SortItems(Engine& engine, std::vector<ApplicationItem*>& items, int sortColumn,
               int sortDirection);

}  // namespace stovan::ui
