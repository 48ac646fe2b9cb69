// A table read from table text (table_text.h), before a grid takes it: the bytes, the cells cut
// from them and the lines. A grid adopts it whole, copying none of its bytes.
#ifndef PARVEX_GRID_PARSED_TABLE_H_
#define PARVEX_GRID_PARSED_TABLE_H_

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "grid/text_store.h"

namespace parvex {

// One line of the table. A plain line (`bytes` not 0) is the `bytes` bytes from offset `first`
// on, whose `count` TAB-separated pieces are its cells as they stand: nothing to trim or unquote,
// no empty last piece. Any other line is the cells cells[first .. first + count).
struct TableLine {
  uint32_t first = 0;
  uint32_t count = 0;
  uint32_t bytes = 0;
  bool is_plain() const { return bytes != 0; }
  friend bool operator==(const TableLine&, const TableLine&) = default;
};

struct ParsedTable {
  TextBuffer bytes;             // every cell and plain line indexes these from offset 0
  std::vector<CellRef> cells;   // the cells of the lines that are not plain
  std::vector<TableLine> lines;
  int32_t cols = 1;             // the most cells of any line

  // Line r's cells, cut into `scratch` for a plain line.
  std::span<const CellRef> LineCells(size_t r, std::vector<CellRef>* scratch) const;
};

// Appends the `count` TAB-separated pieces of `line`, whose first byte is at `offset` in its
// store, to `cells`. Exactly `count` pieces, even should the bytes have changed under a mapped
// file; an empty piece is the empty cell.
void AppendLineCells(std::string_view line, uint32_t offset, uint32_t count, std::vector<CellRef>* cells);

}  // namespace parvex

#endif  // PARVEX_GRID_PARSED_TABLE_H_
