#include "grid/sylk_table_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "command/settings.h"
#include "import/import.h"
#include "support/grid_helpers.h"

namespace parvex {
namespace {

using test_support::Cells;
using test_support::CellsOf;
using test_support::GridOf;

std::string Sylk(const Grid& grid, const CellRect& rect) {
  std::string out;
  StringSink sink(&out);
  WriteSylkTable(grid, rect, sink);
  return out;
}

std::string Sylk(const Grid& grid) { return Sylk(grid, {0, 0, grid.RowCount() - 1, grid.ColCount() - 1}); }

// The SYLK LibreOffice reads these cells from, written out by hand: an ID record, a record for
// every cell (a row's first naming the row), an E record.
std::string Records(const std::vector<std::string>& records) {
  std::string out = "ID;PPARVEX\r\n";
  for (const std::string& record : records) out += record + "\r\n";
  return out + "E\r\n";
}

struct WriteCase {
  const char* name;
  Cells cells;
  std::vector<std::string> records;
};

TEST(SylkTableWriterTest, WritesEveryCellAsTextConstant) {
  const WriteCase cases[] = {
      {"rows and columns", {{"a", "b"}, {"c", "d"}}, {"C;Y1;X1;K\"a\"", "C;X2;K\"b\"", "C;Y2;X1;K\"c\"", "C;X2;K\"d\""}},
      {"semicolons doubled", {{"a;b", ";", "x;;"}}, {"C;Y1;X1;K\"a;;b\"", "C;X2;K\";;\"", "C;X3;K\"x;;;;\""}},
      {"quotes as they stand", {{"\"阿飞\"", "x\";", "\"\""}},
       {"C;Y1;X1;K\"\"阿飞\"\"", "C;X2;K\"x\";;\"", "C;X3;K\"\"\"\""}},
      {"line breaks: LF, CR LF and a lone CR each one ESC SPACE :", {{"a\nb", "a\r\nb", "a\rb", "end\n", "\n\n"}},
       {"C;Y1;X1;K\"a\x1b :b\"", "C;X2;K\"a\x1b :b\"", "C;X3;K\"a\x1b :b\"", "C;X4;K\"end\x1b :\"",
        "C;X5;K\"\x1b :\x1b :\""}},
      {"a TAB inside a cell as it stands", {{"左\t右", "a  b\tc"}}, {"C;Y1;X1;K\"左\t右\"", "C;X2;K\"a  b\tc\""}},
      {"what a spreadsheet reads as a number or formula, as typed",
       {{"001", "110101200701011234", "=A1", "3/4", "1E3", "'q", " lead", "trail "}},
       {"C;Y1;X1;K\"001\"", "C;X2;K\"110101200701011234\"", "C;X3;K\"=A1\"", "C;X4;K\"3/4\"", "C;X5;K\"1E3\"",
        "C;X6;K\"'q\"", "C;X7;K\" lead\"", "C;X8;K\"trail \""}},
      {"UTF-8 and GBK bytes unchanged", {{"\xe5\xa7\x93\xe5\x90\x8d", "\xd0\xd5\xc3\xfb", "\xff\x80"}},
       {"C;Y1;X1;K\"\xe5\xa7\x93\xe5\x90\x8d\"", "C;X2;K\"\xd0\xd5\xc3\xfb\"", "C;X3;K\"\xff\x80\""}},
      {"a NUL byte left out, the rest of the cell kept", {{std::string("a\0b;", 4), std::string("\0", 1)}},
       {"C;Y1;X1;K\"ab;;\"", "C;X2;K\"\""}},
      {"empty cells, an empty separator column and an empty row: records of nothing",
       {{"a", "", "b"}, {"", "", ""}, {"c"}},
       {"C;Y1;X1;K\"a\"", "C;X2;K\"\"", "C;X3;K\"b\"", "C;Y2;X1;K\"\"", "C;X2;K\"\"", "C;X3;K\"\"", "C;Y3;X1;K\"c\"",
        "C;X2;K\"\"", "C;X3;K\"\""}},
  };
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Sylk(GridOf(c.cells)), Records(c.records));
  }
}

