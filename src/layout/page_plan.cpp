#include "layout/page_plan.h"

#include <algorithm>
#include <string>

namespace parvex {

Status PlanColumns(const Grid& source, const LayoutOptions& options, const GridDesign& result_design, PagePlan* plan) {
  int32_t rows_per_page = options.rows_per_page.value_or(kDefaultRowsPerPage);
  if (rows_per_page < 2) rows_per_page = kDefaultRowsPerPage;
  const int32_t groups = std::max(options.groups.value_or(1), 1);
  const int32_t cols = source.ColCount();
  const GroupGeometry geometry{cols, groups};
  const int64_t result_cols = geometry.ResultColumns();
  if (result_cols > INT32_MAX) {
    return Status::Failed("layout refused: " + std::to_string(result_cols) +
                          " result columns do not fit in int32; use fewer column groups");
  }
  if (result_cols > kMaxCols) {
    return Status::Failed("layout refused: " + std::to_string(result_cols) + " result columns exceed the limit of " +
                          std::to_string(kMaxCols) + "; use fewer column groups");
  }
  PagePlan columns;
  columns.geometry = geometry;
  columns.has_title = options.source_has_title;
  columns.rows_per_page = rows_per_page;
  columns.first_data_row = options.source_has_title ? 1 : 0;
  // The result grid starts out as a fresh grid of its design does, with the width applied to
  // every column when it is 2 or more.
  columns.first_column_width = result_design.col_width;
  columns.other_column_width = kInsertedColumnWidth;
  if (options.column_width >= 2) columns.first_column_width = columns.other_column_width = options.column_width;
  *plan = std::move(columns);
  return Status();
}

Status PlanLayout(const Grid& source, const LayoutOptions& options, const GridDesign& result_design, PagePlan* plan) {
  PagePlan p;
  if (Status columns = PlanColumns(source, options, result_design, &p); !columns.ok()) return columns;
  const int32_t rows_per_page = p.rows_per_page;
  const int32_t groups = p.geometry.groups;
  const int32_t key = options.key_column.value_or(0);

  // Data rows are source rows first_data .. first_data + data_rows - 1. Without a title row the
  // layout runs as if an empty title row stood above them and was removed afterwards.
  const int32_t first_data = p.first_data_row;
  const int64_t data_rows = std::max<int64_t>(int64_t{source.RowCount()} - first_data, 0);
  // A key column past the last source column reads as absent in every row: it never breaks.
  const bool break_by_key = key > 0 && key <= p.geometry.source_columns;
  auto key_changes = [&](int64_t d) {
    const auto row = static_cast<int32_t>(first_data + d);
    return source.CellView(row, key - 1) != source.CellView(row - 1, key - 1);
  };

  // Pages are filled down group 0, then down group 1 and so on; group 0 makes the page's rows.
  // A change of the key value ends the page before the changed row, except at the very first
  // row of a page; a page cut short in group 0 is padded to full height when asked, and one not
  // padded, or the last, is spread evenly over its groups when asked.
  p.rows = p.has_title ? 1 : 0;
  int64_t next = 0;
  while (next < data_rows) {
    PlannedPage page;
    page.first_row = p.rows;
    page.first_segment = p.segments.size();
    int64_t placed = 0;  // data rows on this page so far, across its groups
    bool ended = false;
    for (int32_t g = 0; g < groups && !ended; ++g) {
      PlannedSegment segment{next, 0};
      for (int32_t k = 0; k < rows_per_page; ++k) {
        if (next >= data_rows) {
          ended = true;
          break;
        }
        if (break_by_key && next > 0 && (g > 0 || placed > 0) && key_changes(next)) {
          if (g == 0 && options.pad_short_pages) {
            page.padding = rows_per_page - page.height;
            page.height = rows_per_page;
          }
          ended = true;
          break;
        }
        if (g == 0) ++page.height;
        ++segment.count;
        ++next;
        ++placed;
      }
      if (segment.count > 0) p.segments.push_back(segment);
    }
    // A page that ended before it was full is spread over its groups; a full page is balanced
    // already. A padded page keeps its full height, the padding under its balanced rows, so that
    // the printed pages line up.
    if (options.balance_short_pages && ended) {
      const int64_t per_group = (placed + groups - 1) / groups;
      p.segments.resize(page.first_segment);
      for (int64_t first = next - placed; first < next; first += per_group) {
        p.segments.push_back({first, std::min(per_group, next - first)});
      }
      const bool padded = options.pad_short_pages && next < data_rows;
      page.height = padded ? rows_per_page : per_group;
      page.padding = page.height - per_group;
    }
    page.groups = p.segments.size() - page.first_segment;
    p.rows += page.height;
    p.pages.push_back(page);
  }
  if (p.rows > kMaxRows) {
    return Status::Failed("layout refused: " + std::to_string(p.rows) + " result rows exceed the limit of " +
                          std::to_string(kMaxRows) + "; turn off padding or use fewer rows per page");
  }
  *plan = std::move(p);
  return Status();
}

}  // namespace parvex
