// The clipboard's table text: what a spreadsheet puts on the clipboard when cells are copied,
// and what Parvex puts back. Text is bytes; only ASCII bytes are searched for, so UTF-8 and GBK
// pass through unchanged.
//
// Reading: lines end at LF (a CR before it goes with the cell's trimmed white space); the piece
// after the last LF is a line when it is not empty; an empty line is one empty cell. Cells are
// cut at TAB; a TAB that is the last byte of a line opens no further cell. A cell is trimmed of
// space, TAB, CR, LF, VT and FF at both ends. A field whose first byte is '"' is a quoted cell
// when a closing '"' (with "" read as an escaped quote) is followed directly by TAB, LF, CR LF
// or the end of the text; it may then hold TAB, CR and LF. Otherwise it is taken literally.
//
// Writing: cells joined by TAB, rows by LF, no line end after the last row, empty cells empty;
// a cell holding TAB, LF or CR, or beginning with '"', is written in double quotes with inner
// quotes doubled. Hidden rows and columns (height or width 0) are left out.
#ifndef PARVEX_GRID_TABLE_TEXT_H_
#define PARVEX_GRID_TABLE_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "grid/clipboard.h"
#include "grid/grid.h"
#include "grid/parsed_table.h"

namespace parvex {

// Cuts `text` into a table. `table->bytes` takes over `text` (quoted cells are unquoted in
// place). The result has at least one row unless the text is empty, and `cols` is the most
// cells of any line (1 for empty text). False, with `error` set, when the table would pass
// kMaxRows, kMaxCols or kMaxCells or a cell would be longer than CellRef::kMaxSize.
bool ParseTableText(std::string text, ParsedTable* table, std::string* error);
bool ParseTableText(TextBuffer text, ParsedTable* table, std::string* error);

// Writes the cells of `rect` (clamped to the grid) of `grid` to `sink` in the clipboard format.
void WriteTableText(const Grid& grid, const CellRect& rect, TextSink& sink);

// The same gathered into one string.
std::string TableText(const Grid& grid, const CellRect& rect);

// Appends `cell` to `out` as one cell of table text: in double quotes with inner quotes doubled
// when TextNeedsQuotes says so, as it stands otherwise. For writers of table text that do not
// start from a grid.
void AppendTableTextCell(std::string_view cell, std::string* out);

}  // namespace parvex

#endif  // PARVEX_GRID_TABLE_TEXT_H_
