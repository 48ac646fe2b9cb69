#include "print/print_layout.h"

#include <algorithm>
#include <cerrno>

#include "grid/text_to_integer.h"
#include "port/code_page.h"

namespace parvex {
namespace {

std::vector<PrintColumn> ColumnsOf(const Grid& grid, int32_t groups, int32_t source_columns) {
  std::vector<PrintColumn> columns;
  columns.reserve(static_cast<size_t>(grid.ColCount()));
  for (int32_t c = 0; c < grid.ColCount(); ++c) {
    PrintColumn column;
    column.width_pt = grid.GetColumnWidth(c).value_or(0) * kPointsPerPixel;
    column.separator = groups > 1 && (c + 1) % (source_columns + 1) == 0;
    columns.push_back(column);
  }
  return columns;
}


}  // namespace

int32_t PrintLayout::TallestBlock() const {
  int32_t tallest = 0;
  for (const PageBlock& block : blocks) tallest = std::max(tallest, block.row_count);
  return tallest;
}

PrintLayout DescribeLayout(const Grid& result, const LayoutOptions& options) {
  PrintLayout layout;
  const int32_t cols = result.ColCount();
  int32_t groups = options.groups.value_or(1) < 1 ? 1 : *options.groups;
  // N groups of C columns take N*C + N - 1 columns; anything else was not laid out this way.
  if (groups > 1 && (static_cast<int64_t>(cols) + 1) % groups != 0) groups = 1;
  layout.groups = groups;
  layout.source_columns = groups > 1 ? static_cast<int32_t>((static_cast<int64_t>(cols) + 1) / groups - 1) : cols;
  if (layout.source_columns < 1) {
    layout.groups = 1;
    layout.source_columns = cols;
  }
  layout.has_title = options.source_has_title && result.RowCount() > 0;
  const int32_t rows = options.rows_per_page.value_or(kDefaultRowsPerPage);
  layout.rows_per_page = rows < 2 ? kDefaultRowsPerPage : rows;
  layout.columns = ColumnsOf(result, layout.groups, layout.source_columns);

  const int32_t key = options.key_column.value_or(0);
  // The key's cell in group 0; beyond the group's columns it never changes.
  const bool key_breaks = key >= 1 && key <= layout.source_columns && !options.pad_short_pages;
  const int32_t key_col = key - 1;
  const int32_t r = layout.rows_per_page;
  int32_t row = layout.has_title ? 1 : 0;
  const int32_t end = result.RowCount();
  while (row < end) {
    const int32_t limit = static_cast<int32_t>(std::min<int64_t>(int64_t{row} + r, end));
    int32_t next = row + 1;
    // Group 0 holds consecutive data rows, so on an unpadded page cut short the first row of the
    // next page is the first one whose key differs from the row above it. A padded page is
    // always full height.
    while (next < limit && !(key_breaks && result.CellView(next, key_col) != result.CellView(next - 1, key_col))) ++next;
    layout.blocks.push_back({row, next - row});
    row = next;
  }
  if (layout.blocks.empty()) layout.blocks.push_back({layout.has_title ? 1 : 0, 0});
  return layout;
}

bool LayoutColumns(const Grid& source, const LayoutOptions& options, std::vector<PrintColumn>* columns,
                   std::string* error) {
  // The widths depend on the column count and the options only: lay out one empty row.
  Grid probe(SourceGridDesign());
  if (!probe.ResizeAndClear(1, std::max(source.ColCount(), 1), 0, false)) {
    *error = "the table is too wide to lay out";
    return false;
  }
  LayoutOptions probe_options = options;
  probe_options.source_has_title = true;
  Grid result(ResultGridDesign());
  if (!SplitIntoColumns(probe, result, probe_options, error)) return false;
  const PrintLayout layout = DescribeLayout(result, probe_options);
  *columns = layout.columns;
  return true;
}

std::string CellTextUtf8(std::string_view bytes) { return ToUtf8(bytes); }

bool AutoRowsPerPage(const Grid& source, const LayoutOptions& options, const PageSetup& setup, int32_t* rows,
                     std::string* error) {
  std::vector<PrintColumn> columns;
  return LayoutColumns(source, options, &columns, error) &&
         RowsPerPage(setup, columns, options.source_has_title, rows, error);
}

}  // namespace parvex
