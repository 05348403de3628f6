#pragma once
// The application list's column format as the preferences keep it in
// listFormat: one entry per shown position, left to right, separated by
// ",", each "BAR COL=<column> W=<width in pixels>" ("BAR" alone keeps the
// column of that position at its default width). A text that does not
// hold both "BAR" and "10" is replaced by eleven plain "BAR" entries.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QHeaderView;

namespace stovan::ui {

inline constexpr std::string_view kDefaultColumnFormat =
    "BAR,BAR,BAR,BAR,BAR,BAR,BAR,BAR,BAR,BAR,BAR";

// One shown position: the model column there and its width (0: default).
struct ColumnPlace {
    int column = 0;
    int width = 0;
    bool operator==(const ColumnPlace&) const = default;
};

// The places of a format for a list of `columns` columns; none when the
// format does not describe each column exactly once with sane widths.
std::optional<std::vector<ColumnPlace>> ParseColumnFormat(std::string_view format, int columns);
std::string FormatColumns(const std::vector<ColumnPlace>& places);

// The header's order and widths as a format, and back. Applying a format
// that cannot be read leaves the header in its default order.
std::string ColumnFormatText(const QHeaderView& header);
void ApplyColumnFormat(QHeaderView& header, std::string_view format);

}  // namespace stovan::ui
