// The designs of the window's two grids: the source grid that the import fills and the result
// grid that the layout builds. The command-line tool and the print outputs use the same ones.
#ifndef PARVEX_GRID_GRID_DESIGNS_H_
#define PARVEX_GRID_GRID_DESIGNS_H_

#include "grid/grid.h"

namespace parvex {

// The source grid: ColWidth 50.
inline GridDesign SourceGridDesign() {
  GridDesign design;
  design.col_width = 50;
  return design;
}

// The result grid: ColWidth 30.
inline GridDesign ResultGridDesign() {
  GridDesign design;
  design.col_width = 30;
  return design;
}

}  // namespace parvex

#endif  // PARVEX_GRID_GRID_DESIGNS_H_
