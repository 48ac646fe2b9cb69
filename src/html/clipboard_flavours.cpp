#include "html/clipboard_flavours.h"

#include <algorithm>

#include "grid/sylk_table_writer.h"
#include "grid/table_text_writer.h"

namespace parvex {

bool SpreadsheetFlavours::Write(const Grid& grid, const CellRect& rect, Clipboard& clipboard) const {
  const ProduceText text = [&](TextSink& sink) { WriteTableText(grid, rect, sink); };
  if (!HtmlFlavourFits(grid, rect)) return clipboard.Write(text, {}, {});
  // The SYLK of a rectangle takes no more bytes than its HTML's estimate (a record's frame is
  // no longer than a cell's markup, an empty cell's shorter), so the HTML's limits stand for both.
  const bool sylk = clipboard.KeepsSylk() && SylkCellsFit(grid, rect);
  const int64_t cells = (int64_t{std::min(rect.last_row, grid.RowCount() - 1)} - rect.first_row + 1) *
                        (int64_t{std::min(rect.last_col, grid.ColCount() - 1)} - rect.first_col + 1);
  ProduceText html;
  if (!sylk || cells <= kHtmlBesideSylkMaxCells) {
    html = [&](TextSink& sink) { WriteHtmlTable(grid, rect, shape_, sink); };
  }
  ProduceText sylk_text;
  if (sylk) sylk_text = [&](TextSink& sink) { WriteSylkTable(grid, rect, sink); };
  return clipboard.Write(text, html, sylk_text);
}

}  // namespace parvex
