#include "print/print_layout.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <optional>
#include <span>

#include "base/status.h"
#include "grid/grid_designs.h"
#include "grid/text_to_integer.h"
#include "port/code_page.h"

namespace parvex {

int32_t PrintLayout::TallestBlock() const {
  int32_t tallest = 0;
  for (const PageBlock& block : blocks) tallest = std::max(tallest, block.row_count);
  return tallest;
}

bool PrintLayout::IsTwoLines(int64_t row) const {
  return std::binary_search(two_line_rows.begin(), two_line_rows.end(), row);
}

int64_t PrintLayout::LinesOf(const PageBlock& block) const {
  const auto first = std::lower_bound(two_line_rows.begin(), two_line_rows.end(), int64_t{block.first_row});
  const auto end = std::lower_bound(first, two_line_rows.end(), int64_t{block.first_row} + block.row_count);
  return block.row_count + (end - first);
}

int64_t PrintLayout::TallestBlockLines() const {
  int64_t tallest = 0;
  for (const PageBlock& block : blocks) tallest = std::max(tallest, LinesOf(block));
  return tallest;
}

PrintLayout PrintLayoutOf(const PagePlan& plan, const std::vector<double>& widths_pt) {
  PrintLayout layout;
  layout.has_title = plan.has_title;
  const int32_t cols = plan.ResultColumns();
  layout.columns.reserve(static_cast<size_t>(cols));
  for (int32_t c = 0; c < cols; ++c) {
    const auto source_column = static_cast<size_t>(plan.geometry.SourceColumn(c));
    const double width =
        source_column < widths_pt.size() ? widths_pt[source_column] : plan.ColumnWidth(c) * kPointsPerPixel;
    layout.columns.push_back({width, plan.geometry.IsSeparator(c)});
  }
  // A plan of an existing grid has at most kMaxRows rows: its row numbers fit in int32.
  layout.blocks.reserve(plan.pages.size());
  for (const PlannedPage& page : plan.pages) {
    layout.blocks.push_back({static_cast<int32_t>(page.first_row), static_cast<int32_t>(page.height)});
  }
  if (layout.blocks.empty()) layout.blocks.push_back({plan.has_title ? 1 : 0, 0});
  return layout;
}

Status PrintDocumentOf(const Grid& result, const PagePlan& plan, const PageSetup& setup, std::vector<double> widths_pt,
                       std::vector<int64_t> two_line_rows, PrintDocument* document) {
  if (Status s = PlanFitsGrid(plan, result); !s.ok()) return s;
  PrintDocument made;
  made.result = &result;
  made.setup = setup;
  made.layout = PrintLayoutOf(plan, widths_pt);
  made.layout.two_line_rows = std::move(two_line_rows);
  const int64_t rows_on_page = made.layout.TallestBlockLines() + (made.layout.has_title ? 1 : 0);
  if (Status s = ComputePageGeometry(setup, made.layout.columns, rows_on_page, &made.geometry); !s.ok()) return s;
  *document = std::move(made);
  return {};
}

double PrintDocument::TypeSize() const { return geometry.TypeSize(setup.font_size_pt); }

Status PlanFitsGrid(const PagePlan& plan, const Grid& result) {
  if (plan.rows == result.RowCount() && plan.ResultColumns() == result.ColCount()) return {};
  return Status::Failed("the page plan (" + std::to_string(plan.rows) + " x " + std::to_string(plan.ResultColumns()) +
                        ") is not the plan of the laid-out grid (" + std::to_string(result.RowCount()) + " x " +
                        std::to_string(result.ColCount()) + "); lay the table out again");
}

namespace {

// The tallest page block of `plan` in lines, a result row two lines tall when one of its groups
// holds a data row marked in `two_lines` (indexed by data row).
int64_t TallestPageLines(const PagePlan& plan, const std::vector<bool>& two_lines) {
  int64_t tallest = 0;
  for (const PlannedPage& page : plan.pages) {
    const std::span<const PlannedSegment> segments = plan.SegmentsOf(page);
    int64_t lines = page.height;
    for (int64_t i = 0; i < page.height; ++i) {
      for (const PlannedSegment& segment : segments) {
        if (i < segment.count && two_lines[static_cast<size_t>(segment.first + i)]) {
          ++lines;
          break;
        }
      }
    }
    tallest = std::max(tallest, lines);
  }
  return tallest;
}

}  // namespace

Status RowsPerPageWithTwoLineRows(const Grid& source, const LayoutOptions& options, int32_t lines_per_page,
                                  const std::vector<int64_t>& two_line_data_rows, int32_t* rows) {
  const int64_t data_rows = std::max<int64_t>(int64_t{source.RowCount()} - (options.source_has_title ? 1 : 0), 0);
  std::vector<bool> two_lines(static_cast<size_t>(data_rows), false);
  for (int64_t d : two_line_data_rows) {
    if (d >= 0 && d < data_rows) two_lines[static_cast<size_t>(d)] = true;
  }
  LayoutOptions trial = options;
  Status refused;
  // Whether `r` rows per page keep every block within the page; nullopt for a refused layout.
  auto fits = [&](int32_t r) -> std::optional<bool> {
    trial.rows_per_page = r;
    PagePlan plan;
    if (Status s = PlanLayout(source, trial, ResultGridDesign(), &plan); !s.ok()) {
      refused = s;
      return std::nullopt;
    }
    return TallestPageLines(plan, two_lines) <= lines_per_page;
  };
  const std::optional<bool> all = fits(lines_per_page);
  if (!all.has_value()) return refused;
  int32_t low = std::max(lines_per_page / 2, 2);
  if (*all || low >= lines_per_page) {
    *rows = *all ? lines_per_page : low;
    return {};
  }
  // `low` fits (no block is more than twice its rows tall) and `high` does not.
  int32_t high = lines_per_page;
  while (high - low > 1) {
    const int32_t mid = low + (high - low) / 2;
    const std::optional<bool> fit = fits(mid);
    if (!fit.has_value()) return refused;
    (*fit ? low : high) = mid;
  }
  *rows = low;
  return {};
}

std::string CellTextUtf8(std::string_view bytes) { return ToUtf8(bytes); }

}  // namespace parvex
