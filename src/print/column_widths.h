// How wide each column of the laid-out table is printed: as wide as its texts need in the print
// font, the same in every column group, and which rows are printed two lines tall because a long
// text in them wraps. The renderer, the printer and the .xlsx writer all print with these widths
// and rows, so no cell text is ever drawn smaller than the others to fit its cell.
#ifndef PARVEX_PRINT_COLUMN_WIDTHS_H_
#define PARVEX_PRINT_COLUMN_WIDTHS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "grid/grid.h"
#include "layout/page_plan.h"
#include "print/page_setup.h"
#include "print/print_layout.h"

namespace parvex {

// Space kept between a cell's text and its grid lines, on each side, at 100 %.
inline constexpr double kCellPaddingPt = 2;

// The rule, per source column, at `setup`'s type size and 100 %; the title row is measured apart,
// in bold, and every width gets the padding on both sides and is at least one character (an em
// of the type) wide, so that an empty column stays visible.
//  - One line: the column is as wide as its widest text. Every text fits its cell on one line.
//  - Wrapped: when the widest data text is an outlier, more than kOutlierRatio times the
//    kWrapPercentile-th percentile of the column's data texts and more than kOutlierEms em wider
//    than it, the column is max(that percentile, half the widest + one em, the title) wide, and a
//    text wider than its cell wraps onto a second line inside it (the row is two lines tall).
//    Half the widest plus an em holds any of the column's texts in two lines.
// The wrapped widths are printed only when the one-line widths of the plan's groups do not fit
// the printable width (the page would be scaled down for one long text), and always when the
// groups are fitted to the paper (PageSetup::auto_groups): they then buy more groups. A page
// still too narrow, or too short, is scaled as a whole (ComputePageGeometry), never one cell.
inline constexpr double kWrapPercentile = 95;
inline constexpr double kOutlierRatio = 1.5;
inline constexpr double kOutlierEms = 3;

// What measuring a grid's columns finds, one entry per source column (one group's columns).
struct ColumnMeasures {
  std::vector<double> one_line_pt;  // printed widths when every text stays on one line
  std::vector<double> wrapped_pt;   // narrower where a column has an outlier, else the same
  std::vector<double> widest_pt;    // the widest data text, on one line, without padding
  // The printed widths for a plan of `groups` groups (the rule above).
  std::vector<double> WidthsFor(int32_t groups, const PageSetup& setup) const;
};

// Measures `source`, the grid `plan` lays out (row 0 its title when the plan has one), or a
// `result` grid laid out by `plan` (a source column's texts in every group). Needs a
// QGuiApplication (the print font). Linear in the number of cells.
ColumnMeasures MeasureSourceColumns(const Grid& source, const PagePlan& plan, const PageSetup& setup);
ColumnMeasures MeasureResultColumns(const Grid& result, const PagePlan& plan, const PageSetup& setup);

// The printed widths in points of the `plan`'s source columns, measured on `source`, for the
// plan's groups: MeasureSourceColumns, WidthsFor.
std::vector<double> ColumnWidthsFromContents(const Grid& source, const PagePlan& plan, const PageSetup& setup);

// The rows of `grid` from `first_row` on that are printed two lines tall: those holding a text
// wider than its cell's room in `columns`, the page geometry's printed columns at 100 % (for the
// source grid, group 0 of them; `geometry` says which of its columns are which group's).
// Only columns whose widest text is wider than their room are read again, so a table that
// wraps nothing costs nothing here. Row numbers of `grid`, ascending. Needs a QGuiApplication.
std::vector<int64_t> TwoLineRows(const Grid& grid, const GroupGeometry& geometry, int32_t first_row,
                                 const ColumnMeasures& measures, const std::vector<PrintColumn>& columns,
                                 const PageSetup& setup);

// Measures `result`, the grid `plan` laid out, for printing on `setup`: its printed widths, the
// rows printed two lines tall, and the page's geometry and scale, into `*document`. Failed with a
// one-line message, `*document` untouched, when the plan is not the grid's or the setup leaves no
// room. `measured`, when given, are its columns' measures taken already: those of the source it
// was just laid out from, which holds the same texts. Needs a QGuiApplication.
Status MeasurePrintDocument(const Grid& result, const PagePlan& plan, const PageSetup& setup, PrintDocument* document,
                            const ColumnMeasures* measured = nullptr);

}  // namespace parvex

#endif  // PARVEX_PRINT_COLUMN_WIDTHS_H_
