#include "print/print_layout.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

#include "grid/text_to_integer.h"

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

std::string CellTextUtf8(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  // One converter for every cell of a run: opening one per cell would dominate a GBK table.
  static const iconv_t cd = iconv_open("UTF-8", "GB18030");
  std::string out;
  out.reserve(bytes.size() * 3 / 2 + 4);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    for (char c : bytes) {
      if (static_cast<unsigned char>(c) < 0x80) {
        out += c;
      } else {
        out += "\xEF\xBF\xBD";
      }
    }
    return out;
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a cell starts in the initial state
  std::string in(bytes);
  char* in_ptr = in.data();
  size_t in_left = in.size();
  char buffer[256];
  while (in_left > 0) {
    char* out_ptr = buffer;
    size_t out_left = sizeof buffer;
    const size_t done = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    out.append(buffer, static_cast<size_t>(out_ptr - buffer));
    if (done == static_cast<size_t>(-1) && errno != E2BIG) {
      // A byte that starts no character: mark it and read on after it.
      out += "\xEF\xBF\xBD";
      ++in_ptr;
      --in_left;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

bool AutoRowsPerPage(const Grid& source, const LayoutOptions& options, const PageSetup& setup, int32_t* rows,
                     std::string* error) {
  PagePlan plan;
  return PlanColumns(source, options, ResultGridDesign(), &plan, error) &&
         RowsPerPage(setup, PrintLayoutOf(plan).columns, plan.has_title, rows, error);
}

}  // namespace parvex
