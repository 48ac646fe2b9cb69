// What the printed outputs read off a layout's page plan: the printed columns (separators
// marked) and the page blocks, one printed page each.
#ifndef PARVEX_PRINT_PRINT_LAYOUT_H_
#define PARVEX_PRINT_PRINT_LAYOUT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"
#include "grid/grid.h"
#include "layout/page_plan.h"
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
  bool has_title = true;             // row 0 is the title row
  // The printed widths at 100 %, separators marked.
  std::vector<PrintColumn> columns;
  std::vector<PageBlock> blocks;     // at least one, in order, covering every row after the title
  // Result rows printed two lines tall (ascending); the others, the title row among them, are
  // one line tall.
  std::vector<int64_t> two_line_rows;
  int32_t TallestBlock() const;
  bool IsTwoLines(int64_t row) const;
  // The height of `block` in lines (rows of one line), its title row not counted, and that of
  // the tallest block: what the page's height has to hold.
  int64_t LinesOf(const PageBlock& block) const;
  int64_t TallestBlockLines() const;
};

// The printed pages of a layout planned as `plan`: one block per planned page, and one empty
// block when there are no data rows, so that a title-only layout still prints one page. The
// columns are `widths_pt` wide (one group's, in points), or the result grid's widths (px
// converted to pt) when none are given; no row is two lines tall.
PrintLayout PrintLayoutOf(const PagePlan& plan, const std::vector<double>& widths_pt = {});

// Done when `plan` is the plan `result` was laid out by, as far as its size tells; failed with a
// one-line message otherwise. The outputs check it before reading rows the plan names.
Status PlanFitsGrid(const PagePlan& plan, const Grid& result);

// A laid-out table as every print output prints it (PDF, preview, printer, .xlsx), measured once
// for one page setup (MeasurePrintDocument, column_widths.h): the result grid, its printed
// columns, page blocks and two-line rows, and the page's geometry with its one scale. The grid
// must outlive the document and stay as it was measured.
struct PrintDocument {
  const Grid* result = nullptr;
  PageSetup setup;
  PrintLayout layout;
  PageGeometry geometry;
  // The type size the pages print at: the font size after the page's scale, to 0.1 pt.
  double TypeSize() const;
  int64_t PageCount() const { return static_cast<int64_t>(layout.blocks.size()); }
};

// The document of `result`, laid out by `plan`, printed on `setup` with one group's columns
// `widths_pt` wide (the grid's widths when empty) and `two_line_rows` (ascending) two lines
// tall: its pages and the page's geometry. Failed with a one-line message, `*document`
// untouched, when the plan is not the grid's or the setup leaves no room.
Status PrintDocumentOf(const Grid& result, const PagePlan& plan, const PageSetup& setup, std::vector<double> widths_pt,
                       std::vector<int64_t> two_line_rows, PrintDocument* document);

// The most rows per page, at most `lines_per_page`, such that every page block of laying out
// `source` with `options` fits `lines_per_page` lines when its result rows that hold a data row
// of `two_line_data_rows` (data row 0 is the first after the title; ascending) are two lines
// tall. Found by bisection between half the lines (always fits) and all of them, one plan of
// the pages each step. When not even 2 rows fit (fewer than 4 lines), 2: the page is then scaled.
// Failed with the layout's refusal.
Status RowsPerPageWithTwoLineRows(const Grid& source, const LayoutOptions& options, int32_t lines_per_page,
                                  const std::vector<int64_t>& two_line_data_rows, int32_t* rows);

// The cell's bytes as UTF-8: kept when they are UTF-8 already, read as GB18030 (GBK) otherwise,
// and any byte neither reads as U+FFFD. Printed outputs need Unicode; the grid keeps bytes.
std::string CellTextUtf8(std::string_view bytes);

}  // namespace parvex

#endif  // PARVEX_PRINT_PRINT_LAYOUT_H_
