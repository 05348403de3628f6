#include "ui/ListColumns.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "core/MessageIds.h"
#include "core/Messages.h"
#include "engine/ItemTexts.h"
#include "platform/Latin1.h"
#include "scripts/Placeholders.h"

namespace stovan::ui {

namespace {

// The list's limits on what it shows of a text.
constexpr std::size_t kDescriptionCell = 62;
constexpr std::size_t kDirectoryCell = 254;

std::string Text(MessageId number) {
    return std::string(GetString(number));
}

// The column titles by column (State and Mode stand in list order, their
// messages the other way round).
constexpr std::array<MessageId, kListColumnCount> kTitles{
    msg::ColumnType,       msg::ColumnName,         msg::ColumnDescription,   msg::ColumnMode,
    msg::ColumnState,      msg::ColumnLocalVersion, msg::ColumnServerVersion, msg::ColumnLocalDate,
    msg::ColumnServerDate, msg::ColumnDirectory,    msg::ColumnSize};

// "{INSTALLDIR}" of the item; none when its drawer is fixed or the
// expansion fails.
std::optional<std::string> InstallDrawer(Engine& engine, const ApplicationItem& item) {
    if (item.HasFlags(INSTALLDIR_DISABLED)) {
        return std::nullopt;
    }
    auto expanded = ExpandText(engine, &item, "{INSTALLDIR}");
    if (!expanded) {
        return std::nullopt;
    }
    std::string drawer = std::move(*expanded);
    if (drawer.size() > kDirectoryCell) {
        drawer.resize(kDirectoryCell);
    }
    return drawer;
}

const std::string* Description(const ApplicationItem& item, std::span<const std::string> languages,
                               bool englishIsEnough) {
    LocalisedOptions options;
    options.englishIsEnough = englishIsEnough;
    return LocalisedEntry(item, ItemField::description, languages, options);
}

bool Contains(const std::string* field, const std::string& lowered) {
    return field != nullptr && amiga::ToLower(*field).find(lowered) != std::string::npos;
}

std::int64_t DateKey(const amiga::DateStamp& date) {
    return (std::int64_t{date.days} * 1440 + date.minute) * 3000 + date.tick;
}

// One item's sort key for the chosen column: a text (lowered), or numbers.
struct SortKey {
    std::string text;
    std::array<std::int64_t, 6> numbers{};
    ApplicationItem* item = nullptr;
};

int CompareKeys(const SortKey& a, const SortKey& b, bool textKey) {
    if (textKey) {
        const int order = a.text.compare(b.text);
        return order < 0 ? -1 : (order > 0 ? 1 : 0);
    }
    for (std::size_t i = 0; i < a.numbers.size(); ++i) {
        if (a.numbers[i] != b.numbers[i]) {
            return a.numbers[i] < b.numbers[i] ? -1 : 1;
        }
    }
    return 0;
}

}  // namespace

std::string SizeText(std::uint32_t bytes) {
    char buffer[32];
    if (bytes == 0) {
        return "-";
    }
    if (bytes > 1048576) {
        std::snprintf(buffer, sizeof buffer, "%lu MB", static_cast<unsigned long>(bytes / 1048576));
    } else if (bytes > 1024) {
        std::snprintf(buffer, sizeof buffer, "%lu KB", static_cast<unsigned long>(bytes / 1024));
    } else {
        std::snprintf(buffer, sizeof buffer, "%lu B", static_cast<unsigned long>(bytes));
    }
    return buffer;
}

std::string VersionCell(const VersionTriple& version) {
    std::string text;
    if (version.build != 0) {
        text = std::to_string(version.version) + "." + std::to_string(version.revision) + "." +
               std::to_string(version.build);
    } else if (version.version != 0 || version.revision != 0) {
        text = std::to_string(version.version) + "." + std::to_string(version.revision);
    } else {
        text = "-";
    }
    return "\033c" + text + "\033n";
}

std::string DateCell(const amiga::DateStamp& date) {
    return "\033c" + (date.days == 0 ? std::string("-") : DateText(date)) + "\033n";
}

std::string DescriptionCell(const ApplicationItem& item, std::span<const std::string> languages) {
    const std::string* description = Description(item, languages, false);
    if (description == nullptr || description->empty()) {
        return Text(msg::InfoNoDescription);
    }
    std::string line = description->substr(0, description->find('\n'));
    if (line.size() > kDescriptionCell) {
        line.resize(kDescriptionCell);
    }
    return line;
}

std::string ColumnTitle(int column, std::uint32_t stateFilter, int sortColumn, int sortDirection) {
    if (column < 0 || column >= kListColumnCount) {
        return {};
    }
    std::string title = column == ColumnState && stateFilter != 0 && stateFilter <= kItemStateCount
                            ? Text(msg::WordYes + stateFilter)
                            : Text(kTitles[static_cast<std::size_t>(column)]);
    if (column == sortColumn) {
        title += " \033I[6:3";
        title += sortDirection > 0 ? '8' : '9';
        title += "]\033n";
    }
    return title;
}

std::string ItemCell(Engine& engine, const ApplicationItem& item, int column,
                     std::uint32_t stateFilter, std::span<const std::string> languages) {
    switch (column) {
        case ColumnType:
            return Text(TypeLabel(item.type));
        case ColumnName:
            return item.displayText();
        case ColumnDescription:
            return DescriptionCell(item, languages);
        case ColumnMode:
            return Text(msg::ModeIgnore + static_cast<MessageId>(item.mode));
        case ColumnState: {
            if (stateFilter != 0) {
                return Text(msg::WordYes);
            }
            std::string state = Text(StateLabel(item.state));
            const bool highlight =
                item.state == ItemState::OUTDATED ||
                (item.state == ItemState::NOTINSTALLED && item.mode == ItemMode::INSTALL);
            return highlight ? "\033P[7]" + state + "\033P[1]" : state;
        }
        case ColumnLocalVersion:
            return VersionCell(item.installedVersion);
        case ColumnServerVersion:
            return VersionCell(item.serverVersion);
        case ColumnLocalDate:
            return DateCell(item.installedDate);
        case ColumnServerDate:
            return DateCell(item.serverDate);
        case ColumnDirectory:
            return InstallDrawer(engine, item).value_or("-\033n");
        case ColumnSize:
            return SizeText(item.archiveSize);
        default:
            return {};
    }
}

VisibilityTest::VisibilityTest(const ListFilters& filters, std::span<const std::string> languages)
    : filters_(filters), languages_(languages), loweredSearch_(amiga::ToLower(filters.search)) {}

bool VisibilityTest::operator()(const ApplicationItem& item) const {
    if (!loweredSearch_.empty()) {
        const bool found = Contains(&item.displayText(), loweredSearch_) ||
                           Contains(Description(item, languages_, false), loweredSearch_) ||
                           Contains(Description(item, languages_, true), loweredSearch_) ||
                           Contains(&item.appAuthor(), loweredSearch_);
        if (!found) {
            return false;
        }
    }
    const auto type = static_cast<std::uint32_t>(item.type);
    if (filters_.hideDatabases && filters_.typeFilter != kAppTypeCount &&
        item.type == AppType::STOVAN && !amiga::EqualsNoCase(item.name(), "Stovan")) {
        return false;
    }
    if (filters_.typeFilter != 0 && filters_.typeFilter != type + 1) {
        return false;
    }
    const auto state = static_cast<std::uint32_t>(item.state);
    if (filters_.stateFilter != 0 && filters_.stateFilter != state + 1 &&
        !(filters_.stateFilter == 3 && item.state == ItemState::OUTDATED)) {
        return false;
    }
    return filters_.modeFilter == 0 ||
           filters_.modeFilter == static_cast<std::uint32_t>(item.mode) + 1;
}

bool ItemVisible(const ApplicationItem& item, const ListFilters& filters,
                 std::span<const std::string> languages) {
    return VisibilityTest(filters, languages)(item);
}

std::vector<AppType> SortedTypes() {
    std::vector<AppType> types(kAppTypeCount);
    for (std::uint32_t i = 0; i < kAppTypeCount; ++i) {
        types[i] = static_cast<AppType>(i);
    }
    std::stable_sort(types.begin(), types.end(), [](AppType a, AppType b) {
        return amiga::CompareNoCase(GetString(TypeLabel(a)), GetString(TypeLabel(b))) < 0;
    });
    return types;
}

std::array<std::uint32_t, kAppTypeCount> SortedTypeRanks() {
    std::array<std::uint32_t, kAppTypeCount> ranks{};
    const std::vector<AppType> types = SortedTypes();
    for (std::uint32_t rank = 0; rank < types.size(); ++rank) {
        ranks[static_cast<std::size_t>(types[rank])] = rank;
    }
    return ranks;
}

void SortItems(Engine& engine, std::vector<ApplicationItem*>& items, int sortColumn,
               int sortDirection) {
    const int column = sortColumn >= 0 && sortColumn <= kSortByAge ? sortColumn : ColumnType;
    const bool textKey =
        column == ColumnName || column == ColumnDescription || column == ColumnDirectory;
    const std::array<std::uint32_t, kAppTypeCount> ranks = SortedTypeRanks();
    std::vector<SortKey> keys(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        ApplicationItem& item = *items[i];
        SortKey& key = keys[i];
        key.item = &item;
        switch (column) {
            case ColumnName:
                key.text = amiga::ToLower(item.displayText());
                break;
            case ColumnDescription:
                key.text = item.description().empty() ? std::string()
                                                      : amiga::ToLower(item.description().front());
                break;
            case ColumnDirectory: {
                // The fixed drawer of an item still sorts by its expansion.
                // One that cannot be expanded sorts as an empty text: "equal
                // to every other" would be no order at all, and a sort
                // given one may scramble the rows.
                auto expanded = ExpandText(engine, &item, "{INSTALLDIR}");
                if (expanded) {
                    key.text = amiga::ToLower(*expanded);
                }
                break;
            }
            case ColumnMode:
                key.numbers[0] = static_cast<std::int64_t>(item.mode);
                break;
            case ColumnState:
                key.numbers[0] = static_cast<std::int64_t>(item.state);
                break;
            case ColumnLocalVersion:
            case ColumnServerVersion: {
                const bool local = column == ColumnLocalVersion;
                const VersionTriple& v = local ? item.installedVersion : item.serverVersion;
                key.numbers = {v.version, v.revision,
                               v.build,   DateKey(local ? item.installedDate : item.serverDate),
                               0,         0};
                break;
            }
            case ColumnLocalDate:
                key.numbers[0] = DateKey(item.installedDate);
                break;
            case ColumnServerDate:
                key.numbers[0] = DateKey(item.serverDate);
                break;
            case ColumnSize:
                key.numbers[0] = item.archiveSize;
                break;
            case kSortByAge:
                // Later entries first.
                key.numbers[0] = -DateKey(item.entryDate);
                break;
            default:
                key.numbers[0] = ranks[static_cast<std::size_t>(item.type) % kAppTypeCount];
                break;
        }
    }
    const int direction = sortDirection < 0 ? -1 : 1;
    std::stable_sort(keys.begin(), keys.end(), [&](const SortKey& a, const SortKey& b) {
        return direction * CompareKeys(a, b, textKey) < 0;
    });
    for (std::size_t i = 0; i < keys.size(); ++i) {
        items[i] = keys[i].item;
    }
}

}  // namespace stovan::ui
