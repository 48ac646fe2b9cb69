#include "grid/grid.h"

#include <gtest/gtest.h>

#include <random>

#include "base/status.h"
#include "grid/grid_builder.h"
#include "grid/table_text_reader.h"
#include "grid/table_text_writer.h"
#include "support/grid_helpers.h"
#include "support/memory_clipboard.h"
#include "support/printers.h"
#include "support/written_text.h"

namespace parvex {
namespace {

using test_support::Cells;
using test_support::CellsOf;
using test_support::GridOf;
using test_support::WidthsOf;

TEST(GridTest, StartsInDesignState) {
  Grid grid(GridDesign{.row_height = 24, .col_width = 30});
  EXPECT_EQ(grid.RowCount(), 1);
  EXPECT_EQ(grid.ColCount(), 1);
  EXPECT_EQ(grid.GetCellText(0, 0), "");
  EXPECT_EQ(grid.GetColumnWidth(0), 30);
  EXPECT_EQ(grid.GetRowHeight(0), 24);
  EXPECT_EQ(grid.CursorCell(), CellPos{});
  EXPECT_FALSE(grid.Selection());
}

TEST(GridTest, OutOfRangeCellsGiveNoValueAndNoChange) {
  Grid grid = GridOf({{"a", "b", "c"}, {"d", "e", "f"}, {"g", "h", "i"}});
  const std::optional<std::string> none = grid.GetCellText(0, 5);
  EXPECT_FALSE(none);
  EXPECT_FALSE(grid.GetCellText(-1, 0));
  EXPECT_FALSE(grid.SetCellText(1, 1, none));
  EXPECT_EQ(grid.GetCellText(1, 1), "e");
  EXPECT_FALSE(grid.SetCellText(3, 0, std::string_view("x")));
  EXPECT_TRUE(grid.SetCellText(1, 1, std::string_view("")));
  EXPECT_EQ(grid.GetCellText(1, 1), "");
  EXPECT_EQ(CellsOf(grid), (Cells{{"a", "b", "c"}, {"d", "", "f"}, {"g", "h", "i"}}));
}

TEST(GridTest, InsertRowPlacesOrAppends) {
  struct Case { const char* name; std::optional<int32_t> position; Cells cells; };
  const Case cases[] = {
      {"at 0 goes on top", 0, {{""}, {"r0"}, {"r1"}, {"r2"}}},
      {"in the middle", 1, {{"r0"}, {""}, {"r1"}, {"r2"}}},
      {"at the count appends", 3, {{"r0"}, {"r1"}, {"r2"}, {""}}},
      {"left out appends", std::nullopt, {{"r0"}, {"r1"}, {"r2"}, {""}}},
      {"negative appends", -5, {{"r0"}, {"r1"}, {"r2"}, {""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Grid grid = GridOf({{"r0"}, {"r1"}, {"r2"}});
    grid.SetCursorCell(2, 0);
    ASSERT_TRUE(grid.InsertRow(c.position));
    EXPECT_EQ(CellsOf(grid), c.cells);
    EXPECT_EQ(grid.CursorCell(), (CellPos{2, 0}));  // the cursor keeps its numbers
  }
}

TEST(GridTest, InsertIntoEmptyGridAddsFixedTitleCells) {
  Grid grid;
  ASSERT_TRUE(grid.DeleteRow(0));
  ASSERT_EQ(grid.RowCount(), 0);
  ASSERT_TRUE(grid.InsertRow());
  EXPECT_EQ(grid.RowCount(), 2);
  EXPECT_GE(grid.ColCount(), 1);
  EXPECT_EQ(grid.HeadRowCount(), 1);
  EXPECT_EQ(grid.HeadColCount(), 1);
  grid.InsertColumn();
  grid.SelectRange(0, 0, 9, 9);
  EXPECT_EQ(grid.Selection(), (CellRect{1, 1, 1, 1}));  // fixed cells are never selected
}

TEST(GridTest, InsertColumnShiftsCellsAndGetsNarrowWidth) {
  Grid grid = GridOf({{"a", "b"}, {"c"}});
  ASSERT_TRUE(grid.InsertColumn(1));
  EXPECT_EQ(CellsOf(grid), (Cells{{"a", "", "b"}, {"c", "", ""}}));
  EXPECT_EQ(grid.GetColumnWidth(1), kInsertedColumnWidth);
  ASSERT_TRUE(grid.InsertColumn());
  EXPECT_EQ(grid.ColCount(), 4);
}

TEST(GridTest, DeleteRowAndColumnBounds) {
  Grid one;
  EXPECT_TRUE(one.DeleteRow(0));
  EXPECT_EQ(one.RowCount(), 0);

  Grid grid = GridOf({{"a", "b"}, {"c", "d"}, {"e", "f"}});
  EXPECT_FALSE(grid.DeleteRow(3));
  EXPECT_FALSE(grid.DeleteColumn(-1));
  EXPECT_EQ(grid.RowCount(), 3);
  grid.SetCursorCell(2, 1);
  ASSERT_TRUE(grid.DeleteColumn(0));
  EXPECT_EQ(CellsOf(grid), (Cells{{"b"}, {"d"}, {"f"}}));
  EXPECT_EQ(grid.CursorCell(), (CellPos{2, 0}));  // on the last column: moved left
  ASSERT_TRUE(grid.DeleteRow(2));
  EXPECT_EQ(grid.CursorCell(), (CellPos{1, 0}));  // on the last row: moved up
}

TEST(GridTest, RowHeightsMoveWithTheirRows) {
  Grid grid = GridOf({{"a"}, {"b"}, {"c"}});
  ASSERT_TRUE(grid.SetRowHeight(1, 0));
  ASSERT_TRUE(grid.InsertRow(0));
  EXPECT_EQ(grid.GetRowHeight(2), 0);
  EXPECT_EQ(grid.GetRowHeight(0), 24);
  ASSERT_TRUE(grid.SetRowHeight(0, 40));
  ASSERT_TRUE(grid.InsertRow());  // a new row takes row 0's height
  EXPECT_EQ(grid.GetRowHeight(4), 40);
  ASSERT_TRUE(grid.DeleteRow(0));
  EXPECT_EQ(grid.GetRowHeight(1), 0);
  EXPECT_EQ(grid.GetCellText(1, 0), "b");
  EXPECT_FALSE(grid.SetRowHeight(4, 10));
  grid.ResetContent();
  for (int32_t r = 0; r < grid.RowCount(); ++r) EXPECT_EQ(grid.GetRowHeight(r), 24);
}

TEST(GridTest, ColumnWidthsMoveWithTheirColumns) {
  Grid grid(GridDesign{.col_width = 50});
  ASSERT_TRUE(grid.ResizeAndClear(1, 4, 0, false));
  EXPECT_EQ(WidthsOf(grid), (std::vector<int32_t>{50, 18, 18, 18}));
  ASSERT_TRUE(grid.DeleteColumn(0));
  EXPECT_EQ(WidthsOf(grid), (std::vector<int32_t>{18, 18, 18}));
  ASSERT_TRUE(grid.SetColumnWidth(0, 70));
  ASSERT_TRUE(grid.InsertColumn(0));
  EXPECT_EQ(WidthsOf(grid), (std::vector<int32_t>{18, 70, 18, 18}));
  ASSERT_TRUE(grid.SetColumnWidth(2, 0));
  EXPECT_TRUE(grid.HasHiddenColumns());
  ASSERT_TRUE(grid.DeleteColumn(2));
  EXPECT_FALSE(grid.HasHiddenColumns());
  grid.ResetContent();
  EXPECT_EQ(WidthsOf(grid), (std::vector<int32_t>{50, 50, 50}));
}

TEST(GridTest, ResetContentKeepsCountsAndRestoresDesign) {
  Grid grid(GridDesign{.col_width = 50});
  grid.SetCellText(0, 0, std::string_view("text"));
  grid.SetColumnWidth(0, 99);
  grid.SetIsEdit(false);
  grid.SetCursorCell(0, 0);
  grid.ResetContent();
  EXPECT_EQ(CellsOf(grid), (Cells{{""}}));
  EXPECT_EQ(grid.GetColumnWidth(0), 50);
  EXPECT_TRUE(grid.IsEdit());
  EXPECT_EQ(grid.CursorCell(), CellPos{});
}

TEST(GridTest, ResizeAndClearWidths) {
  struct Case { const char* name; int32_t rows, cols, width; bool apply; std::vector<int32_t> widths; };
  const Case cases[] = {
      {"no width: first column keeps ColWidth", 1, 3, 0, true, {50, 18, 18}},
      {"width 80 everywhere", 2, 3, 80, true, {80, 80, 80}},
      {"width 1 sets nothing", 1, 2, 1, true, {50, 18}},
      {"width not applied", 1, 2, 80, false, {50, 18}},
      {"zero columns asked: one column, no width", 0, 0, 80, true, {50}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Grid grid = GridOf({{"x", "y", "z", "w"}, {"1"}, {"2"}, {"3"}, {"4"}}, GridDesign{.col_width = 50});
    ASSERT_TRUE(grid.ResizeAndClear(c.rows, c.cols, c.width, c.apply));
    EXPECT_EQ(grid.RowCount(), std::max(c.rows, 1));
    EXPECT_EQ(WidthsOf(grid), c.widths);
    for (const auto& row : CellsOf(grid)) {
      for (const auto& cell : row) EXPECT_EQ(cell, "");
    }
  }
  Grid grid;
  EXPECT_FALSE(grid.ResizeAndClear(kMaxRows + 1, 1, 0, false));
  EXPECT_EQ(grid.RowCount(), 1);
}

TEST(GridTest, SelectRangeClampsAndRejects) {
  struct Case { const char* name; int32_t r1, c1; std::optional<int32_t> r2, c2; std::optional<CellRect> selection; };
  const Case cases[] = {
      {"clamped to the grid", 0, 0, 9, 9, CellRect{0, 0, 2, 1}},
      {"single cell", 0, 0, std::nullopt, std::nullopt, CellRect{0, 0, 0, 0}},
      {"reversed is empty", 2, 0, 1, 1, std::nullopt},
      {"negative is empty", -1, 0, 1, 1, std::nullopt},
      {"start past the grid is empty", 5, 0, 9, 1, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Grid grid = GridOf({{"a", "b"}, {"c", "d"}, {"e", "f"}});
    grid.SelectRange(1, 1);
    grid.SelectRange(c.r1, c.c1, c.r2, c.c2);
    EXPECT_EQ(grid.Selection(), c.selection);
  }
  Grid grid;
  grid.SetCanSelection(false);
  grid.SelectRange(0, 0);
  EXPECT_FALSE(grid.Selection());
}

TEST(GridTest, SetCursorCellClearsSelection) {
  Grid grid = GridOf({{"a", "b"}});
  grid.SelectRange(0, 0, 0, 1);
  grid.SetCursorCell(0, 1);
  EXPECT_FALSE(grid.Selection());
  EXPECT_EQ(grid.CursorCell(), (CellPos{0, 1}));
  grid.SetCursorCell(4, 4);
  EXPECT_EQ(grid.CursorCell(), CellPos{});
}

TEST(GridTest, ColumnWidthBoundsAndHiddenColumns) {
  Grid grid = GridOf({{"a", "b", "c"}, {"d", "e", "f"}});
  EXPECT_FALSE(grid.SetColumnWidth(3, 80));
  EXPECT_FALSE(grid.SetColumnWidth(0, -1));
  ASSERT_TRUE(grid.SetColumnWidth(1, 0));
  grid.SelectRange(0, 0, 1, 2);
  test_support::MemoryClipboard clipboard;
  ASSERT_TRUE(grid.CopySelectionToClipboard(clipboard));
  EXPECT_EQ(clipboard.text(), "a\tc\nd\tf");

  clipboard.set_text("x\ty\r\n");
  grid.SetCursorCell(1, 0);
  ASSERT_TRUE(grid.PasteFromClipboard(clipboard));
  EXPECT_EQ(CellsOf(grid), (Cells{{"a", "b", "c"}, {"x", "e", "y"}}));
}

TEST(GridTest, PasteDistributesFromCursorWithoutGrowing) {
  struct Case { const char* name; Cells before; CellPos cursor; std::string text; Cells after; };
  const Case cases[] = {
      {"CR LF rows, no CR left", {{"", ""}, {"", ""}}, {}, "a\tb\r\nc\td\r\n", {{"a", "b"}, {"c", "d"}}},
      {"trailing TAB then CR clears the next cell", {{"p", "q", "r"}}, {}, "a\t\r\n", {{"a", "", "r"}}},
      {"what falls outside is dropped", {{"", ""}}, {}, "a\tb\tc\r\nd\r\n", {{"a", "b"}}},
      {"from the cursor cell", {{"1", "2"}, {"3", "4"}}, {1, 1}, "z", {{"1", "2"}, {"3", "z"}}},
      {"commas are ordinary", {{"", ""}}, {}, "1,5\tx\r\n", {{"1,5", "x"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Grid grid = GridOf(c.before);
    if (c.cursor.row >= 0) grid.SetCursorCell(c.cursor.row, c.cursor.col);
    test_support::MemoryClipboard clipboard(c.text);
    EXPECT_TRUE(grid.PasteFromClipboard(clipboard));
    EXPECT_EQ(CellsOf(grid), c.after);
  }
}

TEST(GridTest, RepeatedPastesDoNotPileUpTheirTexts) {
  Grid grid;
  test_support::MemoryClipboard clipboard(std::string(8u << 20, 'x'));
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(grid.PasteFromClipboard(clipboard));
  EXPECT_EQ(grid.CellView(0, 0).size(), 8u << 20);
  // 40 pastes of 8 MB: without clean-ups the store would hold 320 MB.
  EXPECT_LT(grid.store().texts().used(), uint64_t{100} << 20);
}

TEST(GridTest, PasteDoesNothingWhenNotEditableOrNoText) {
  Grid grid = GridOf({{"keep"}});
  test_support::MemoryClipboard none;
  EXPECT_FALSE(grid.PasteFromClipboard(none));
  test_support::MemoryClipboard text("new");
  grid.SetIsEdit(false);
  EXPECT_FALSE(grid.PasteFromClipboard(text));
  EXPECT_EQ(grid.GetCellText(0, 0), "keep");
}

// Random edits against a plain model catch mistakes in how rows share the cell pool.
TEST(GridTest, RandomEditsMatchPlainModel) {
  std::mt19937 rng(7);
  Grid grid;
  Cells model = {{""}};
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  for (int step = 0; step < 20000; ++step) {
    const int rows = static_cast<int>(model.size());
    const int cols = rows == 0 ? 0 : static_cast<int>(model[0].size());
    const int op = pick(10);
    if (op < 5 && rows > 0 && cols > 0) {
      const int r = pick(rows), c = pick(cols);
      std::string text;
      if (pick(4) != 0) text = std::to_string(step);
      ASSERT_TRUE(grid.SetCellText(r, c, std::string_view(text)));
      model[static_cast<size_t>(r)][static_cast<size_t>(c)] = text;
    } else if (op == 5 && rows < 40 && rows > 0) {
      const int at = pick(rows);
      ASSERT_TRUE(grid.InsertRow(at));
      model.insert(model.begin() + at, std::vector<std::string>(static_cast<size_t>(cols)));
    } else if (op == 6 && rows > 1) {
      const int at = pick(rows);
      ASSERT_TRUE(grid.DeleteRow(at));
      model.erase(model.begin() + at);
    } else if (op == 7 && cols < 12 && cols > 0) {
      const int at = pick(cols);
      ASSERT_TRUE(grid.InsertColumn(at));
      for (auto& row : model) row.insert(row.begin() + at, "");
    } else if (op == 8 && cols > 1) {
      const int at = pick(cols);
      ASSERT_TRUE(grid.DeleteColumn(at));
      for (auto& row : model) row.erase(row.begin() + at);
    } else if (op == 9 && cols < 12) {
      ASSERT_TRUE(grid.InsertColumn());
      for (auto& row : model) row.emplace_back();
    }
    if (step % 97 == 0) {
      ASSERT_EQ(CellsOf(grid), model) << "step " << step;
    }
  }
  EXPECT_EQ(CellsOf(grid), model);
}

TEST(GridTest, CopiesShareTextsWithoutInterfering) {
  Grid a = GridOf({{"one", "two"}});
  Grid b = a;
  ASSERT_TRUE(a.SetCellText(0, 0, std::string_view("changed")));
  ASSERT_TRUE(b.SetCellText(0, 1, std::string_view("other")));
  EXPECT_EQ(CellsOf(a), (Cells{{"changed", "two"}}));
  EXPECT_EQ(CellsOf(b), (Cells{{"one", "other"}}));
}

// A grid built from another's rows refers to their cells; an edit on either side, through any
// operation, must leave the other as it was.
TEST(GridTest, GridsSharingCellsDoNotInterfere) {
  const Cells table = {{"t1", "t2"}, {"a", ""}, {"", "d"}};
  // Two side-by-side copies of each row, an empty column between, as a layout builds them.
  const Cells doubled = {{"t1", "t2", "", "t1", "t2"}, {"a", "", "", "a", ""}, {"", "d", "", "", "d"}};
  struct Case {
    const char* name;
    void (*edit)(Grid&);
    Cells edited;
  };
  const Case cases[] = {
      {"set a cell", [](Grid& g) { g.SetCellText(2, 3, std::string_view("x")); },
       {{"t1", "t2", "", "t1", "t2"}, {"a", "", "", "a", ""}, {"", "d", "", "x", "d"}}},
      {"insert a column", [](Grid& g) { g.InsertColumn(1); },
       {{"t1", "", "t2", "", "t1", "t2"}, {"a", "", "", "", "a", ""}, {"", "", "d", "", "", "d"}}},
      {"delete a column", [](Grid& g) { g.DeleteColumn(3); },
       {{"t1", "t2", "", "t2"}, {"a", "", "", ""}, {"", "d", "", "d"}}},
      {"delete a row", [](Grid& g) { g.DeleteRow(0); }, {{"a", "", "", "a", ""}, {"", "d", "", "", "d"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Grid source;
    ParsedTable parsed;
    const Status status = ParseTableText(std::string("t1\tt2\na\n\td"), &parsed);
    ASSERT_TRUE(status.ok()) << status.message();
    ASSERT_TRUE(GridBuilder::AdoptTable(source, std::move(parsed), 0, false));
    GridBuilder builder(GridDesign{}, source, 5, 0, false);
    for (int32_t r = 0; r < source.RowCount(); ++r) {
      builder.AppendEmptyRows(1);
      builder.AppendCellsOf(r, 0);
      builder.AppendCellsOf(r, 3);
    }
    Grid built = builder.Finish();
    ASSERT_EQ(CellsOf(built), doubled);
    EXPECT_EQ(TableText(built, {0, 0, 2, 4}), "t1\tt2\t\tt1\tt2\na\t\t\ta\t\n\td\t\t\td");

    Grid other = built;
    c.edit(built);
    EXPECT_EQ(CellsOf(built), c.edited);
    EXPECT_EQ(CellsOf(source), table);
    EXPECT_EQ(CellsOf(other), doubled);
    c.edit(source);
    EXPECT_EQ(CellsOf(other), doubled);
  }
}

}  // namespace
}  // namespace parvex