// A grid filled by the import stores a plain row as its line; the records are the same.
TEST(SylkTableWriterTest, ImportedLinesGiveTheSameRecords) {
  using namespace std::string_literals;
  const std::string text = "No\tName;Alias\t\tNote\r\n001\t王芳;芳\t\t=A1\r\n002\t;;\t\"a\tb\"\t\"x\ny\"\r\n"
                           "\t\t\t\r\nn\0ul\tx\r\n"s;
  Grid imported;
  ASSERT_TRUE(ImportText(imported, Settings{}, text).status.ok());
  EXPECT_EQ(Sylk(imported), Sylk(GridOf(CellsOf(imported))));
}

TEST(SylkTableWriterTest, NumbersShownRowsAndColumnsOfTheRectangleFromOne) {
  Grid grid = GridOf({{"a", "b", "c", "d"}, {"e", "f", "g", "h"}, {"i", "j", "k", "l"}, {"m", "n", "o", "p"}});
  EXPECT_EQ(Sylk(grid, {1, 1, 2, 2}), Records({"C;Y1;X1;K\"f\"", "C;X2;K\"g\"", "C;Y2;X1;K\"j\"", "C;X2;K\"k\""}));
  // Clamped to the grid; nothing of it inside gives no cells.
  EXPECT_EQ(Sylk(grid, {3, 3, 9, 9}), Records({"C;Y1;X1;K\"p\""}));
  EXPECT_EQ(Sylk(grid, {5, 0, 9, 3}), Records({}));
  // Hidden rows and columns are left out and not counted.
  ASSERT_TRUE(grid.SetRowHeight(1, 0));
  ASSERT_TRUE(grid.SetColumnWidth(0, 0));
  ASSERT_TRUE(grid.SetColumnWidth(2, 0));
  EXPECT_EQ(Sylk(grid), Records({"C;Y1;X1;K\"b\"", "C;X2;K\"d\"", "C;Y2;X1;K\"j\"", "C;X2;K\"l\"", "C;Y3;X1;K\"n\"",
                                 "C;X2;K\"p\""}));
}

// Enough rows for the two-thread writer: the records are those of a plain reference.
TEST(SylkTableWriterTest, LargeTableGivesEveryRecordInOrder) {
  std::string text;
  for (int r = 0; r < 200000; ++r) text += std::to_string(r) + "\t" + (r % 7 == 0 ? "" : "x;" + std::to_string(r)) + "\r\n";
  Grid grid;
  ASSERT_TRUE(ImportText(grid, Settings{}, text).status.ok());
  ASSERT_EQ(grid.RowCount(), 200000);
  std::string expected = "ID;PPARVEX\r\n";
  for (int r = 0; r < 200000; ++r) {
    expected += "C;Y" + std::to_string(r + 1) + ";X1;K\"" + std::to_string(r) + "\"\r\nC;X2;K\"" +
                (r % 7 == 0 ? "" : "x;;" + std::to_string(r)) + "\"\r\n";
  }
  expected += "E\r\n";
  const std::string written = Sylk(grid);
  ASSERT_EQ(written.size(), expected.size());
  EXPECT_TRUE(written == expected);
}

TEST(SylkTableWriterTest, CellsFitWhileEachRecordIsOneLineLibreOfficeReadsWhole) {
  const struct {
    const char* name;
    std::string cell;
    bool fits;
  } cases[] = {
      {"short", "abc", true},
      {"60,000 bytes", std::string(60000, 'x'), true},
      {"70,000 bytes", std::string(70000, 'x'), false},
      {"30,000 semicolons, doubled 60,000", std::string(30000, ';'), true},
      {"25,000 line breaks, written 75,000", std::string(25000, '\n'), false},
      {"25,000 CR LF, written 75,000", [] {
         std::string s;
         for (int k = 0; k < 25000; ++k) s += "\r\n";
         return s;
       }(), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Grid grid = GridOf({{"a", c.cell}, {"b", "c"}});
    EXPECT_EQ(SylkCellsFit(grid, {0, 0, 1, 1}), c.fits);
    // Only the rectangle's cells count.
    EXPECT_TRUE(SylkCellsFit(grid, {0, 0, 1, 0}));
  }
  // A long plain line of short cells fits.
  std::string line;
  for (int k = 0; k < 20000; ++k) line += "abcd\t";
  Grid imported;
  ASSERT_TRUE(ImportText(imported, Settings{}, line + "\r\n").status.ok());
  EXPECT_TRUE(SylkCellsFit(imported, {0, 0, 0, imported.ColCount() - 1}));
}

}  // namespace
}  // namespace parvex
