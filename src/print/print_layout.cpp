#include "print/print_layout.h"

#include <algorithm>
#include <cerrno>

#include "grid/grid_designs.h"
#include "grid/text_to_integer.h"
#include "port/code_page.h"

namespace parvex {

int32_t PrintLayout::TallestBlock() const {
  int32_t tallest = 0;
  for (const PageBlock& block : blocks) tallest = std::max(tallest, block.row_count);
  return tallest;
}

PrintLayout PrintLayoutOf(const PagePlan& plan) {
  PrintLayout layout;
  layout.has_title = plan.has_title;
  const int32_t cols = plan.ResultColumns();
  layout.columns.reserve(static_cast<size_t>(cols));
  for (int32_t c = 0; c < cols; ++c) {
    const auto source_column = static_cast<size_t>(c % (plan.source_columns + 1));
    const double width = source_column < plan.printed_widths_pt.size() ? plan.printed_widths_pt[source_column]
                                                                       : plan.ColumnWidth(c) * kPointsPerPixel;
    layout.columns.push_back({width, plan.IsSeparator(c)});
  }
  // A plan of an existing grid has at most kMaxRows rows: its row numbers fit in int32.
  layout.blocks.reserve(plan.pages.size());
  for (const PlannedPage& page : plan.pages) {
    layout.blocks.push_back({static_cast<int32_t>(page.first_row), static_cast<int32_t>(page.height)});
  }
  if (layout.blocks.empty()) layout.blocks.push_back({plan.has_title ? 1 : 0, 0});
  return layout;
}

bool PlanFitsGrid(const PagePlan& plan, const Grid& result, std::string* error) {
  if (plan.rows == result.RowCount() && plan.ResultColumns() == result.ColCount()) return true;
  *error = "the page plan (" + std::to_string(plan.rows) + " x " + std::to_string(plan.ResultColumns()) +
           ") is not the plan of the laid-out grid (" + std::to_string(result.RowCount()) + " x " +
           std::to_string(result.ColCount()) + "); lay the table out again";
  return false;
}

std::string CellTextUtf8(std::string_view bytes) { return ToUtf8(bytes); }

bool AutoRowsPerPage(const Grid& source, const LayoutOptions& options, const PageSetup& setup, int32_t* rows,
                     std::string* error) {
  PagePlan plan;
  return PlanColumns(source, options, ResultGridDesign(), &plan, error) &&
         RowsPerPage(setup, PrintLayoutOf(plan).columns, plan.has_title, rows, error);
}

}  // namespace parvex
