// The laid-out table as an .xlsx workbook whose page setup is done: printed as it is, it gives
// one page per page block with the title row on each.
#ifndef PARVEX_PRINT_XLSX_WRITER_H_
#define PARVEX_PRINT_XLSX_WRITER_H_

#include <cstdint>
#include <string>

#include "port/replace_file.h"
#include "print/print_layout.h"
#include "print/progress.h"

namespace parvex {

// A worksheet's limits, and the manual page breaks a spreadsheet keeps per worksheet.
inline constexpr int64_t kXlsxMaxRows = 1048576;
inline constexpr int32_t kXlsxMaxCols = 16384;
inline constexpr int32_t kXlsxMaxBreaks = 1023;
inline constexpr int64_t kXlsxMaxCellChars = 32767;

// Page blocks per worksheet: a layout with more blocks than one worksheet can break (or hold)
// continues on the next worksheet, each with its own title row and page setup.
int32_t XlsxBlocksPerSheet(const PrintLayout& layout);

// Writes `document` into `file`'s temporary file (the caller commits it; port/replace_file.h):
// the title row repeated on every page, a manual page break after
// every block, the print area, every row the setup's height (a two-line row twice it, its cells
// wrapping), the printed column widths (separators narrow), the document's print scale, paper,
// orientation and margins. Every cell is written as text. Cancelled when `progress` cancelled,
// failed with a one-line message, naming the target, when the layout does not fit a worksheet or
// the file cannot be written.
struct XlsxOptions {
  // Above this many result cells the rows go to disk as they are written and the texts are
  // stored in each cell (inline strings); up to it the workbook keeps a shared table of texts,
  // a few per cent smaller when the texts repeat. Streaming takes 60 % of the time (the shared
  // table is sorted and searched cell by cell) and memory that does not grow with the table,
  // so it is the default for every size.
  int64_t streaming_above_cells = 0;
};
Status WriteXlsx(const port::ReplacementPath& file, const PrintDocument& document, const Progress& progress = {},
                 const XlsxOptions& options = {});

}  // namespace parvex

#endif  // PARVEX_PRINT_XLSX_WRITER_H_
