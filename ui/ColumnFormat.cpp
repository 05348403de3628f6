#include "ui/ColumnFormat.h"

#include <QHeaderView>
#include <charconv>

namespace stovan::ui {

namespace {

// The longest width taken from the file; a wider column is a damaged text.
constexpr int kMaxColumnWidth = 10000;

std::optional<int> Number(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<std::vector<ColumnPlace>> ParseColumnFormat(std::string_view format, int columns) {
    if (format.find("BAR") == std::string_view::npos ||
        format.find("10") == std::string_view::npos) {
        format = kDefaultColumnFormat;
    }
    std::vector<ColumnPlace> places;
    std::vector<bool> seen(static_cast<std::size_t>(columns > 0 ? columns : 0), false);
    std::size_t start = 0;
    while (start <= format.size()) {
        const std::size_t comma = std::min(format.find(',', start), format.size());
        const std::string_view entry = format.substr(start, comma - start);
        start = comma + 1;
        ColumnPlace place{static_cast<int>(places.size()), 0};
        std::size_t at = 0;
        while (at < entry.size()) {
            const std::size_t space = std::min(entry.find(' ', at), entry.size());
            const std::string_view token = entry.substr(at, space - at);
            at = space + 1;
            if (token.starts_with("COL=")) {
                auto value = Number(token.substr(4));
                if (!value) {
                    return std::nullopt;
                }
                place.column = *value;
            } else if (token.starts_with("W=")) {
                auto value = Number(token.substr(2));
                if (!value || *value < 0 || *value > kMaxColumnWidth) {
                    return std::nullopt;
                }
                place.width = *value;
            }
        }
        if (place.column < 0 || place.column >= columns ||
            seen[static_cast<std::size_t>(place.column)]) {
            return std::nullopt;
        }
        seen[static_cast<std::size_t>(place.column)] = true;
        places.push_back(place);
    }
    if (static_cast<int>(places.size()) != columns) {
        return std::nullopt;
    }
    return places;
}

std::string FormatColumns(const std::vector<ColumnPlace>& places) {
    std::string text;
    for (const ColumnPlace& place : places) {
        if (!text.empty()) {
            text += ',';
        }
        text += "BAR COL=" + std::to_string(place.column) + " W=" + std::to_string(place.width);
    }
    return text;
}

std::string ColumnFormatText(const QHeaderView& header) {
    std::vector<ColumnPlace> places;
    for (int visual = 0; visual < header.count(); ++visual) {
        const int column = header.logicalIndex(visual);
        places.push_back({column, header.sectionSize(column)});
    }
    return FormatColumns(places);
}

void ApplyColumnFormat(QHeaderView& header, std::string_view format) {
    const auto places = ParseColumnFormat(format, header.count());
    if (!places) {
        return;
    }
    for (int visual = 0; visual < static_cast<int>(places->size()); ++visual) {
        const ColumnPlace& place = (*places)[static_cast<std::size_t>(visual)];
        header.moveSection(header.visualIndex(place.column), visual);
        if (place.width > 0) {
            header.resizeSection(place.column, place.width);
        }
    }
}

}  // namespace stovan::ui
