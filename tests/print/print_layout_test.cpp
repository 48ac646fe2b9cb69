#include "print/print_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/grid_designs.h"
#include "support/grid_helpers.h"

namespace parvex {
namespace {

using test_support::Cells;
using test_support::GridOf;

// Name and class of seven pupils: the classes change after Ben and after Fay.
Cells Pupils() {
  return {{"Name", "Class"}, {"Ann", "A"}, {"Ben", "A"}, {"Cai", "B"}, {"Dan", "B"},
          {"Eva", "B"},      {"Fay", "B"}, {"Gus", "C"}};
}

struct BlocksCase {
  const char* name;
  Cells source;
  LayoutOptions options;
  std::vector<PageBlock> blocks;
};

const BlocksCase kBlocksCases[] = {
    {"plain pages, the last short", Pupils(), {.groups = 2, .rows_per_page = 3}, {{1, 3}, {4, 1}}},
    {"padded pages are full height even when the key cut them",
     Pupils(),
     {.groups = 2, .rows_per_page = 3, .key_column = 2},
     {{1, 3}, {4, 3}, {7, 1}}},
    {"unpadded page cut by the key is as tall as its rows",
     Pupils(),
     {.groups = 2, .rows_per_page = 3, .key_column = 2, .pad_short_pages = false},
     {{1, 2}, {3, 3}, {6, 1}}},
    {"key past the group's columns never cuts",
     Pupils(),
     {.groups = 2, .rows_per_page = 3, .key_column = 3, .pad_short_pages = false},
     {{1, 3}, {4, 1}}},
    {"a key change at the top of group 1 leaves group 0 full",
     {{"k"}, {"A"}, {"A"}, {"A"}, {"B"}, {"B"}},
     {.groups = 2, .rows_per_page = 3, .key_column = 1, .pad_short_pages = false},
     {{1, 3}, {4, 2}}},
    {"exactly one full page", {{"t"}, {"1"}, {"2"}, {"3"}, {"4"}}, {.groups = 2, .rows_per_page = 2}, {{1, 2}}},
    {"one row over a full page", {{"t"}, {"1"}, {"2"}, {"3"}}, {.groups = 1, .rows_per_page = 2}, {{1, 2}, {3, 1}}},
    {"title only prints one empty page", {{"Name", "Class"}}, {.groups = 3, .rows_per_page = 5}, {{1, 0}}},
    {"rows per page below 2 means 46",
     {{"t"}, {"1"}, {"2"}, {"3"}},
     {.groups = 1, .rows_per_page = 1},
     {{1, 3}}},
    {"no title row: blocks start at row 0",
     {{"1"}, {"2"}, {"3"}, {"4"}, {"5"}},
     {.groups = 1, .rows_per_page = 2, .source_has_title = false},
     {{0, 2}, {2, 2}, {4, 1}}},
};

TEST(DescribeLayoutTest, FindsEveryPageBlock) {
  for (const BlocksCase& c : kBlocksCases) {
    SCOPED_TRACE(c.name);
    const Grid source = GridOf(c.source);
    Grid result(ResultGridDesign());
    std::string error;
    ASSERT_TRUE(SplitIntoColumns(source, result, c.options, &error)) << error;
    const PrintLayout layout = DescribeLayout(result, c.options);
    EXPECT_EQ(layout.blocks, c.blocks);
    EXPECT_EQ(layout.source_columns, static_cast<int32_t>(c.source[0].size()));
  }
}

TEST(DescribeLayoutTest, MarksSeparatorsAndConvertsPixels) {
  const Grid source = GridOf(Pupils());
  Grid result(ResultGridDesign());
  std::string error;
  const LayoutOptions options{.groups = 3, .rows_per_page = 2, .column_width = 40};
  ASSERT_TRUE(SplitIntoColumns(source, result, options, &error)) << error;
  const PrintLayout layout = DescribeLayout(result, options);
  ASSERT_EQ(layout.columns.size(), 8u);
  for (size_t c = 0; c < layout.columns.size(); ++c) {
    SCOPED_TRACE(c);
    EXPECT_EQ(layout.columns[c].separator, c == 2 || c == 5);
    EXPECT_EQ(layout.columns[c].width_pt, 30);
  }
  EXPECT_EQ(layout.groups, 3);
  EXPECT_EQ(layout.TallestBlock(), 2);
}

TEST(DescribeLayoutTest, WidthThatDoesNotMatchTheGroupsIsOneGroup) {
  const Grid result = GridOf({{"a", "b", "c", "d", "e"}, {"1", "2", "3", "4", "5"}});
  const PrintLayout layout = DescribeLayout(result, {.groups = 4, .rows_per_page = 10});
  EXPECT_EQ(layout.groups, 1);
  EXPECT_EQ(layout.source_columns, 5);
  for (const PrintColumn& column : layout.columns) EXPECT_FALSE(column.separator);
  EXPECT_EQ(layout.blocks, (std::vector<PageBlock>{{1, 1}}));
}

TEST(LayoutColumnsTest, GivesTheWidthsOfTheRealLayout) {
  const Grid source = GridOf(Pupils());
  for (int32_t width : {0, 40, 77}) {
    SCOPED_TRACE(width);
    const LayoutOptions options{.groups = 2, .rows_per_page = 3, .column_width = width};
    std::vector<PrintColumn> probed;
    std::string error;
    ASSERT_TRUE(LayoutColumns(source, options, &probed, &error)) << error;
    Grid result(ResultGridDesign());
    ASSERT_TRUE(SplitIntoColumns(source, result, options, &error)) << error;
    const PrintLayout layout = DescribeLayout(result, options);
    ASSERT_EQ(probed.size(), layout.columns.size());
    for (size_t c = 0; c < probed.size(); ++c) {
      EXPECT_EQ(probed[c].width_pt, layout.columns[c].width_pt);
      EXPECT_EQ(probed[c].separator, layout.columns[c].separator);
    }
  }
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
