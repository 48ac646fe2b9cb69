// Writes a grid's cells as table text (the format is stated in table_text.h).
#ifndef PARVEX_GRID_TABLE_TEXT_WRITER_H_
#define PARVEX_GRID_TABLE_TEXT_WRITER_H_

#include <string>

#include "grid/clipboard.h"
#include "grid/grid.h"
#include "grid/table_text.h"

namespace parvex {

// Writes the cells of `rect` (clamped to the grid) of `grid` to `sink` in the clipboard format.
// A large rectangle is written on two threads, which both read the grid: it must not change
// meanwhile.
void WriteTableText(const Grid& grid, const CellRect& rect, TextSink& sink);

}  // namespace parvex

#endif  // PARVEX_GRID_TABLE_TEXT_WRITER_H_
