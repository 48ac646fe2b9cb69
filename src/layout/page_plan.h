// The page plan of a column-split layout: which source rows go to which page and column group,
// how tall each page is, and what the result's columns are. SplitIntoColumns builds the result
// grid from it and hands it back; the print outputs read it instead of working it out again.
#ifndef PARVEX_LAYOUT_PAGE_PLAN_H_
#define PARVEX_LAYOUT_PAGE_PLAN_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/status.h"
#include "grid/grid.h"
#include "grid/group_geometry.h"
#include "layout/split_into_columns.h"

namespace parvex {

// One column group's share of a page: `count` data rows from data row `first` on (data row 0 is
// the first source row after the title row, when there is one).
struct PlannedSegment {
  int64_t first = 0;
  int64_t count = 0;
  friend bool operator==(const PlannedSegment&, const PlannedSegment&) = default;
};

// One page block of the result: result rows [first_row, first_row + height). Its groups are
// segments [first_segment, first_segment + groups) of the plan, group 0 first; a group a key
// change left empty has no segment. `padding` of its rows, at its bottom, are empty rows that
// fill a page the key cut short.
struct PlannedPage {
  int64_t first_row = 0;
  int64_t height = 0;
  int64_t padding = 0;
  size_t first_segment = 0;
  size_t groups = 0;
  friend bool operator==(const PlannedPage&, const PlannedPage&) = default;
};

struct PagePlan {
  GroupGeometry geometry;      // the groups (after normalising the options) and their columns
  bool has_title = true;       // result row 0 is the title row over every group
  int32_t rows_per_page = kDefaultRowsPerPage;  // after normalising the options
  int32_t first_data_row = 1;  // the source row of data row 0
  int64_t rows = 0;            // result rows, title row included
  // Widths in pixels the result's columns get: column 0 `first_column_width`, the others
  // `other_column_width` (the result grid's column widths when it starts out).
  int32_t first_column_width = 0;
  int32_t other_column_width = 0;
  std::vector<PlannedSegment> segments;
  std::vector<PlannedPage> pages;  // in order; none when there are no data rows

  // The result's columns: PlanColumns refuses a plan whose count does not fit a grid.
  int32_t ResultColumns() const { return static_cast<int32_t>(geometry.ResultColumns()); }
  int32_t ColumnWidth(int32_t col) const { return col == 0 ? first_column_width : other_column_width; }
  std::span<const PlannedSegment> SegmentsOf(const PlannedPage& page) const {
    return std::span<const PlannedSegment>(segments).subspan(page.first_segment, page.groups);
  }
  friend bool operator==(const PagePlan&, const PagePlan&) = default;
};

// The plan's columns, groups, rows per page and title row for laying out `source` with
// `options` into a grid of `result_design`, without its pages: what the rows-per-page arithmetic
// needs before the layout's rows are known. Failed with the layout's one-line refusal, `*plan`
// as it was, when the result would have too many columns.
Status PlanColumns(const Grid& source, const LayoutOptions& options, const GridDesign& result_design, PagePlan* plan);

// The whole plan of laying out `source` with `options`, pages included, without building the
// result. Failed with the layout's refusal, `*plan` as it was, when the result would have too
// many columns or rows; SplitIntoColumns also refuses a result whose text or stored cells pass the
// grid's limits.
Status PlanLayout(const Grid& source, const LayoutOptions& options, const GridDesign& result_design, PagePlan* plan);

}  // namespace parvex

#endif  // PARVEX_LAYOUT_PAGE_PLAN_H_
