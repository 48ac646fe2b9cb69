// Small helpers shared by the core tests.
#ifndef PARVEX_TESTS_SUPPORT_GRID_HELPERS_H_
#define PARVEX_TESTS_SUPPORT_GRID_HELPERS_H_

#include <string>
#include <vector>

#include "grid/grid.h"

namespace parvex::test_support {

using Cells = std::vector<std::vector<std::string>>;

// Every cell of the grid, row by row.
inline Cells CellsOf(const Grid& grid) {
  Cells cells(static_cast<size_t>(grid.RowCount()));
  for (int32_t r = 0; r < grid.RowCount(); ++r) {
    for (int32_t c = 0; c < grid.ColCount(); ++c) cells[static_cast<size_t>(r)].emplace_back(grid.CellView(r, c));
  }
  return cells;
}

// A grid holding `cells` (rows as wide as the widest), built through the public operations.
inline Grid GridOf(const Cells& cells, const GridDesign& design = {}) {
  Grid grid(design);
  size_t cols = 1;
  for (const auto& row : cells) cols = std::max(cols, row.size());
  grid.ResizeAndClear(static_cast<int32_t>(cells.size()), static_cast<int32_t>(cols), 0, false);
  for (size_t r = 0; r < cells.size(); ++r) {
    for (size_t c = 0; c < cells[r].size(); ++c) {
      grid.SetCellText(static_cast<int32_t>(r), static_cast<int32_t>(c), std::string_view(cells[r][c]));
    }
  }
  return grid;
}

inline std::vector<int32_t> WidthsOf(const Grid& grid) {
  std::vector<int32_t> widths;
  for (int32_t c = 0; c < grid.ColCount(); ++c) widths.push_back(*grid.GetColumnWidth(c));
  return widths;
}

}  // namespace parvex::test_support

#endif  // PARVEX_TESTS_SUPPORT_GRID_HELPERS_H_
