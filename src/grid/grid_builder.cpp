#include "grid/grid_builder.h"

#include <algorithm>
#include <cassert>

namespace parvex {

GridBuilder::GridBuilder(const GridDesign& design, const Grid& source, int32_t cols, int32_t width, bool apply_width)
    : source_(source), grid_(design) {
  grid_.RestoreDesign();
  grid_.store_.ShareFrom(source.store_);
  grid_.ResetHeights(grid_.row_height_);
  grid_.SetWidths(cols, width, apply_width);
}

void GridBuilder::Reserve(int64_t rows, int64_t runs) { grid_.store_.Reserve(rows, runs); }

GridBuilder::RowCost GridBuilder::CostOfRow(const Grid& source, int32_t row) {
  RowCost cost;
  source.store_.ForEachRun(row, [&](const CellRun& run) {
    cost.cells += run.count;
    ++cost.runs;
    if (run.is_line()) cost.text_bytes += static_cast<int64_t>(run.line.size() - (run.count - 1));  // without its TABs
    for (const CellRef cell : run.cells) cost.text_bytes += cell.size();
  });
  return cost;
}

void GridBuilder::AppendEmptyRows(int32_t count) {
  if (count <= 0) return;
  grid_.heights_.Insert(static_cast<size_t>(grid_.RowCount()), static_cast<size_t>(count), grid_.row_height_);
  grid_.store_.InsertRows(static_cast<size_t>(grid_.RowCount()), static_cast<size_t>(count));
}

void GridBuilder::AppendCellsOf(int32_t row, int32_t at) {
#ifndef NDEBUG
  int64_t end = 0;
  source_.store_.ForEachRun(row, [&](const CellRun& run) { end = int64_t{run.col} + run.count; });
  assert(at + end <= grid_.ColCount());
#endif
  grid_.store_.AppendRunsOf(source_.store_, row, at);
}

bool GridBuilder::AdoptTable(Grid& grid, ParsedTable&& table, int32_t width, bool apply_width) {
  const size_t rows = std::max<size_t>(table.lines.size(), 1);
  if (rows > static_cast<size_t>(kMaxRows) || table.cols > kMaxCols ||
      static_cast<int64_t>(table.cells.size()) > kMaxCells) {
    return false;
  }
  const int32_t cols = std::max(table.cols, 1);
  if (!grid.store_.Adopt(std::move(table))) return false;
  grid.RestoreDesign();
  grid.ResetHeights(grid.row_height_);
  grid.SetWidths(cols, width, apply_width);
  return true;
}

}  // namespace parvex
