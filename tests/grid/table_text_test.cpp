#include <gtest/gtest.h>

#include "base/status.h"
#include "grid/grid_builder.h"
#include "grid/table_text_reader.h"
#include "grid/table_text_writer.h"
#include "support/grid_helpers.h"
#include "support/same_bytes.h"
#include "support/written_text.h"

namespace parvex {
namespace {

using test_support::Cells;
using test_support::CellsOf;
using test_support::GridOf;

// The table as the import reads it: every line padded to the widest.
Cells Parse(const std::string& text) {
  ParsedTable table;
  const Status status = ParseTableText(text, &table);
  EXPECT_TRUE(status.ok()) << status.message();
  Cells cells;
  std::vector<CellRef> scratch;
  for (size_t line = 0; line < table.lines.size(); ++line) {
    std::vector<std::string> row;
    for (const CellRef cell : table.LineCells(line, &scratch)) row.emplace_back(table.bytes.data() + cell.offset, cell.size());
    row.resize(static_cast<size_t>(table.cols));
    cells.push_back(row);
  }
  return cells;
}

struct ParseCase { const char* name; std::string text; Cells cells; };

TEST(TableTextTest, CutsLinesAndCells) {
  const ParseCase cases[] = {
      {"CR LF rows", "a\tb\r\nc\td\r\n", {{"a", "b"}, {"c", "d"}}},
      {"two TABs give an empty cell", "a\t\tc\r\n", {{"a", "", "c"}}},
      {"TAB before CR LF opens a cell", "a\tb\t\r\n", {{"a", "b", ""}}},
      {"TAB at the very end opens none", "a\tb\t", {{"a", "b"}}},
      {"TAB before a bare LF opens none", "a\tb\t\nc\n", {{"a", "b"}, {"c", ""}}},
      {"comma is ordinary", "1,5\tx\r\n", {{"1,5", "x"}}},
      {"cells are trimmed", " a\tb  \r\n", {{"a", "b"}}},
      {"empty lines are empty cells", "\r\n\r\n", {{""}, {""}}},
      {"LF-only lines and an unended last line", "a\nb\nc", {{"a"}, {"b"}, {"c"}}},
      {"rows longer than the first keep every cell", "a\r\nb\tc\td\r\n", {{"a", "", ""}, {"b", "c", "d"}}},
      {"a lone CR is content", "a\rb\tc\r\n", {{"a\rb", "c"}}},
      {"no text, no rows", "", {}},
      {"bytes pass through", "\xe5\xa7\x93\xe5\x90\x8d\t\xd0\xd5\xc3\xfb\r\n", {{"\xe5\xa7\x93\xe5\x90\x8d", "\xd0\xd5\xc3\xfb"}}},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Parse(c.text), c.cells);
  }
}

TEST(TableTextTest, ReadsQuotedCells) {
  const ParseCase cases[] = {
      {"line break inside quotes", "\"line 1\nline 2\"\tx\r\n", {{"line 1\nline 2", "x"}}},
      {"CR LF inside quotes", "\"a\r\nb\"\r\nc\r\n", {{"a\r\nb"}, {"c"}}},
      {"doubled quotes", "\"say \"\"hi\"\"\"\tx\r\n", {{"say \"hi\"", "x"}}},
      {"TAB inside quotes", "\"a\tb\"\tc\r\n", {{"a\tb", "c"}}},
      {"quoted cell at the end of the text", "x\t\"a\nb\"", {{"x", "a\nb"}}},
      {"quote followed by other text is content", "\"a\"b\"\tc\r\n", {{"a\"b", "c"}}},
      {"never closed: taken literally", "\"abc\tdef\r\n", {{"\"abc", "def"}}},
      {"closing quote not at a field end: literal", "\"abc\"x\ty\r\n", {{"\"abc\"x", "y"}}},
      {"quote inside a field is content", "a\"b\tc\r\n", {{"a\"b", "c"}}},
      {"quoted content is trimmed", "\" a \"\tb\r\n", {{"a", "b"}}},
      {"empty quoted cell", "\"\"\tb\r\n", {{"", "b"}}},
      {"three quotes: escaped quote, then close", "\"\"\"\"\tb\r\n", {{"\"", "b"}}},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Parse(c.text), c.cells);
  }
}

TEST(TableTextTest, ManyUnclosedQuotesStayLinear) {
  // Each line opens a quote that never closes; a search per field to the end of the text
  // would take minutes here.
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "\"x\t\"y\r\n";
  const Cells cells = Parse(text);
  ASSERT_EQ(cells.size(), 200000u);
  EXPECT_EQ(cells.back(), (std::vector<std::string>{"\"x", "\"y"}));
}

