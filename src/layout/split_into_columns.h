// The column-split layout: a long table laid out in column groups side by side, pages of R
// rows, the title row repeated over every group.
#ifndef PARVEX_LAYOUT_SPLIT_INTO_COLUMNS_H_
#define PARVEX_LAYOUT_SPLIT_INTO_COLUMNS_H_

#include <cstdint>
#include <optional>

#include "base/status.h"
#include "grid/grid.h"

namespace parvex {

struct LayoutOptions {
  std::optional<int32_t> groups;        // N; left out or below 1: 1
  std::optional<int32_t> rows_per_page; // R; left out or below 2: 46
  std::optional<int32_t> key_column;    // K, 1-based; left out, 0 or less, or past the last column: no breaks
  int32_t column_width = 0;             // applied to every result column when 2 or more
  bool pad_short_pages = true;          // pad a page cut short in group 0 to R rows
  // When false the source has no title row: every source row is data, and the result has no
  // title row either (as if an empty title row were laid out and then removed).
  bool source_has_title = true;
  // Spread every page that ends before it is full (the last, and one the key cut short) evenly
  // over its groups: with D rows and N groups, ceil(D / N) rows to a group, the last group taking
  // what is left (as `pr` balances its last page); a padded page keeps its full height, the
  // padding under the balanced rows. Only the print outputs lay out with it.
  bool balance_short_pages = false;
  friend bool operator==(const LayoutOptions&, const LayoutOptions&) = default;
};

struct PagePlan;  // page_plan.h

inline constexpr int32_t kDefaultRowsPerPage = 46;

// Lays out the data rows of `source` into `result`, and gives the page plan it laid them out by
// in `*page_plan` when that is not null. Failed with a one-line message, both grids and
// `*page_plan` untouched, when the result would pass the grid's limits.
Status SplitIntoColumns(const Grid& source, Grid& result, const LayoutOptions& options, PagePlan* page_plan = nullptr);

}  // namespace parvex

#endif  // PARVEX_LAYOUT_SPLIT_INTO_COLUMNS_H_
