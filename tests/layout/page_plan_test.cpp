#include "layout/page_plan.h"

#include <gtest/gtest.h>

#include <random>
#include <span>
#include <string>
#include <vector>

#include "base/status.h"
#include "grid/grid_designs.h"
#include "support/grid_helpers.h"

namespace parvex {
namespace {

using test_support::Cells;
using test_support::GridOf;

// Checks `plan` against the grid SplitIntoColumns built by it: the pages tile the rows after
// the title, each group of a page holds exactly its segment's source rows in order, what no
// segment reaches (padding, groups a key change left short) is empty, the segments cover the
// data rows once and in order, and the columns are the grid's.
void ExpectPlanMatchesGrid(const Grid& source, const Grid& result, const PagePlan& plan) {
  ASSERT_EQ(plan.rows, result.RowCount());
  ASSERT_EQ(plan.ResultColumns(), result.ColCount());
  for (int32_t c = 0; c < result.ColCount(); ++c) {
    SCOPED_TRACE("column " + std::to_string(c));
    EXPECT_EQ(plan.ColumnWidth(c), result.GetColumnWidth(c).value_or(-1));
    if (plan.geometry.IsSeparator(c)) {
      for (int32_t r = 0; r < result.RowCount(); ++r) EXPECT_EQ(result.CellView(r, c), "");
    }
  }
  const int32_t cols = plan.geometry.source_columns;
  auto expect_group_row = [&](int32_t result_row, int32_t group, int32_t source_row) {
    for (int32_t c = 0; c < cols; ++c) {
      const std::string_view want = source_row < 0 ? std::string_view() : source.CellView(source_row, c);
      EXPECT_EQ(result.CellView(result_row, group * (cols + 1) + c), want)
          << "result row " << result_row << ", group " << group << ", column " << c;
    }
  };
  if (plan.has_title) {
    for (int32_t g = 0; g < plan.geometry.groups; ++g) expect_group_row(0, g, 0);
  }
  int64_t row = plan.has_title ? 1 : 0;
  int64_t next_data = 0;
  size_t next_segment = 0;
  for (const PlannedPage& page : plan.pages) {
    SCOPED_TRACE("page at row " + std::to_string(page.first_row));
    ASSERT_EQ(page.first_row, row);
    ASSERT_EQ(page.first_segment, next_segment);
    ASSERT_GE(page.groups, 1u);
    ASSERT_LE(page.groups, static_cast<size_t>(plan.geometry.groups));
    ASSERT_LE(page.height, plan.rows_per_page);
    const std::span<const PlannedSegment> segments = plan.SegmentsOf(page);
    EXPECT_EQ(page.height, segments[0].count + page.padding);
    for (const PlannedSegment& segment : segments) {
      EXPECT_EQ(segment.first, next_data);
      EXPECT_GE(segment.count, 1);
      EXPECT_LE(segment.count, page.height);
      next_data += segment.count;
    }
    for (int64_t i = 0; i < page.height; ++i) {
      for (int32_t g = 0; g < plan.geometry.groups; ++g) {
        const auto gi = static_cast<size_t>(g);
        const bool placed = gi < segments.size() && i < segments[gi].count;
        const int64_t source_row = placed ? plan.first_data_row + segments[gi].first + i : -1;
        expect_group_row(static_cast<int32_t>(row + i), g, static_cast<int32_t>(source_row));
      }
    }
    row += page.height;
    next_segment += page.groups;
  }
  EXPECT_EQ(row, plan.rows);
  EXPECT_EQ(next_segment, plan.segments.size());
  EXPECT_EQ(next_data, std::max<int64_t>(source.RowCount() - plan.first_data_row, 0));
}

// A page as the cases give it: its height, its padding and its groups' row counts.
struct PageShape {
  int64_t height;
  int64_t padding;
  std::vector<int64_t> counts;
  friend bool operator==(const PageShape&, const PageShape&) = default;
};

std::vector<PageShape> ShapesOf(const PagePlan& plan) {
  std::vector<PageShape> shapes;
  for (const PlannedPage& page : plan.pages) {
    PageShape shape{page.height, page.padding, {}};
    for (const PlannedSegment& segment : plan.SegmentsOf(page)) shape.counts.push_back(segment.count);
    shapes.push_back(shape);
  }
  return shapes;
}

// Name and class of seven pupils: the classes change after Ben and after Fay.
Cells Pupils() {
  return {{"Name", "Class"}, {"Ann", "A"}, {"Ben", "A"}, {"Cai", "B"}, {"Dan", "B"},
          {"Eva", "B"},      {"Fay", "B"}, {"Gus", "C"}};
}

struct PlanCase {
  const char* name;
  Cells source;
  LayoutOptions options;
  std::vector<PageShape> pages;
};

const PlanCase kPlanCases[] = {
    {"plain pages, the last short", Pupils(), {.groups = 2, .rows_per_page = 3}, {{3, 0, {3, 3}}, {1, 0, {1}}}},
    {"padded pages are full height when the key cut them in group 0",
     Pupils(),
     {.groups = 2, .rows_per_page = 3, .key_column = 2},
     {{3, 1, {2}}, {3, 0, {3, 1}}, {1, 0, {1}}}},
    {"unpadded page cut by the key is as tall as its rows",
     Pupils(),
     {.groups = 2, .rows_per_page = 3, .key_column = 2, .pad_short_pages = false},
     {{2, 0, {2}}, {3, 0, {3, 1}}, {1, 0, {1}}}},
    {"key past the last column never cuts",
     Pupils(),
     {.groups = 2, .rows_per_page = 3, .key_column = 3, .pad_short_pages = false},
     {{3, 0, {3, 3}}, {1, 0, {1}}}},
    {"key change at the first row of group 1 ends the page, group 0 full, no padding",
     {{"k"}, {"A"}, {"A"}, {"A"}, {"B"}, {"B"}},
     {.groups = 2, .rows_per_page = 3, .key_column = 1},
     {{3, 0, {3}}, {2, 0, {2}}}},
    {"key change at the first row of group 2",
     {{"k"}, {"A"}, {"A"}, {"A"}, {"A"}, {"B"}, {"B"}, {"B"}},
     {.groups = 3, .rows_per_page = 2, .key_column = 1, .pad_short_pages = false},
     {{2, 0, {2, 2}}, {2, 0, {2, 1}}}},
    {"a change at the first row of a page never breaks; the data end never pads",
     {{"k"}, {"a"}, {"b"}, {"a"}},
     {.groups = 1, .rows_per_page = 3, .key_column = 1},
     {{3, 2, {1}}, {3, 2, {1}}, {1, 0, {1}}}},
    {"one group", Pupils(), {.groups = 1, .rows_per_page = 4}, {{4, 0, {4}}, {3, 0, {3}}}},
    {"exactly one full page", {{"t"}, {"1"}, {"2"}, {"3"}, {"4"}}, {.groups = 2, .rows_per_page = 2}, {{2, 0, {2, 2}}}},
    {"one row over a full page",
     {{"t"}, {"1"}, {"2"}, {"3"}},
     {.groups = 1, .rows_per_page = 2},
     {{2, 0, {2}}, {1, 0, {1}}}},
    {"title only has no pages", {{"Name", "Class"}}, {.groups = 3, .rows_per_page = 5}, {}},
    {"groups below 1 mean one group", {{"t"}, {"1"}, {"2"}}, {.groups = 0, .rows_per_page = 2}, {{2, 0, {2}}}},
    {"no title row: every row is data",
     {{"1"}, {"2"}, {"3"}, {"4"}, {"5"}},
     {.groups = 1, .rows_per_page = 2, .source_has_title = false},
     {{2, 0, {2}}, {2, 0, {2}}, {1, 0, {1}}}},
    {"no title row, a padded key cut",
     {{"x", "1"}, {"y", "2"}, {"y", "3"}},
     {.groups = 2, .rows_per_page = 2, .key_column = 1, .source_has_title = false},
     {{2, 1, {1}}, {2, 0, {2}}}},
    {"wide rows and a column width", Pupils(), {.groups = 3, .rows_per_page = 2, .column_width = 40},
     {{2, 0, {2, 2, 2}}, {1, 0, {1}}}},
};

// Numbered data rows under a title, for the balancing cases.
Cells Numbered(int rows) {
  Cells cells = {{"n"}};
  for (int r = 1; r <= rows; ++r) cells.push_back({std::to_string(r)});
  return cells;
}

const PlanCase kBalanceCases[] = {
    {"fewer rows than groups: one to a group, the rest empty", Numbered(2),
     {.groups = 3, .rows_per_page = 4, .balance_short_pages = true}, {{1, 0, {1, 1}}}},
    {"rows divisible by the groups", Numbered(6), {.groups = 3, .rows_per_page = 4, .balance_short_pages = true},
     {{2, 0, {2, 2, 2}}}},
    {"the last group takes the rest", Numbered(7), {.groups = 3, .rows_per_page = 4, .balance_short_pages = true},
     {{3, 0, {3, 3, 1}}}},
    {"ceil leaves the last groups empty", Numbered(5), {.groups = 4, .rows_per_page = 5, .balance_short_pages = true},
     {{2, 0, {2, 2, 1}}}},
    {"full pages stay, the last page is balanced", Numbered(11),
     {.groups = 2, .rows_per_page = 4, .balance_short_pages = true}, {{4, 0, {4, 4}}, {2, 0, {2, 1}}}},
    {"a page one row short of full keeps its shape", Numbered(7),
     {.groups = 2, .rows_per_page = 4, .balance_short_pages = true}, {{4, 0, {4, 3}}}},
    {"one group is never reshaped", Numbered(5), {.groups = 1, .rows_per_page = 3, .balance_short_pages = true},
     {{3, 0, {3}}, {2, 0, {2}}}},
    {"padded key cuts are balanced over their padding, the last page is not padded",
     {{"k"}, {"a"}, {"b"}, {"b"}, {"b"}, {"b"}, {"c"}, {"c"}, {"c"}},
     {.groups = 2, .rows_per_page = 3, .key_column = 1, .balance_short_pages = true},
     {{3, 2, {1}}, {3, 1, {2, 2}}, {2, 0, {2, 1}}}},
    {"a key cut in group 1 with padding on is balanced",
     Pupils(), {.groups = 2, .rows_per_page = 3, .key_column = 2, .balance_short_pages = true},
     {{3, 2, {1, 1}}, {3, 1, {2, 2}}, {1, 0, {1}}}},
    {"unpadded key cuts are balanced", Pupils(),
     {.groups = 2, .rows_per_page = 3, .key_column = 2, .pad_short_pages = false, .balance_short_pages = true},
     {{1, 0, {1, 1}}, {2, 0, {2, 2}}, {1, 0, {1}}}},
    {"unpadded key cut in group 0 over three groups",
     {{"k"}, {"a"}, {"a"}, {"a"}, {"a"}, {"a"}, {"b"}},
     {.groups = 3, .rows_per_page = 6, .key_column = 1, .pad_short_pages = false, .balance_short_pages = true},
     {{2, 0, {2, 2, 1}}, {1, 0, {1}}}},
    {"no title row, balanced", {{"1"}, {"2"}, {"3"}},
     {.groups = 2, .rows_per_page = 4, .source_has_title = false, .balance_short_pages = true}, {{2, 0, {2, 1}}}},
};

void ExpectPlansMatchTheBuiltGrid(std::span<const PlanCase> cases) {
  for (const PlanCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Grid source = GridOf(c.source, SourceGridDesign());
    Grid result(ResultGridDesign());
    PagePlan plan;
    const Status laid = SplitIntoColumns(source, result, c.options, &plan);
    ASSERT_TRUE(laid.ok()) << laid.message();
    EXPECT_EQ(ShapesOf(plan), c.pages);
    EXPECT_EQ(plan.has_title, c.options.source_has_title);
    ExpectPlanMatchesGrid(source, result, plan);
    // Planning alone gives the same plan, and its columns part agrees with it.
    PagePlan alone;
    const Status planned = PlanLayout(source, c.options, ResultGridDesign(), &alone);
    ASSERT_TRUE(planned.ok()) << planned.message();
    EXPECT_EQ(alone, plan);
    PagePlan columns;
    const Status planned_columns = PlanColumns(source, c.options, ResultGridDesign(), &columns);
    ASSERT_TRUE(planned_columns.ok()) << planned_columns.message();
    EXPECT_EQ(columns.ResultColumns(), plan.ResultColumns());
    EXPECT_EQ(columns.first_column_width, plan.first_column_width);
    EXPECT_EQ(columns.other_column_width, plan.other_column_width);
    EXPECT_EQ(columns.rows_per_page, plan.rows_per_page);
    EXPECT_TRUE(columns.pages.empty());
  }
}

TEST(PagePlanTest, PlanMatchesTheBuiltGrid) { ExpectPlansMatchTheBuiltGrid(kPlanCases); }

TEST(PagePlanTest, BalancedPlanMatchesTheBuiltGrid) { ExpectPlansMatchTheBuiltGrid(kBalanceCases); }

TEST(PagePlanTest, GeneratedTablesMatchTheBuiltGrid) {
  std::mt19937 rng(5);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 200; ++round) {
    const int cols = pick(1, 3);
    Cells cells;
    for (int r = pick(0, 40); r >= 0; --r) {
      std::vector<std::string> row;
      for (int c = 0; c < cols; ++c) row.push_back(c == 0 ? "k" + std::to_string(pick(0, 2)) : std::to_string(r));
      cells.push_back(row);
    }
    const LayoutOptions options{.groups = pick(1, 4),
                                .rows_per_page = pick(2, 6),
                                .key_column = pick(0, 1),
                                .column_width = pick(0, 3) * 20,
                                .pad_short_pages = pick(0, 1) == 1,
                                .source_has_title = pick(0, 3) != 0,
                                .balance_short_pages = pick(0, 1) == 1};
    SCOPED_TRACE(::testing::Message() << "round " << round);
    const Grid source = GridOf(cells, SourceGridDesign());
    Grid result(ResultGridDesign());
    PagePlan plan;
    const Status laid = SplitIntoColumns(source, result, options, &plan);
    ASSERT_TRUE(laid.ok()) << laid.message();
    ExpectPlanMatchesGrid(source, result, plan);
    if (::testing::Test::HasFailure()) break;
  }
}

TEST(PagePlanTest, RefusalLeavesThePlanAsItWas) {
  Grid source(SourceGridDesign());
  ASSERT_TRUE(source.ResizeAndClear(2, 100000, 0, false));
  Grid result(ResultGridDesign());
  PagePlan plan;
  plan.geometry.groups = 7;
  EXPECT_FALSE(SplitIntoColumns(source, result, {.groups = 200}, &plan).ok());
  EXPECT_FALSE(PlanColumns(source, {.groups = 200}, ResultGridDesign(), &plan).ok());
  const Status too_wide = PlanLayout(source, {.groups = 200}, ResultGridDesign(), &plan);
  EXPECT_FALSE(too_wide.ok());
  EXPECT_NE(too_wide.message().find("exceed the limit of " + std::to_string(kMaxCols)), std::string::npos)
      << too_wide.message();
  EXPECT_EQ(plan.geometry.groups, 7);

  // 599 one-row pages padded to 32767 rows, the last page and the title pass the row limit.
  Cells alternating = {{"k"}};
  for (int r = 0; r < 600; ++r) alternating.push_back({r % 2 == 0 ? "a" : "b"});
  const Status too_tall =
      PlanLayout(GridOf(alternating), {.rows_per_page = 32767, .key_column = 1}, ResultGridDesign(), &plan);
  EXPECT_FALSE(too_tall.ok());
  EXPECT_EQ(
      too_tall.message(),
      "layout refused: 19627435 result rows exceed the limit of 16777216; turn off padding or use fewer rows per page");
  EXPECT_EQ(plan.geometry.groups, 7);
}

}  // namespace
}  // namespace parvex
