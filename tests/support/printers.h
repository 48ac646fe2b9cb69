// How GoogleTest prints the core's small value types when an EXPECT_EQ on them fails; without
// these it prints their bytes. They live in namespace parvex, beside the types, where
// GoogleTest looks for them.
#ifndef PARVEX_TESTS_SUPPORT_PRINTERS_H_
#define PARVEX_TESTS_SUPPORT_PRINTERS_H_

#include <ostream>

#include "grid/grid.h"
#include "import/import.h"

namespace parvex {

inline void PrintTo(const CellPos& pos, std::ostream* os) { *os << "(row " << pos.row << ", col " << pos.col << ")"; }

inline void PrintTo(const CellRect& rect, std::ostream* os) {
  *os << "rows " << rect.first_row << ".." << rect.last_row << " x cols " << rect.first_col << ".." << rect.last_col;
}

inline void PrintTo(const TableSize& size, std::ostream* os) { *os << size.rows << " x " << size.cols; }

}  // namespace parvex

#endif  // PARVEX_TESTS_SUPPORT_PRINTERS_H_
