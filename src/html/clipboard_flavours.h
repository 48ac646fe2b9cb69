// What a copy of grid cells offers the spreadsheets on the clipboard, and when: the one place
// that decides it, for the grids' own copy and for the layout's export alike.
#ifndef PARVEX_HTML_CLIPBOARD_FLAVOURS_H_
#define PARVEX_HTML_CLIPBOARD_FLAVOURS_H_

#include <cstdint>

#include "grid/clipboard.h"
#include "grid/grid.h"
#include "html/html_table_writer.h"

namespace parvex {

// The most cells a copy offers as HTML beside SYLK. LibreOffice Calc takes the HTML whenever it
// is offered, and its HTML import is slow: about 2.5 s for 15,000 cells and 5 s for 27,000,
// against 0.5 s by SYLK. Past this the HTML is left out so that Calc pastes the SYLK; below it
// the HTML stays for the programs that read no SYLK.
inline constexpr int64_t kHtmlBesideSylkMaxCells = 20000;

// The clipboard text format (table_text.h) and, while the rectangle fits what a spreadsheet
// takes (HtmlFlavourFits), the same cells as
//  - SYLK (sylk_table_writer.h), where the clipboard keeps it and every cell fits a record
//    (SylkCellsFit);
//  - an HTML table of `shape` (a plain one, no groups and no title, by default), beside SYLK only
//    up to kHtmlBesideSylkMaxCells cells.
class SpreadsheetFlavours : public CopyFlavours {
 public:
  explicit SpreadsheetFlavours(const HtmlTableShape& shape = {}) : shape_(shape) {}
  bool Write(const Grid& grid, const CellRect& rect, Clipboard& clipboard) const override;

 private:
  HtmlTableShape shape_;
};

}  // namespace parvex

#endif  // PARVEX_HTML_CLIPBOARD_FLAVOURS_H_
