#include "layout/split_into_columns.h"

#include <algorithm>
#include <string>
#include <vector>

#include "grid/grid_builder.h"
#include "layout/page_plan.h"
#include "port/prefault.h"

namespace parvex {
namespace {

using Segment = PlannedSegment;
using Page = PlannedPage;

// The page plan and what building the result from it takes.
struct Plan : PagePlan {
  int64_t stored_cells = 0;  // cells the result stores (refers to)
  int64_t runs = 0;          // runs the result's rows list, at most
};

Status BuildResult(const Grid& source, Grid& result, const LayoutOptions& options, Plan& plan);

}  // namespace

Status SplitIntoColumns(const Grid& source, Grid& result, const LayoutOptions& options, PagePlan* page_plan) {
  Plan plan;
  if (Status planned = PlanLayout(source, options, result.design(), &plan); !planned.ok()) return planned;
  if (Status built = BuildResult(source, result, options, plan); !built.ok()) return built;
  if (page_plan != nullptr) *page_plan = std::move(plan);
  return Status();
}

namespace {

// Builds `result` from `plan`, refusing a result whose text or stored cells would pass the
// grid's limits; `result` is replaced only when it is complete.
Status BuildResult(const Grid& source, Grid& result, const LayoutOptions& options, Plan& plan) {
  const GroupGeometry& geometry = plan.geometry;
  const int32_t groups = geometry.groups;
  const int64_t result_cols = geometry.ResultColumns();
  const int32_t first_data = plan.first_data_row;

  // The layout's text must stay readable by an import: every row has a TAB between neighbouring
  // columns, empty or not, so a wide layout of many (padded) rows is too long even when it holds
  // little. The cells' bytes are at most the title once per group and the source's text.
  const int64_t separators = plan.rows * (result_cols - 1) + std::max<int64_t>(plan.rows - 1, 0);
  const GridBuilder::RowCost title =
      options.source_has_title ? GridBuilder::CostOfRow(source, 0) : GridBuilder::RowCost{};
  const int64_t text_bytes = separators + title.text_bytes * groups + source.TextBytes();
  if (text_bytes > kMaxTextBytes) {
    return Status::Failed("layout refused: its text would take " + std::to_string(text_bytes) +
                          " bytes, more than the limit of " + std::to_string(kMaxTextBytes) +
                          "; use fewer column groups, fewer rows per page or turn off padding");
  }

  // Count the cells the result will store before building it: a refusal costs nothing. Every
  // data row is placed once, and the title row once per group.
  plan.stored_cells = GridBuilder::StoredCells(source) - title.cells + groups * title.cells;
  // A row made of one run keeps it in place; one made of several lists them. A page's row i
  // places a source row in every group longer than i, so the rows with two or more are those
  // above the second longest group's end. Source rows made of several runs (a layout of a
  // layout) may add up to their own listed runs.
  plan.runs = GridBuilder::ListedRuns(source) + (groups * title.runs >= 2 ? groups * title.runs : 0);
  for (const Page& page : plan.pages) {
    int64_t longest = 0;
    int64_t second = 0;
    for (size_t g = 0; g < page.groups; ++g) {
      const int64_t count = plan.segments[page.first_segment + g].count;
      if (count > longest) {
        second = longest;
        longest = count;
      } else if (count > second) {
        second = count;
      }
    }
    for (size_t g = 0; g < page.groups; ++g) plan.runs += std::min(plan.segments[page.first_segment + g].count, second);
  }
  if (plan.stored_cells > kMaxCells) {
    return Status::Failed("layout refused: " + std::to_string(plan.stored_cells) +
                          " result cells exceed the limit of " + std::to_string(kMaxCells) +
                          "; use fewer column groups");
  }

  // Build row by row into a grid of our own that refers to the source's texts and cells, and put
  // it in place only when it is complete.
  GridBuilder out(result.design(), source, static_cast<int32_t>(result_cols), options.column_width, true);
  out.Reserve(plan.rows, plan.runs);
  const Prefault prefault({out.ReservedRows(), out.ReservedRuns()});
  if (options.source_has_title) {
    out.AppendEmptyRows(1);
    for (int32_t g = 0; g < groups && source.RowCount() > 0; ++g) {
      out.AppendCellsOf(0, static_cast<int32_t>(geometry.ResultColumn(g, 0)));
    }
  }
  for (const Page& page : plan.pages) {
    for (int64_t i = 0; i < page.height; ++i) {
      out.AppendEmptyRows(1);
      for (size_t g = 0; g < page.groups; ++g) {
        const Segment& segment = plan.segments[page.first_segment + g];
        if (i < segment.count) {
          out.AppendCellsOf(static_cast<int32_t>(first_data + segment.first + i),
                          static_cast<int32_t>(geometry.ResultColumn(static_cast<int32_t>(g), 0)));
        }
      }
    }
  }
  result = out.Finish();
  return Status();
}

}  // namespace
}  // namespace parvex
