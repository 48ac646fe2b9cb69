// GridBuilder: builds a grid in bulk out of another grid's rows, as the layout does, and makes a
// grid of a parsed table, as the import does. What it builds refers to the source's texts and
// cells instead of copying them; edits of either grid afterwards leave the other as it is.
#ifndef PARVEX_GRID_GRID_BUILDER_H_
#define PARVEX_GRID_GRID_BUILDER_H_

#include <cstddef>
#include <cstdint>
#include <span>

#include "grid/grid.h"
#include "grid/parsed_table.h"

namespace parvex {

class GridBuilder {
 public:
  // Starts a grid of `design`'s values with no rows and `cols` columns (widths as
  // ResizeAndClear gives them) that shares `source`'s texts and cells. `source` must stay as it
  // is until Finish.
  GridBuilder(const GridDesign& design, const Grid& source, int32_t cols, int32_t width, bool apply_width);

  // Makes room for `rows` more rows and `runs` more runs in the lists of rows made of several
  // (see RowStore::ListedRuns), so that appending them moves nothing.
  void Reserve(int64_t rows, int64_t runs);
  // The room Reserve made, for Prefault: fresh memory the appending is about to fill.
  std::span<std::byte> ReservedRows() { return grid_.store_.ReservedRows(); }
  std::span<std::byte> ReservedRuns() { return grid_.store_.ReservedRuns(); }

  // What appending a source's rows costs, for judging a build before it starts: row `row`'s
  // stored cells, its runs and the bytes of its cells' texts.
  struct RowCost {
    int64_t cells = 0;
    int64_t runs = 0;
    int64_t text_bytes = 0;
  };
  static RowCost CostOfRow(const Grid& source, int32_t row);
  // The cells a grid stores, and the runs listed for its rows made of several.
  static int64_t StoredCells(const Grid& grid) { return grid.store_.StoredCells(); }
  static int64_t ListedRuns(const Grid& grid) { return grid.store_.ListedRuns(); }

  // Appends `count` empty rows of RowHeight.
  void AppendEmptyRows(int32_t count);
  // Puts the stored cells of the source's row `row`, moved `at` columns right, into the last
  // row, right of what it holds. The last row must have room for them.
  void AppendCellsOf(int32_t row, int32_t at);

  // The grid built so far.
  const Grid& grid() const { return grid_; }
  // Hands the grid over; the builder is spent.
  Grid Finish() { return std::move(grid_); }

  // Replaces `grid`'s content by the table's lines, `cols` columns wide: design values
  // restored, every row RowHeight high, widths as ResizeAndClear gives them. The grid keeps the
  // bytes and the cells as they are: it copies none. False, and no change, beyond the limits.
  static bool AdoptTable(Grid& grid, ParsedTable&& table, int32_t width, bool apply_width);

 private:
  const Grid& source_;
  Grid grid_;
};

}  // namespace parvex

#endif  // PARVEX_GRID_GRID_BUILDER_H_
