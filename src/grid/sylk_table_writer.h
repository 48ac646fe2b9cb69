// The SYLK flavour of a table: the cells of a grid as SYLK text constants, which LibreOffice Calc
// pastes as typed text ("001", 18-digit numbers, "=A1", a TAB or a line break inside a cell) and
// many times faster than an HTML table, without asking anything.
//
// The text is an ID record, then one record for every cell of the rectangle, row by row, and an
// E record, each line ended by CR LF:
//
//   ID;PPARVEX
//   C;Y1;X1;K"text"      a row's first cell names its row; the reader keeps it for the next
//   C;X2;K""             an empty cell: the paste empties the cell under it, as the text does
//   E
//
// X and Y count the shown columns and rows of the rectangle from 1; hidden rows and columns
// (height or width 0) are left out, as in the plain text. Inside the quotes a ';' is doubled, a
// line break (LF, CR LF or a lone CR) is written as ESC SPACE ':', a NUL byte is left out
// (LibreOffice would end the cell there; its text import drops it), and every other byte, a '"'
// included, stands as it is: the bytes are never decoded, so the reader takes them in its own
// character set (LibreOffice: its locale's, UTF-8 on a UTF-8 desktop). A cell that holds
// ESC SPACE ':' itself reads back with a line break there.
#ifndef PARVEX_GRID_SYLK_TABLE_WRITER_H_
#define PARVEX_GRID_SYLK_TABLE_WRITER_H_

#include <cstdint>

#include "grid/clipboard.h"
#include "grid/grid.h"

namespace parvex {

// The longest line LibreOffice reads of a SYLK text (its stream's line limit): the rest of a
// longer record is lost.
inline constexpr int64_t kSylkMaxRecordBytes = 65534;

// Whether every cell of `rect` (clamped to the grid) fits a record of at most
// kSylkMaxRecordBytes. Linear in the cells; reads the text of long cells only.
bool SylkCellsFit(const Grid& grid, const CellRect& rect);

// Writes the cells of `rect` (clamped to the grid) of `grid` to `sink` as SYLK text. An empty
// rectangle gives the ID and E records alone. A large rectangle is written on two threads, which
// both read the grid: it must not change meanwhile.
void WriteSylkTable(const Grid& grid, const CellRect& rect, TextSink& sink);

}  // namespace parvex

#endif  // PARVEX_GRID_SYLK_TABLE_WRITER_H_
