#include "layout/split_into_columns.h"

#include <algorithm>
#include <vector>

#include "grid/prefault.h"

namespace parvex {
namespace {

// One column group's share of a page: `count` data rows from data row `first` on.
struct Segment {
  int64_t first = 0;
  int64_t count = 0;
};

// One page block of the result: `height` rows; its groups are segments[first .. first + groups).
struct Page {
  int64_t height = 0;
  size_t first_segment = 0;
  size_t groups = 0;
};

struct Plan {
  std::vector<Segment> segments;
  std::vector<Page> pages;
  int64_t rows = 0;          // result rows, title row included
  int64_t stored_cells = 0;  // cells the result stores (refers to)
  int64_t runs = 0;          // runs the result's rows list, at most
};

}  // namespace

bool SplitIntoColumns(const Grid& source, Grid& result, const LayoutOptions& options, std::string* error) {
  int32_t rows_per_page = options.rows_per_page.value_or(kDefaultRowsPerPage);
  if (rows_per_page < 2) rows_per_page = kDefaultRowsPerPage;
  const int32_t key = options.key_column.value_or(0);
  const int32_t groups = std::max(options.groups.value_or(1), 1);

  const int32_t cols = source.ColCount();
  const int64_t stride = int64_t{cols} + 1;  // a group's columns and the separator after it
  const int64_t result_cols = int64_t{groups} * cols + groups - 1;
  if (result_cols > INT32_MAX) {
    *error = "layout refused: " + std::to_string(result_cols) + " result columns do not fit in int32; use fewer column groups";
    return false;
  }
  if (result_cols > kMaxCols) {
    *error = "layout refused: " + std::to_string(result_cols) + " result columns exceed the limit of " +
             std::to_string(kMaxCols) + "; use fewer column groups";
    return false;
  }

  // Data rows are source rows first_data .. first_data + data_rows - 1. Without a title row the
  // layout runs as if an empty title row stood above them and was removed afterwards.
  const int32_t first_data = options.source_has_title ? 1 : 0;
  const int64_t data_rows = std::max<int64_t>(int64_t{source.RowCount()} - first_data, 0);
  // A key column past the last source column reads as absent in every row: it never breaks.
  const bool break_by_key = key > 0 && key <= cols;
  auto key_changes = [&](int64_t d) {
    const auto row = static_cast<int32_t>(first_data + d);
    return source.CellView(row, key - 1) != source.CellView(row - 1, key - 1);
  };

  // Pages are filled down group 0, then down group 1 and so on; group 0 makes the page's rows.
  // A change of the key value ends the page before the changed row, except at the very first
  // row of a page; a page cut short in group 0 is padded to full height when asked.
  Plan plan;
  int64_t next = 0;
  while (next < data_rows) {
    Page page;
    page.first_segment = plan.segments.size();
    int64_t placed = 0;  // data rows on this page so far, across its groups
    bool ended = false;
    for (int32_t g = 0; g < groups && !ended; ++g) {
      Segment segment{next, 0};
      for (int32_t k = 0; k < rows_per_page; ++k) {
        if (next >= data_rows) {
          ended = true;
          break;
        }
        if (break_by_key && next > 0 && (g > 0 || placed > 0) && key_changes(next)) {
          if (g == 0 && options.pad_short_pages) page.height = rows_per_page;
          ended = true;
          break;
        }
        if (g == 0) ++page.height;
        ++segment.count;
        ++next;
        ++placed;
      }
      if (segment.count > 0) plan.segments.push_back(segment);
    }
    page.groups = plan.segments.size() - page.first_segment;
    plan.rows += page.height;
    plan.pages.push_back(page);
  }
  if (options.source_has_title) plan.rows += 1;
  if (plan.rows > kMaxRows) {
    *error = "layout refused: " + std::to_string(plan.rows) + " result rows exceed the limit of " +
             std::to_string(kMaxRows) + "; turn off padding or use fewer rows per page";
    return false;
  }

  // The layout's text must stay readable by an import: every row has a TAB between neighbouring
  // columns, empty or not, so a wide layout of many (padded) rows is too long even when it holds
  // little. The cells' bytes are at most the title once per group and the source's text.
  const int64_t separators = plan.rows * (result_cols - 1) + std::max<int64_t>(plan.rows - 1, 0);
  int64_t title_bytes = 0;
  if (options.source_has_title) {
    source.ForEachRun(0, [&](const Grid::CellRun& run) {
      if (!run.line.empty()) title_bytes += static_cast<int64_t>(run.line.size() - (run.count - 1));  // without its TABs
      for (const CellRef cell : run.cells) title_bytes += cell.size();
    });
  }
  const auto text_bytes = separators + title_bytes * groups + static_cast<int64_t>(source.texts().used());
  if (text_bytes > kMaxTextBytes) {
    *error = "layout refused: its text would take " + std::to_string(text_bytes) + " bytes, more than the limit of " +
             std::to_string(kMaxTextBytes) + "; use fewer column groups, fewer rows per page or turn off padding";
    return false;
  }

  // Count the cells the result will store before building it: a refusal costs nothing. Every
  // data row is placed once, and the title row once per group.
  int64_t title_cells = 0;
  int64_t title_runs = 0;
  if (options.source_has_title && source.RowCount() > 0) {
    source.ForEachRun(0, [&](const Grid::CellRun& run) {
      title_cells += run.count;
      ++title_runs;
    });
  }
  plan.stored_cells = source.StoredCells() - title_cells + groups * title_cells;
  // A row made of one run keeps it in place; one made of several lists them. A page's row i
  // places a source row in every group longer than i, so the rows with two or more are those
  // above the second longest group's end. Source rows made of several runs (a layout of a
  // layout) may add up to their own listed runs.
  plan.runs = source.ListedRuns() + (groups * title_runs >= 2 ? groups * title_runs : 0);
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
    *error = "layout refused: " + std::to_string(plan.stored_cells) + " result cells exceed the limit of " +
             std::to_string(kMaxCells) + "; use fewer column groups";
    return false;
  }

  // Build row by row into a grid of our own that refers to the source's texts and cells, and put
  // it in place only when it is complete.
  Grid out(result.design());
  out.StartSharing(source, static_cast<int32_t>(result_cols), options.column_width, true);
  out.Reserve(plan.rows, plan.runs);
  const Prefault prefault({out.ReservedRows(), out.ReservedRuns()});
  if (options.source_has_title) {
    out.AppendEmptyRows(1);
    for (int32_t g = 0; g < groups && source.RowCount() > 0; ++g) {
      out.AppendCellsOf(source, 0, static_cast<int32_t>(g * stride));
    }
  }
  for (const Page& page : plan.pages) {
    for (int64_t i = 0; i < page.height; ++i) {
      out.AppendEmptyRows(1);
      for (size_t g = 0; g < page.groups; ++g) {
        const Segment& segment = plan.segments[page.first_segment + g];
        if (i < segment.count) {
          out.AppendCellsOf(source, static_cast<int32_t>(first_data + segment.first + i), static_cast<int32_t>(g * stride));
        }
      }
    }
  }
  result = std::move(out);
  return true;
}

}  // namespace parvex
