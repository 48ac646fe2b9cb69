// Reads table text (the format is stated in table_text.h) into a ParsedTable.
#ifndef PARVEX_GRID_TABLE_TEXT_READER_H_
#define PARVEX_GRID_TABLE_TEXT_READER_H_

#include <cstddef>
#include <string>

#include "base/status.h"
#include "grid/parsed_table.h"
#include "grid/table_text.h"
#include "grid/text_store.h"

namespace parvex {

// Which of the reader's shortcuts it takes. Every choice gives the same table (the same cells,
// columns and refusals); the defaults are the fastest. With every shortcut off the text is read
// field by field. Tests and the fuzz targets compare the choices with each other and with a
// reference reader.
struct TableTextReading {
  static constexpr size_t kPrescanBytes = size_t{8} << 20;

  // Keep a plain line (see TableLine) as one reference to its bytes instead of a cell apiece.
  bool plain_lines = true;
  // Cut unquoted fields that end within 64 bytes from masks of those bytes.
  bool mask_fields = true;
  // With plain_lines, a text of this many bytes or more is also cut into plain lines on a
  // second thread, from the first line start after its middle on.
  size_t prescan_bytes = kPrescanBytes;
};

// Cuts `text` into a table. `table->bytes` takes over `text` (quoted cells are unquoted in
// place). The result has at least one row unless the text is empty, and `cols` is the most
// cells of any line (1 for empty text). Failed, with `table` empty, when the text is longer than
// kMaxTextBytes, the table would pass kMaxRows, kMaxCols or kMaxCells, or a cell would be longer
// than CellRef::kMaxSize.
Status ParseTableText(std::string text, ParsedTable* table, const TableTextReading& reading = {});
Status ParseTableText(TextBuffer text, ParsedTable* table, const TableTextReading& reading = {});

}  // namespace parvex

#endif  // PARVEX_GRID_TABLE_TEXT_READER_H_
