#include "grid/grid_builder.h"

#include <gtest/gtest.h>

#include <string>

#include "base/status.h"
#include "grid/table_text_reader.h"
#include "grid/table_text_writer.h"
#include "support/grid_helpers.h"
#include "support/written_text.h"

namespace parvex {
namespace {

using test_support::Cells;
using test_support::CellsOf;
using test_support::GridOf;
using test_support::WidthsOf;

bool Adopt(Grid& grid, const std::string& text) {
  ParsedTable table;
  const Status status = ParseTableText(text, &table);
  EXPECT_TRUE(status.ok()) << status.message();
  return GridBuilder::AdoptTable(grid, std::move(table), 0, false);
}

TEST(GridBuilderTest, BuiltRowsReferToTheSourceInsteadOfCopying) {
  Grid source;
  ASSERT_TRUE(Adopt(source, "id\tname\n1\t\"a\"\"b\"\n2\tc"));
  GridBuilder builder(GridDesign{.col_width = 30}, source, 5, 7, true);
  builder.AppendEmptyRows(2);
  builder.AppendCellsOf(1, 0);
  builder.AppendCellsOf(2, 3);
  const Grid built = builder.Finish();
  EXPECT_EQ(CellsOf(built), (Cells{{"", "", "", "", ""}, {"1", "a\"b", "", "2", "c"}}));
  EXPECT_EQ(built.store().texts().used(), source.store().texts().used());  // no byte copied
  EXPECT_EQ(built.store().StoredCells(), 4);
  EXPECT_EQ(built.store().ListedRuns(), 2);
  EXPECT_EQ(WidthsOf(built), (std::vector<int32_t>{7, 7, 7, 7, 7}));
  EXPECT_EQ(built.GetRowHeight(1), kDefaultRowHeight);
  EXPECT_EQ(TableText(built, {0, 0, 1, 4}), "\t\t\t\t\n1\ta\"b\t\t2\tc");
}

// The source's own cells (an edited grid's) are copied, its shared ones referred to: either
// way an edit of one grid after building must not show in the other.
TEST(GridBuilderTest, EditsAfterBuildingStayOnTheirSide) {
  struct Case {
    const char* name;
    bool imported;  // else built through edits, so that its rows are own cells
  };
  for (const Case c : {Case{"imported source", true}, Case{"edited source", false}}) {
    SCOPED_TRACE(c.name);
    Grid source = GridOf({{"t1", "t2"}, {"a", "b"}});
    if (c.imported) {
      ASSERT_TRUE(Adopt(source, "t1\tt2\na\tb"));
    }
    GridBuilder builder(GridDesign{}, source, 5, 0, false);
    for (int32_t r = 0; r < 2; ++r) {
      builder.AppendEmptyRows(1);
      builder.AppendCellsOf(r, 0);
      builder.AppendCellsOf(r, 3);
    }
    Grid built = builder.Finish();
    const Cells doubled = {{"t1", "t2", "", "t1", "t2"}, {"a", "b", "", "a", "b"}};
    ASSERT_EQ(CellsOf(built), doubled);

    ASSERT_TRUE(source.SetCellText(1, 0, std::string_view("changed")));
    ASSERT_TRUE(source.DeleteColumn(1));
    EXPECT_EQ(CellsOf(built), doubled);
    ASSERT_TRUE(built.SetCellText(0, 4, std::string_view("new")));
    ASSERT_TRUE(built.InsertColumn(0));
    EXPECT_EQ(CellsOf(source), (Cells{{"t1"}, {"changed"}}));
    EXPECT_EQ(CellsOf(built), (Cells{{"", "t1", "t2", "", "t1", "new"}, {"", "a", "b", "", "a", "b"}}));
  }
}

TEST(GridBuilderTest, AdoptTableReplacesContentOrRefusesWithoutChange) {
  Grid grid = GridOf({{"old", "x"}}, GridDesign{.col_width = 40});
  grid.SetCursorCell(0, 1);
  ASSERT_TRUE(Adopt(grid, "a\tb\tc\n\nd"));
  EXPECT_EQ(CellsOf(grid), (Cells{{"a", "b", "c"}, {"", "", ""}, {"d", "", ""}}));
  EXPECT_EQ(WidthsOf(grid), (std::vector<int32_t>{40, kInsertedColumnWidth, kInsertedColumnWidth}));
  EXPECT_EQ(grid.CursorCell(), CellPos{});

  ParsedTable too_wide;
  too_wide.cols = kMaxCols + 1;
  EXPECT_FALSE(GridBuilder::AdoptTable(grid, std::move(too_wide), 0, false));
  EXPECT_EQ(CellsOf(grid), (Cells{{"a", "b", "c"}, {"", "", ""}, {"d", "", ""}}));

  // Empty text gives one empty row.
  ASSERT_TRUE(GridBuilder::AdoptTable(grid, ParsedTable{}, 0, false));
  EXPECT_EQ(CellsOf(grid), (Cells{{""}}));
}

}  // namespace
}  // namespace parvex
