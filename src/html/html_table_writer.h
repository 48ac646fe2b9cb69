// The HTML flavour of a table: the cells of a grid as an HTML document holding one table, the
// form spreadsheets paste without converting cells. Every cell is marked as text for both
// conventions in use (LibreOffice's sdnum attribute, Excel's mso-number-format style), so "001",
// "=A1", "3/4" and 18-digit numbers arrive as typed. The text is UTF-8: cells that are not (GBK)
// are converted, a byte that reads as nothing becoming U+FFFD.
//
// Cell text: & < > " escaped; a line break (LF, CR LF, or a lone CR) becomes a <br> that
// spreadsheets read as a line break within the cell; white space an HTML reader would collapse
// or drop (a run of spaces, a space at either end of a line, a TAB) goes through
// AppendKeptWhiteSpace. Empty cells are empty <td>s; only a row's last cell has an end tag. Hidden rows and
// columns (height or width 0) are left out, as in the plain text.
//
// What LibreOffice Calc keeps of it: every cell as text, line breaks, inner and trailing runs of
// spaces. Not a TAB (it becomes a space) nor the first of the spaces a cell starts with.
//
// Print-ready as far as HTML carries it: column widths from the grid, the title row bold, thin
// borders around the cells of each column group and none around the separator columns, which
// are kept narrow.
#ifndef PARVEX_HTML_HTML_TABLE_WRITER_H_
#define PARVEX_HTML_HTML_TABLE_WRITER_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "grid/clipboard.h"
#include "grid/grid.h"
#include "grid/group_geometry.h"

namespace parvex {

// The layout's shape: whether row 0 is its title row, and its column groups, whose separator
// columns are written as narrow gaps without borders. The default has one group: no separators.
struct HtmlTableShape {
  bool has_title_row = false;
  GroupGeometry geometry;
};

// The widest a separator column is written, in pixels.
inline constexpr int32_t kHtmlSeparatorWidth = 12;

// The most rows and columns of an HTML flavour: what a spreadsheet's sheet takes.
inline constexpr int64_t kHtmlMaxRows = 1048576;
inline constexpr int64_t kHtmlMaxCols = 16384;
// The most bytes an HTML flavour is estimated at before it is written.
inline constexpr int64_t kHtmlMaxBytes = int64_t{256} << 20;

// The first limit of what the spreadsheets take that the HTML of a rectangle passes, if any.
struct HtmlFlavourExcess {
  enum class Limit { kNone, kRows, kColumns, kBytes };
  Limit limit = Limit::kNone;
  int64_t size = 0;  // the rectangle's rows, its columns or its HTML's estimated bytes
  int64_t most = 0;  // the limit it passes: kHtmlMaxRows, kHtmlMaxCols or kHtmlMaxBytes
};

// Whether the HTML of `rect` of `grid` passes what the spreadsheets take: more than kHtmlMaxRows
// rows or kHtmlMaxCols columns or, by an estimate from the cells and the grid's text bytes,
// more than kHtmlMaxBytes. Cheap: nothing is written.
HtmlFlavourExcess HtmlFlavourExcessOf(const Grid& grid, const CellRect& rect);

// True when it passes none of them.
bool HtmlFlavourFits(const Grid& grid, const CellRect& rect);

// Writes the cells of `rect` (clamped to the grid) of `grid` to `sink` as a complete HTML
// document, row by row. The shape's columns and title row count from the grid's row and column
// 0, so a rectangle cut out of a layout keeps its separators. An empty rectangle gives a table
// with no rows. A large rectangle is written on two threads, which both read the grid.
void WriteHtmlTable(const Grid& grid, const CellRect& rect, const HtmlTableShape& shape, TextSink& sink);

// The same for the whole of `grid`.
void WriteHtmlTable(const Grid& grid, const HtmlTableShape& shape, TextSink& sink);

// Appends the markup for `run`, spaces and TABs inside a cell (UTF-8, nothing to escape), that
// must read back as exactly these characters where HTML would collapse them to one space or drop
// them. The one place that decides the form; a no-break space is another character and no
// substitute.
void AppendKeptWhiteSpace(std::string_view run, std::string* out);

}  // namespace parvex

#endif  // PARVEX_HTML_HTML_TABLE_WRITER_H_
