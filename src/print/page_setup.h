// The printed page: paper, orientation, margins, font and row height, and the arithmetic that
// turns them into rows per page and a print scale. The PDF, the printer and the .xlsx share it,
// so one page block of the layout lands on one printed page whichever way it is printed.
#ifndef PARVEX_PRINT_PAGE_SETUP_H_
#define PARVEX_PRINT_PAGE_SETUP_H_

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace parvex {

enum class Paper { kA4, kA3, kA5, kB5, kLetter, kLegal };
enum class Orientation { kPortrait, kLandscape };

// Margins in millimetres, as a page-setup dialog shows them.
struct MarginsMm {
  double top = 15;
  double right = 15;
  double bottom = 15;
  double left = 15;
  friend bool operator==(const MarginsMm&, const MarginsMm&) = default;
};

struct PageSetup {
  Paper paper = Paper::kA4;
  Orientation orientation = Orientation::kPortrait;
  MarginsMm margins;
  double font_size_pt = 10;
  // Height of every printed row in points; 0 derives it from the font size. Always used
  // rounded up to whole pixels (multiples of 0.75 pt), as a spreadsheet stores it.
  double row_height_pt = 0;
  // The title row on every page; otherwise on the first page only.
  bool repeat_title = true;
  // As many column groups as fit the printable width at the columns' printed widths, instead of
  // the layout's number (at least 1).
  bool auto_groups = false;
  // Every page that ends before it is full (the last, and one the key cut short) spread evenly
  // over its groups (LayoutOptions::balance_short_pages) instead of filling group 0 first and
  // leaving the others blank; padding stays under the balanced rows.
  bool balance_pages = true;
  // Printed over the table on every page when not empty (UTF-8).
  std::string header;
  friend bool operator==(const PageSetup&, const PageSetup&) = default;
};

inline constexpr double kPointsPerMm = 72.0 / 25.4;
inline constexpr double kPointsPerPixel = 0.75;  // 96 pixels to the inch
// Printed width of a separator column between two column groups: a gap, not a column.
inline constexpr double kSeparatorWidthPt = 7.5;
inline constexpr double kMinFontSizePt = 4;
// A spreadsheet keeps 255 characters of a page header, its codes included.
inline constexpr size_t kMaxHeaderBytes = 200;
inline constexpr double kMaxFontSizePt = 72;
// A spreadsheet's print scale is a whole percentage in this range.
inline constexpr int kMinScalePercent = 10;
inline constexpr int kMaxScalePercent = 100;

// The paper's name as the command line and the dialog show it ("A4", "Letter").
std::string_view PaperName(Paper paper);
// Case-insensitive; no value for an unknown name.
std::optional<Paper> PaperFromName(std::string_view name);
// Every paper, in the order a list shows them.
const std::vector<Paper>& AllPapers();
// Portrait size in millimetres.
struct SizeMm {
  double width = 0;
  double height = 0;
};
SizeMm PaperSizeMm(Paper paper);
// The paperSize code of a spreadsheet's page setup (9 for A4).
int SpreadsheetPaperCode(Paper paper);

// Checks the values a user can type: margins not negative, font size in its range, a row height
// of 0 or at least the font size, a header of one line and at most kMaxHeaderBytes. Failed with a
// one-line message naming the value otherwise.
Status ValidatePageSetup(const PageSetup& setup);

// The row height actually printed, in points: whole pixels.
double PrintedRowHeightPt(const PageSetup& setup);

// One column of the laid-out table as it will be printed.
struct PrintColumn {
  double width_pt = 0;  // at 100 %, before the print scale; 0 for a hidden column
  bool separator = false;
};

// Where everything goes on the page, in points. Columns are stretched to the printable width when
// the layout is narrower than the page, and the whole page is scaled down (a whole percentage)
// when it is wider, so the column groups always span the page width.
// The smallest type size that prints readably; smaller pages get a warning.
inline constexpr double kSmallestReadableTypePt = 7;

struct PageGeometry {
  double paper_width_pt = 0;       // oriented
  double paper_height_pt = 0;
  double printable_width_pt = 0;   // inside the margins
  double printable_height_pt = 0;
  double footer_height_pt = 0;     // kept free at the bottom for the page numbers
  double header_height_pt = 0;     // kept free at the top for the header text; 0 without one
  double row_height_pt = 0;        // at 100 %
  int scale_percent = 100;         // applied to rows and columns alike
  std::vector<PrintColumn> columns;
  double scale() const { return scale_percent / 100.0; }
  // The type size `font_size_pt` prints at after the scale, to 0.1 pt.
  double TypeSize(double font_size_pt) const { return std::round(font_size_pt * scale() * 10) / 10; }
  // Between the header and the footer: where the rows go.
  double body_height_pt() const { return printable_height_pt - footer_height_pt - header_height_pt; }
};

// The geometry of `setup` for a layout whose columns are `column_widths_px` wide in the grid
// (separator columns marked). `rows_on_page`, when given, is the tallest page to fit, counted
// with its title row: the scale is lowered further until it fits the page's height. Failed with a
// one-line message when the setup is invalid or leaves no room on the paper.
Status ComputePageGeometry(const PageSetup& setup, const std::vector<PrintColumn>& grid_columns,
                           std::optional<int64_t> rows_on_page, PageGeometry* geometry);

// How many column groups of `widths_pt` (one group's printed columns at 100 %) fit the printable
// width of `setup` side by side, with a separator column between neighbours: at least 1, at most
// `limit`. For a setup that leaves no room (ValidatePageSetup), 1.
int32_t GroupsThatFit(const PageSetup& setup, const std::vector<double>& widths_pt, int32_t limit);

// How many data rows fit on one printed page under the title row (when `has_title`) and above the
// footer, at the scale that fits the columns to the page width: the rows per page that makes one
// page block of the layout fill one printed page. Failed with a one-line message when fewer than
// two rows fit (a layout's smallest page).
Status RowsPerPage(const PageSetup& setup, const std::vector<PrintColumn>& grid_columns, bool has_title, int32_t* rows);

}  // namespace parvex

#endif  // PARVEX_PRINT_PAGE_SETUP_H_
