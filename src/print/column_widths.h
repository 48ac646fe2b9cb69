// How wide each column of the laid-out table is printed: as wide as its texts need in the print
// font, the same in every column group. The renderer, the printer and the .xlsx writer all print
// with these widths, so no cell text is ever drawn smaller than the others to fit its cell.
#ifndef PARVEX_PRINT_COLUMN_WIDTHS_H_
#define PARVEX_PRINT_COLUMN_WIDTHS_H_

#include <cstdint>
#include <vector>

#include "grid/grid.h"
#include "layout/page_plan.h"
#include "print/page_setup.h"

namespace parvex {

// Space kept between a cell's text and its grid lines, on each side, at 100 %.
inline constexpr double kCellPaddingPt = 2;

// The printed width in points, at `setup`'s type size and 100 %, of each of the `plan`'s source
// columns (one group's columns), measured on `source`, the grid the plan lays out. The rule: a
// column is as wide as its widest text (the title row in bold) plus the padding on both sides,
// and at least one character (an em of the type) wide, so that an empty column stays visible;
// every text therefore fits its cell on one line, at the page's one type size. A page too narrow
// for the groups is scaled as a whole (ComputePageGeometry), never one cell alone. Needs a
// QGuiApplication (the print font).
std::vector<double> ColumnWidthsFromContents(const Grid& source, const PagePlan& plan, const PageSetup& setup);

// The same widths measured on a `result` grid laid out by `plan`: the widest text of a source
// column in any of its groups.
std::vector<double> ColumnWidthsOfResult(const Grid& result, const PagePlan& plan, const PageSetup& setup);

}  // namespace parvex

#endif  // PARVEX_PRINT_COLUMN_WIDTHS_H_
