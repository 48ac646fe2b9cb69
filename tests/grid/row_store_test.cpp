#include "grid/row_store.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/status.h"
#include "grid/grid.h"
#include "grid/grid_builder.h"
#include "grid/table_text_reader.h"
#include "support/grid_helpers.h"

namespace parvex {
namespace {

using test_support::Cells;
using test_support::CellsOf;
using Kind = RowStore::RowKind;

// The row's texts as the whole-row reader gives them, up to its last stored cell.
std::vector<std::string> RowTexts(const Grid& grid, int32_t row) {
  std::vector<CellRef> cells;
  grid.store().GetRowCells(row, &cells);
  std::vector<std::string> texts;
  for (const CellRef cell : cells) texts.emplace_back(grid.store().Text(cell));
  return texts;
}

Grid Imported(const std::string& text) {
  Grid grid;
  ParsedTable table;
  const Status status = ParseTableText(text, &table);
  EXPECT_TRUE(status.ok()) << status.message();
  EXPECT_TRUE(GridBuilder::AdoptTable(grid, std::move(table), 0, false));
  return grid;
}

// Two copies of each row of `source` side by side, an empty column between.
Grid Doubled(const Grid& source) {
  const int32_t cols = source.ColCount();
  GridBuilder builder(GridDesign{}, source, 2 * cols + 1, 0, false);
  for (int32_t r = 0; r < source.RowCount(); ++r) {
    builder.AppendEmptyRows(1);
    builder.AppendCellsOf(r, 0);
    builder.AppendCellsOf(r, cols + 1);
  }
  return builder.Finish();
}

TEST(RowStoreTest, RowKindsAndTheirCells) {
  // Row 0 is a plain line, row 1 needs unquoting and trimming, row 2 is empty, row 3 ends in
  // empty cells. Lines near the end of the text are never kept plain: filler follows.
  std::string text = "a\tb\tc\n\"q\"\t x \n\n\td\t\t\n";
  for (int k = 0; k < 10; ++k) text += "filler\tline\n";
  struct Case {
    const char* name;
    std::function<Grid()> make;
    int32_t row;
    Kind kind;
    std::vector<std::string> texts;
  };
  const Case cases[] = {
      {"a plain line", [&] { return Imported(text); }, 0, Kind::kPlainLine, {"a", "b", "c"}},
      {"cells that were unquoted are shared", [&] { return Imported(text); }, 1, Kind::kSharedCells, {"q", "x"}},
      {"an empty line stores nothing", [&] { return Imported(text); }, 2, Kind::kNoCells, {}},
      {"empty cells after the last text are not stored", [&] { return Imported(text); }, 3, Kind::kSharedCells, {"", "d"}},
      {"an edit of a plain line copies it to own cells",
       [&] {
         Grid g = Imported(text);
         g.SetCellText(0, 1, std::string_view("B"));
         return g;
       },
       0, Kind::kOwnCells, {"a", "B", "c"}},
      {"an edit of shared cells copies them", [&] {
         Grid g = Imported(text);
         g.SetCellText(1, 2, std::string_view("z"));
         return g;
       },
       1, Kind::kOwnCells, {"q", "x", "z"}},
      {"clearing an empty cell stores nothing", [&] {
         Grid g = Imported(text);
         g.SetCellText(2, 1, std::string_view(""));
         return g;
       },
       2, Kind::kNoCells, {}},
      {"a column inserted inside a line", [&] {
         Grid g = Imported(text);
         g.InsertColumn(1);
         return g;
       },
       0, Kind::kOwnCells, {"a", "", "b", "c"}},
      {"a column inserted before a line moves it", [&] {
         Grid g = Imported(text);
         g.InsertColumn(0);
         return g;
       },
       0, Kind::kPlainLine, {"", "a", "b", "c"}},
      {"a deleted column of shared cells", [&] {
         Grid g = Imported(text);
         g.DeleteColumn(0);
         return g;
       },
       3, Kind::kOwnCells, {"d"}},
      {"a row of two sources lists its runs", [&] { return Doubled(Imported(text)); }, 0, Kind::kSeveralRuns,
       {"a", "b", "c", "", "a", "b", "c"}},
      {"a line of one source row stays a line", [&] {
         const Grid g = Imported(text);
         GridBuilder builder(GridDesign{}, g, 6, 0, false);
         builder.AppendEmptyRows(1);
         builder.AppendCellsOf(0, 3);
         return builder.Finish();
       },
       0, Kind::kPlainLine, {"", "", "", "a", "b", "c"}},
      {"a row of several runs, edited", [&] {
         Grid g = Doubled(Imported(text));
         g.SetCellText(1, 3, std::string_view("m"));
         return g;
       },
       1, Kind::kOwnCells, {"q", "x", "", "m", "q", "x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Grid grid = c.make();
    EXPECT_EQ(grid.store().KindOf(c.row), c.kind);
    EXPECT_EQ(RowTexts(grid, c.row), c.texts);
    // The reader by row and the cell by cell reading agree, past the stored cells too.
    for (int32_t col = 0; col < grid.ColCount(); ++col) {
      const std::string want = static_cast<size_t>(col) < c.texts.size() ? c.texts[static_cast<size_t>(col)] : "";
      EXPECT_EQ(grid.CellView(c.row, col), want) << "column " << col;
    }
    int64_t stored = 0;
    for (int32_t r = 0; r < grid.RowCount(); ++r) {
      grid.store().ForEachRun(r, [&](const CellRun& run) { stored += run.count; });
    }
    EXPECT_EQ(grid.store().StoredCells(), stored);
  }
}

TEST(RowStoreTest, EmptyCellsAfterTheLastTextCostNothing) {
  Grid grid;
  ASSERT_TRUE(grid.ResizeAndClear(3, 1000, 0, false));
  EXPECT_EQ(grid.store().StoredCells(), 0);
  ASSERT_TRUE(grid.SetCellText(1, 500, std::string_view("x")));
  EXPECT_EQ(grid.store().StoredCells(), 1);  // from the first stored column to the last
  ASSERT_TRUE(grid.SetCellText(1, 502, std::string_view("y")));
  EXPECT_EQ(grid.store().StoredCells(), 3);
  ASSERT_TRUE(grid.InsertColumn());
  EXPECT_EQ(grid.store().StoredCells(), 3);
  EXPECT_EQ(grid.store().KindOf(0), Kind::kNoCells);
}

TEST(RowStoreTest, CompactionKeepsCellsAndDropsGarbage) {
  Grid grid;
  ASSERT_TRUE(grid.ResizeAndClear(200, 40, 0, false));
  Cells model(200, std::vector<std::string>(40));
  // Rows rewritten again and again leave their old cells behind until a compaction.
  for (int round = 0; round < 30; ++round) {
    for (int32_t r = 0; r < 200; ++r) {
      const int32_t c = (r * 7 + round) % 40;
      const std::string text = std::to_string(round);
      ASSERT_TRUE(grid.SetCellText(r, c, std::string_view(text)));
      model[static_cast<size_t>(r)][static_cast<size_t>(c)] = text;
    }
    ASSERT_TRUE(grid.InsertColumn(0));
    ASSERT_TRUE(grid.DeleteColumn(0));
  }
  EXPECT_EQ(CellsOf(grid), model);
}

}  // namespace
}  // namespace parvex
