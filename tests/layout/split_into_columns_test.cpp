#include "layout/split_into_columns.h"

#include <gtest/gtest.h>

#include <random>

#include "base/status.h"
#include "grid/grid_designs.h"
#include "support/grid_helpers.h"

namespace parvex {
namespace {

using test_support::Cells;
using test_support::CellsOf;
using test_support::GridOf;
using test_support::WidthsOf;

// The roster of the worked example: a title row and seven data rows, classes A A B B B B C.
Grid Roster() {
  return GridOf({{"Name", "Class"},
                 {"Ann", "A"},
                 {"Ben", "A"},
                 {"Cai", "B"},
                 {"Dan", "B"},
                 {"Eva", "B"},
                 {"Fay", "B"},
                 {"Gus", "C"}},
                SourceGridDesign());
}

Cells Layout(const Grid& source, const LayoutOptions& options) {
  Grid result(ResultGridDesign());
  const Status laid = SplitIntoColumns(source, result, options);
  EXPECT_TRUE(laid.ok()) << laid.message();
  return CellsOf(result);
}

TEST(SplitIntoColumnsTest, WorkedExample) {
  struct Case { const char* name; int32_t key; bool pad; Cells cells; };
  const Case cases[] = {
      {"no key column", 0, true,
       {{"Name", "Class", "", "Name", "Class"},
        {"Ann", "A", "", "Dan", "B"},
        {"Ben", "A", "", "Eva", "B"},
        {"Cai", "B", "", "Fay", "B"},
        {"Gus", "C", "", "", ""}}},
      {"key column 2, padded", 2, true,
       {{"Name", "Class", "", "Name", "Class"},
        {"Ann", "A", "", "", ""},
        {"Ben", "A", "", "", ""},
        {"", "", "", "", ""},
        {"Cai", "B", "", "Fay", "B"},
        {"Dan", "B", "", "", ""},
        {"Eva", "B", "", "", ""},
        {"Gus", "C", "", "", ""}}},
      {"key column 2, not padded", 2, false,
       {{"Name", "Class", "", "Name", "Class"},
        {"Ann", "A", "", "", ""},
        {"Ben", "A", "", "", ""},
        {"Cai", "B", "", "Fay", "B"},
        {"Dan", "B", "", "", ""},
        {"Eva", "B", "", "", ""},
        {"Gus", "C", "", "", ""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Layout(Roster(), {.groups = 2, .rows_per_page = 3, .key_column = c.key, .pad_short_pages = c.pad}), c.cells);
  }
}

TEST(SplitIntoColumnsTest, OutOfRangeSettingsTakeDefaults) {
  const Grid source = Roster();
  const Cells plain = Layout(source, {.groups = 2, .rows_per_page = 3, .key_column = 0});
  struct Case { const char* name; LayoutOptions options; Cells expected; };
  const Case cases[] = {
      {"negative key", {.groups = 2, .rows_per_page = 3, .key_column = -1}, plain},
      {"key past the last column", {.groups = 2, .rows_per_page = 3, .key_column = 3}, plain},
      {"groups 0 is one group", {.groups = 0, .rows_per_page = 46}, Layout(source, {.groups = 1, .rows_per_page = 46})},
      {"negative groups is one group", {.groups = -4, .rows_per_page = 46}, Layout(source, {.groups = 1, .rows_per_page = 46})},
      {"rows 1 is 46", {.groups = 2, .rows_per_page = 1}, Layout(source, {.groups = 2, .rows_per_page = 46})},
      {"rows 0 is 46", {.groups = 2, .rows_per_page = 0}, Layout(source, {.groups = 2, .rows_per_page = 46})},
      {"all left out", {}, Layout(source, {.groups = 1, .rows_per_page = 46, .key_column = 0})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Layout(source, c.options), c.expected);
  }
  // With 46 rows a page and one group, all seven rows go down one column group.
  EXPECT_EQ(Layout(source, {.groups = 1, .rows_per_page = 46}).size(), 8u);
  EXPECT_EQ(Layout(source, {.groups = 2, .rows_per_page = 2}).size(), 1u + 2 + 2);  // R = 2 is accepted
}

TEST(SplitIntoColumnsTest, KeyBreaks) {
  // R = 2, N = 2. Keys: x x | y y y
  const Grid source = GridOf({{"k"}, {"x"}, {"x"}, {"y"}, {"y"}, {"y"}}, SourceGridDesign());
  // The change at the first row of group 1 ends the page with group 1 empty and no padding.
  EXPECT_EQ(Layout(source, {.groups = 2, .rows_per_page = 2, .key_column = 1}),
            (Cells{{"k", "", "k"}, {"x", "", ""}, {"x", "", ""}, {"y", "", "y"}, {"y", "", ""}}));
  // A change at the first row of a page never breaks it; the data end never pads.
  const Grid alternating = GridOf({{"k"}, {"a"}, {"b"}, {"a"}}, SourceGridDesign());
  EXPECT_EQ(Layout(alternating, {.groups = 1, .rows_per_page = 3, .key_column = 1, .pad_short_pages = true}),
            (Cells{{"k"}, {"a"}, {""}, {""}, {"b"}, {""}, {""}, {"a"}}));
}

TEST(SplitIntoColumnsTest, TitleOnlyAndExactlyFullPage) {
  EXPECT_EQ(Layout(GridOf({{"t1", "t2"}}), {.groups = 3, .rows_per_page = 5}),
            (Cells{{"t1", "t2", "", "t1", "t2", "", "t1", "t2"}}));
  const Grid full = GridOf({{"t"}, {"1"}, {"2"}, {"3"}, {"4"}});
  EXPECT_EQ(Layout(full, {.groups = 2, .rows_per_page = 2}), (Cells{{"t", "", "t"}, {"1", "", "3"}, {"2", "", "4"}}));
}

TEST(SplitIntoColumnsTest, WithoutTitleRowEveryRowIsData) {
  const Grid source = GridOf({{"a"}, {"b"}, {"c"}});
  EXPECT_EQ(Layout(source, {.groups = 2, .rows_per_page = 2, .source_has_title = false}),
            (Cells{{"a", "", "c"}, {"b", "", ""}}));
}

TEST(SplitIntoColumnsTest, WidthGoesToEveryColumnSeparatorsIncluded) {
  Grid result(ResultGridDesign());
  ASSERT_TRUE(SplitIntoColumns(Roster(), result, {.groups = 2, .rows_per_page = 3, .column_width = 40}).ok());
  EXPECT_EQ(WidthsOf(result), (std::vector<int32_t>{40, 40, 40, 40, 40}));
  ASSERT_TRUE(SplitIntoColumns(Roster(), result, {.groups = 2, .rows_per_page = 3, .column_width = 1}).ok());
  EXPECT_EQ(WidthsOf(result), (std::vector<int32_t>{30, 18, 18, 18, 18}));
}

// Random tables and settings against the layout's counting rules: the row and column counts of
// the plain layout, and every data cell placed exactly once, in order.
TEST(SplitIntoColumnsTest, GeneratedTablesKeepEveryCellInOrder) {
  std::mt19937 rng(11);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 300; ++round) {
    const int cols = pick(1, 4);
    const int data = pick(0, 60);
    Cells cells(1, std::vector<std::string>(static_cast<size_t>(cols), "T"));
    for (int r = 0; r < data; ++r) {
      std::vector<std::string> row;
      for (int c = 0; c < cols; ++c) row.push_back(c == 0 ? "k" + std::to_string(pick(0, 2)) : "r" + std::to_string(r));
      cells.push_back(row);
    }
    const int groups = pick(1, 4);
    const int rows = pick(2, 7);
    const int key = pick(0, 1);
    const bool pad = pick(0, 1) == 1;
    SCOPED_TRACE(::testing::Message() << "round " << round << " N=" << groups << " R=" << rows << " K=" << key);
    const Cells out = Layout(GridOf(cells), {.groups = groups, .rows_per_page = rows, .key_column = key, .pad_short_pages = pad});
    ASSERT_EQ(out[0].size(), static_cast<size_t>(groups * cols + groups - 1));
    if (key == 0) {
      const int pages = (data + groups * rows - 1) / (groups * rows);
      const int last = data == 0 ? 0 : std::min(rows, data - (pages - 1) * groups * rows);
      EXPECT_EQ(out.size(), static_cast<size_t>(1 + (pages == 0 ? 0 : (pages - 1) * rows + last)));
    }
    // Read the pages back group by group: the data rows come out in their order.
    std::vector<std::vector<std::string>> seen;
    size_t base = 1;
    while (base < out.size()) {
      size_t height = 1;
      while (base + height < out.size() && height < static_cast<size_t>(rows)) ++height;
      for (int g = 0; g < groups; ++g) {
        for (size_t i = 0; i < height; ++i) {
          const auto first = out[base + i].begin() + g * (cols + 1);
          std::vector<std::string> row(first, first + cols);
          if (row != std::vector<std::string>(static_cast<size_t>(cols))) seen.push_back(row);
        }
      }
      base += height;
    }
    if (key == 0 || pad) {
      EXPECT_EQ(seen, Cells(cells.begin() + 1, cells.end()));
    }
    for (const auto& row : out) {
      for (int g = 0; g + 1 < groups; ++g) EXPECT_EQ(row[static_cast<size_t>(g * (cols + 1) + cols)], "");
    }
  }
}

TEST(SplitIntoColumnsTest, RefusalLeavesTheResultAsItWas) {
  Grid source(SourceGridDesign());
  ASSERT_TRUE(source.ResizeAndClear(2, 100000, 0, false));
  Grid result = GridOf({{"old"}}, ResultGridDesign());
  const Status past_int32 = SplitIntoColumns(source, result, {.groups = 32767});
  EXPECT_FALSE(past_int32.ok());
  EXPECT_EQ(past_int32.message(),
            "layout refused: 3276732766 result columns do not fit in int32; use fewer column groups");
  EXPECT_EQ(CellsOf(result), (Cells{{"old"}}));
  const Status too_wide = SplitIntoColumns(source, result, {.groups = 200});
  EXPECT_FALSE(too_wide.ok());
  EXPECT_NE(too_wide.message().find("exceed the limit of " + std::to_string(kMaxCols)), std::string::npos)
      << too_wide.message();
}

TEST(SplitIntoColumnsTest, ManyGroupsOfASmallTableAreLaidOut) {
  Cells cells = {{"id", "name", "class"}};
  for (int r = 0; r < 9; ++r) cells.push_back({std::to_string(r), "n", "c"});
  Grid result(ResultGridDesign());
  const Status laid = SplitIntoColumns(GridOf(cells), result, {.groups = 32767, .rows_per_page = 46});
  ASSERT_TRUE(laid.ok()) << laid.message();
  EXPECT_EQ(result.ColCount(), 32767 * 3 + 32766);
  EXPECT_EQ(result.RowCount(), 10);
  EXPECT_EQ(result.CellView(0, 32766 * 4 + 2), "class");
  // The result stores what holds text, not the rectangle nor the separators: the title once
  // per group and the nine data rows.
  EXPECT_EQ(result.store().StoredCells(), 32767 * 3 + 9 * 3);
}

}  // namespace
}  // namespace parvex
