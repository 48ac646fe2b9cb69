#include "print/print_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/status.h"
#include "grid/grid_designs.h"
#include "support/grid_helpers.h"
#include "support/is_ok.h"
#include "support/print_document.h"

namespace parvex {
namespace {

using test_support::Cells;
using test_support::GridOf;

// Name and class of seven pupils: the classes change after Ben and after Fay.
Cells Pupils() {
  return {{"Name", "Class"}, {"Ann", "A"}, {"Ben", "A"}, {"Cai", "B"}, {"Dan", "B"},
          {"Eva", "B"},      {"Fay", "B"}, {"Gus", "C"}};
}

// Lays `source` out with `options` and gives the printed pages of the plan it was laid out by.
PrintLayout LaidOut(const Grid& source, const LayoutOptions& options, Grid* result, PagePlan* plan) {
  const Status laid = SplitIntoColumns(source, *result, options, plan);
  EXPECT_TRUE(laid.ok()) << laid.message();
  return PrintLayoutOf(*plan);
}

// Which rows land on which page is the page plan's (its own tests); printing adds a block per
// planned page, one after another below the title (full height when padded), and one empty page
// when there are no data rows.
TEST(PrintLayoutTest, PrintsABlockPerPlannedPage) {
  const struct {
    const char* name;
    Cells source;
    LayoutOptions options;
  } cases[] = {
      {"padded pages cut by the key", Pupils(), {.groups = 2, .rows_per_page = 3, .key_column = 2}},
      {"no title row",
       {{"1"}, {"2"}, {"3"}, {"4"}, {"5"}},
       {.groups = 1, .rows_per_page = 2, .source_has_title = false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Grid result(ResultGridDesign());
    PagePlan plan;
    const PrintLayout layout = LaidOut(GridOf(c.source), c.options, &result, &plan);
    EXPECT_EQ(layout.has_title, c.options.source_has_title);
    EXPECT_EQ(layout.columns.size(), static_cast<size_t>(result.ColCount()));
    ASSERT_EQ(layout.blocks.size(), plan.pages.size());
    int32_t row = layout.has_title ? 1 : 0;
    for (size_t p = 0; p < plan.pages.size(); ++p) {
      EXPECT_EQ(layout.blocks[p], (PageBlock{row, static_cast<int32_t>(plan.pages[p].height)})) << "page " << p;
      row += layout.blocks[p].row_count;
    }
    EXPECT_EQ(row, result.RowCount());
  }

  Grid result(ResultGridDesign());
  PagePlan plan;
  EXPECT_EQ(LaidOut(GridOf({{"Name", "Class"}}), {.groups = 3, .rows_per_page = 5}, &result, &plan).blocks,
            (std::vector<PageBlock>{{1, 0}}))
      << "a title alone prints one empty page";
}

TEST(PrintLayoutTest, MarksSeparatorsAndConvertsPixels) {
  Grid result(ResultGridDesign());
  PagePlan plan;
  const PrintLayout layout =
      LaidOut(GridOf(Pupils()), {.groups = 3, .rows_per_page = 2, .column_width = 40}, &result, &plan);
  ASSERT_EQ(layout.columns.size(), 8u);
  for (size_t c = 0; c < layout.columns.size(); ++c) {
    SCOPED_TRACE(c);
    EXPECT_EQ(layout.columns[c].separator, c == 2 || c == 5);
    EXPECT_EQ(layout.columns[c].width_pt, 30);
  }
  EXPECT_EQ(layout.TallestBlock(), 2);
  // Without a width the first column keeps the grid's and the others the inserted width.
  const PrintLayout plain = LaidOut(GridOf(Pupils()), {.groups = 1}, &result, &plan);
  ASSERT_EQ(plain.columns.size(), 2u);
  EXPECT_EQ(plain.columns[0].width_pt, ResultGridDesign().col_width * kPointsPerPixel);
  EXPECT_EQ(plain.columns[1].width_pt, kInsertedColumnWidth * kPointsPerPixel);
  EXPECT_FALSE(plain.columns[1].separator);
}

TEST(PrintLayoutTest, PlanOfAnotherGridIsRefused) {
  Grid result(ResultGridDesign());
  PagePlan plan;
  LaidOut(GridOf(Pupils()), {.groups = 2, .rows_per_page = 3}, &result, &plan);
  EXPECT_TRUE(PlanFitsGrid(plan, result).ok());
  const Grid other = GridOf({{"a", "b", "c", "d", "e"}, {"1", "2", "3", "4", "5"}});
  EXPECT_EQ(PlanFitsGrid(plan, other).message(),
            "the page plan (5 x 5) is not the plan of the laid-out grid (2 x 5); lay the table out again");
}

TEST(AutoRowsPerPageTest, CountsWithTheColumnsOfTheRealLayout) {
  const Grid source = GridOf(Pupils());
  const PageSetup setup{.orientation = Orientation::kLandscape};
  for (int32_t width : {0, 40, 77, 400}) {
    SCOPED_TRACE(width);
    const LayoutOptions options{.groups = 2, .rows_per_page = 3, .column_width = width};
    int32_t rows = 0;
    ASSERT_TRUE(test_support::IsOk(test_support::AutoRowsPerPage(source, options, setup, &rows)));
    Grid result(ResultGridDesign());
    PagePlan plan;
    const PrintLayout layout = LaidOut(source, options, &result, &plan);
    int32_t expected = 0;
    ASSERT_TRUE(test_support::IsOk(RowsPerPage(setup, layout.columns, true, &expected)));
    EXPECT_EQ(rows, expected);
  }
  int32_t rows = 0;
  Grid wide(SourceGridDesign());
  ASSERT_TRUE(wide.ResizeAndClear(2, 100000, 0, false));
  EXPECT_TRUE(test_support::FailsWith(test_support::AutoRowsPerPage(wide, {.groups = 200}, setup, &rows),
                                      "layout refused"));
}

// A title and `n` numbered rows.
Cells Numbered(int n) {
  Cells cells = {{"No"}};
  for (int i = 0; i < n; ++i) cells.push_back({std::to_string(i)});
  return cells;
}

TEST(RowsPerPageWithTwoLineRowsTest, MostRowsWhoseBlocksFitTheLines) {
  const struct {
    const char* name;
    int rows;
    LayoutOptions options;
    int32_t lines;
    std::vector<int64_t> two_line_rows;  // data rows
    int32_t expected;
  } cases[] = {
      {"no two-line rows: every line a row", 100, {.groups = 1}, 10, {}, 10},
      {"one two-line row takes a row from every page", 100, {.groups = 1}, 10, {42}, 9},
      {"a two-line row in the last, short block costs nothing", 95, {.groups = 1}, 10, {94}, 10},
      {"every row two lines: half the lines", 100, {.groups = 1}, 10, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 5},
      {"two groups: rows side by side share one tall row", 100, {.groups = 2}, 10, {0, 9}, 9},
      {"fewer than four lines: two rows, the page scaled", 100, {.groups = 1}, 3, {0, 1}, 2},
      {"two lines: two rows", 100, {.groups = 1}, 2, {0}, 2},
      {"a row a page by the key, padded to the full height", 100, {.groups = 1, .key_column = 1}, 10, {7}, 9},
      {"a row a page by the key, not padded", 100, {.groups = 1, .key_column = 1, .pad_short_pages = false}, 10, {7},
       10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Grid source = GridOf(Numbered(c.rows));
    int32_t rows = 0;
    ASSERT_TRUE(test_support::IsOk(RowsPerPageWithTwoLineRows(source, c.options, c.lines, c.two_line_rows, &rows)));
    EXPECT_EQ(rows, c.expected);
  }
}

TEST(RowsPerPageWithTwoLineRowsTest, RefusedLayoutIsReported) {
  Grid wide(SourceGridDesign());
  ASSERT_TRUE(wide.ResizeAndClear(2, 100000, 0, false));
  int32_t rows = 0;
  EXPECT_TRUE(test_support::FailsWith(RowsPerPageWithTwoLineRows(wide, {.groups = 200}, 10, {0}, &rows),
                                      "layout refused"));
}

TEST(PrintLayoutTest, BlocksCountTwoLineRowsTwice) {
  PrintLayout layout;
  layout.blocks = {{1, 4}, {5, 4}, {9, 2}};
  layout.two_line_rows = {2, 5, 8, 10};
  EXPECT_EQ(layout.LinesOf(layout.blocks[0]), 5);
  EXPECT_EQ(layout.LinesOf(layout.blocks[1]), 6);
  EXPECT_EQ(layout.LinesOf(layout.blocks[2]), 3);
  EXPECT_EQ(layout.TallestBlockLines(), 6);
  EXPECT_TRUE(layout.IsTwoLines(8));
  EXPECT_FALSE(layout.IsTwoLines(9));
}

TEST(CellTextUtf8Test, KeepsUtf8AndReadsGbk) {
  const struct {
    const char* name;
    std::string bytes;
    std::string utf8;
  } cases[] = {
      {"ASCII", "007", "007"},
      {"empty", "", ""},
      {"UTF-8", "班级", "班级"},
      {"GBK", "\xB0\xE0\xBC\xB6", "班级"},
      {"GBK among ASCII", "1\xB0\xE0", "1班"},
      {"byte that reads as nothing", "a\xFF" "b", "a\xEF\xBF\xBD" "b"},
      {"GBK lead byte at the end", "a\xB0", "a\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CellTextUtf8(c.bytes), c.utf8);
  }
}

}  // namespace
}  // namespace parvex
