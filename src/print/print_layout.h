// What the printed outputs need to know about a laid-out result grid: its column groups, which
// columns are separators, and where each page block starts and how tall it is.
#ifndef PARVEX_PRINT_PRINT_LAYOUT_H_
#define PARVEX_PRINT_PRINT_LAYOUT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "grid/grid.h"
#include "layout/split_into_columns.h"
#include "print/page_setup.h"

namespace parvex {

// Rows [first_row, first_row + row_count) of the result grid: one printed page.
struct PageBlock {
  int32_t first_row = 0;
  int32_t row_count = 0;
  friend bool operator==(const PageBlock&, const PageBlock&) = default;
};

struct PrintLayout {
  int32_t groups = 1;
  int32_t source_columns = 0;     // columns of one group
  bool has_title = true;          // row 0 is the title row
  int32_t rows_per_page = kDefaultRowsPerPage;
  std::vector<PrintColumn> columns;  // the grid's widths (px converted to pt), separators marked
  std::vector<PageBlock> blocks;     // at least one, in order, covering every row after the title
  int32_t TallestBlock() const;
};

// Describes `result` as SplitIntoColumns laid it out with `options`. The blocks follow the
// layout's rule: a page is rows_per_page rows tall unless a change of the key value cut it short
// in its first group (and the page was not padded), and the last page holds what is left. A
// grid with no data rows gives one empty block, so a title-only layout still prints one page.
// When the grid's width does not match the options' groups it is read as one group.
PrintLayout DescribeLayout(const Grid& result, const LayoutOptions& options);

// The printed columns that laying out `source` with `options` gives, without laying out its
// data: what the rows-per-page arithmetic needs before the real layout runs. False with the
// layout's refusal in `error`.
bool LayoutColumns(const Grid& source, const LayoutOptions& options, std::vector<PrintColumn>* columns,
                   std::string* error);

// The rows per page that make one page block of laying out `source` with `options` fill one
// printed page of `setup`. False with a one-line `error` (a refused layout, a page too small).
bool AutoRowsPerPage(const Grid& source, const LayoutOptions& options, const PageSetup& setup, int32_t* rows,
                     std::string* error);

// The cell's bytes as UTF-8: kept when they are UTF-8 already, read as GB18030 (GBK) otherwise,
// and any byte neither reads as U+FFFD. Printed outputs need Unicode; the grid keeps bytes.
std::string CellTextUtf8(std::string_view bytes);

}  // namespace parvex

#endif  // PARVEX_PRINT_PRINT_LAYOUT_H_