// A large text is read on two threads, the second half from the first line start after the
// middle on; whatever lies across the middle, the cells must be those of one reading.
TEST(TableTextTest, LargeTextsReadAsOneReading) {
  struct Case {
    const char* name;
    std::string middle;           // text put at the middle, as read
    std::string middle_exported;  // and as written back
    int32_t middle_rows;
  };
  std::string lines_in_quotes;
  for (int k = 0; k < 100000; ++k) lines_in_quotes += "q\n";
  const Case cases[] = {
      {"plain lines only", "m\tn\r\n", "m\tn", 1},
      {"a quoted cell across the middle", "\"" + lines_in_quotes + "q\"\"\"\tz\r\n",
       "\"" + lines_in_quotes + "q\"\"\"\tz", 1},
      {"lines that are not plain", "\" pad \t\r\n\t\"x\r\n", "\"\"\" pad\"\t\n\t\"\"\"x\"", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string half;
    std::string half_exported;
    for (int r = 0; half.size() < (size_t{9} << 19); ++r) {
      const std::string line = "r" + std::to_string(r) + "\t\xe5\xa7\x93" + std::to_string(r % 7);
      half += line + "\r\n";
      half_exported += line + "\n";
    }
    Grid grid;
    ParsedTable table;
    const Status status = ParseTableText(half + c.middle + half, &table);
    ASSERT_TRUE(status.ok()) << status.message();
    ASSERT_TRUE(GridBuilder::AdoptTable(grid, std::move(table), 0, false));
    const auto half_rows = static_cast<int32_t>(std::count(half.begin(), half.end(), '\n'));
    EXPECT_EQ(grid.RowCount(), 2 * half_rows + c.middle_rows);
    const std::string got = TableText(grid, {0, 0, grid.RowCount() - 1, 1});
    const std::string want = half_exported + c.middle_exported + "\n" + half_exported.substr(0, half_exported.size() - 1);
    const size_t differ = static_cast<size_t>(std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first - got.begin());
    EXPECT_EQ(differ, want.size()) << "from: " << got.substr(differ, 40) << " instead of: " << want.substr(std::min(differ, want.size()), 40);
  }
}

TEST(TableTextTest, WritesClipboardText) {
  struct Case { const char* name; Cells cells; std::string text; };
  const Case cases[] = {
      {"TAB between cells, LF between rows, no final line end", {{"a", "b", "c"}, {"d", "", "f"}}, "a\tb\tc\nd\t\tf"},
      {"one empty cell is the empty text", {{""}}, ""},
      {"an empty last row is its TABs", {{"a", "b", "c"}, {"", "", ""}}, "a\tb\tc\n\t\t"},
      {"spaces stay", {{"two words", "\xe3\x80\x80"}}, "two words\t\xe3\x80\x80"},
      {"special cells are quoted", {{"a\tb", "l1\nl2", "\"q\" x", "cr\rx", "in\"side"}},
       "\"a\tb\"\t\"l1\nl2\"\t\"\"\"q\"\" x\"\t\"cr\rx\"\tin\"side"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Grid grid = GridOf(c.cells);
    EXPECT_EQ(TableText(grid, CellRect{0, 0, grid.RowCount() - 1, grid.ColCount() - 1}), c.text);
  }
}

TEST(TableTextTest, WriteThenReadGivesTheCellsBack) {
  const Cells cells = {{"title", "\"quoted\"", "a\tb"}, {"multi\nline", "", "x"}, {"  ", "\r", "end"}};
  const Grid grid = GridOf(cells);
  const std::string text = TableText(grid, CellRect{0, 0, 2, 2});
  Cells expected = cells;
  expected[2][0] = "";  // cells are trimmed on the way in
  expected[2][1] = "";
  EXPECT_EQ(Parse(text), expected);
}

TEST(TableTextTest, HiddenRowsAreLeftOut) {
  Grid grid = GridOf({{"a"}, {"b"}, {"c"}});
  grid.SetRowHeight(1, 0);
  EXPECT_EQ(TableText(grid, CellRect{0, 0, 2, 0}), "a\nc");
}

// A large rectangle is written on two threads in chunks of rows; hidden rows at the start of a
// chunk, a hidden first row and hidden columns must come out as in one pass.
TEST(TableTextTest, LargeRectangleWithHiddenRowsAndColumns) {
  const int32_t rows = 300000;
  Grid grid;
  grid.ResizeAndClear(rows, 3, 0, false);
  std::string want;
  for (int32_t r = 0; r < rows; ++r) {
    const std::string a = std::to_string(r);
    grid.SetCellText(r, 0, std::string_view(a));
    grid.SetCellText(r, 2, std::string_view("\"" + a));
    const bool hidden = r == 0 || r % 1000 < 3;
    if (hidden) grid.SetRowHeight(r, 0);
    if (!hidden) want += (want.empty() ? "" : "\n") + a + "\t\"\"\"" + a + "\"";
  }
  grid.SetColumnWidth(1, 0);
  const std::string got = TableText(grid, {0, 0, rows - 1, 2});
  EXPECT_TRUE(test_support::SameBytes(got, want));
}

}  // namespace
}  // namespace parvex
