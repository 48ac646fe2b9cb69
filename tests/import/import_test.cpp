#include "import/import.h"

#include <gtest/gtest.h>

#include "grid/grid_designs.h"
#include "html/html_table_reader.h"
#include "layout/split_into_columns.h"
#include "support/grid_helpers.h"
#include "support/memory_clipboard.h"
#include "support/printers.h"

namespace parvex {
namespace {

using test_support::Cells;
using test_support::CellsOf;
using test_support::GridOf;
using test_support::WidthsOf;

TEST(CountFieldsTest, SeparatorAtTheEndOpensNoField) {
  struct Case { std::string text; int32_t fields; };
  const Case cases[] = {{"a\tb", 2}, {"a\tb\t", 2}, {"a\t\tb", 3}, {"ab", 1}, {"", 1}, {"\t", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(CountFields(c.text, '\t'), c.fields);
  }
}

TEST(ImportTest, FillsTheSourceGrid) {
  struct Case { const char* name; std::string text; Cells cells; };
  const Case cases[] = {
      {"2 x 2", "a\tb\r\nc\td\r\n", {{"a", "b"}, {"c", "d"}}},
      {"empty middle cell", "a\t\tc\r\n", {{"a", "", "c"}}},
      {"trailing TAB before CR LF", "a\tb\t\r\n", {{"a", "b", ""}}},
      {"no line end", "a\tb\t", {{"a", "b"}}},
      {"comma stays in its cell", "1,5\tx\r\n", {{"1,5", "x"}}},
      {"spaces trimmed", " a\tb  \r\n", {{"a", "b"}}},
      {"empty lines", "\r\n\r\n", {{""}, {""}}},
      {"LF-only lines all arrive", "a\tb\nc\td\ne\tf", {{"a", "b"}, {"c", "d"}, {"e", "f"}}},
      {"last row without line end arrives", "a\r\nb\tc", {{"a", ""}, {"b", "c"}}},
      {"quoted cell with a line break", "n\tnote\r\n1\t\"two\r\nlines\"\r\n", {{"n", "note"}, {"1", "two\r\nlines"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Grid source(SourceGridDesign());
    test_support::MemoryClipboard clipboard(c.text);
    const CommandResult r = OnImportData(source, Settings{}, clipboard);
    EXPECT_TRUE(r.status.ok());
    EXPECT_EQ(r.message, "");
    EXPECT_EQ(CellsOf(source), c.cells);
    EXPECT_EQ(MeasureClipboardTable(clipboard),
              (TableSize{static_cast<int32_t>(c.cells.size()), static_cast<int32_t>(c.cells[0].size())}));
    EXPECT_FALSE(source.Selection());
    EXPECT_EQ(source.CursorCell(), CellPos{});
  }
}

TEST(ImportTest, EmptyOrMissingTextLeavesOneEmptyCell) {
  for (std::optional<std::string> text : {std::optional<std::string>(), std::optional<std::string>("")}) {
    Grid source = GridOf({{"a", "b", "c"}, {"d"}, {"e"}, {"f"}, {"g"}}, SourceGridDesign());
    test_support::MemoryClipboard clipboard(text);
    EXPECT_TRUE(OnImportData(source, Settings{}, clipboard).status.ok());
    EXPECT_EQ(CellsOf(source), (Cells{{""}}));
    EXPECT_EQ(WidthsOf(source), (std::vector<int32_t>{50}));  // no width applied
    EXPECT_EQ(MeasureClipboardTable(clipboard), (TableSize{0, 0}));
  }
}

TEST(ImportTest, ColumnWidthFromTheEditBox) {
  struct Case { std::string width_text; std::vector<int32_t> widths; };
  const Case cases[] = {{"80", {80, 80, 80}}, {"1", {50, 18, 18}}, {"", {50, 18, 18}}, {"2", {2, 2, 2}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width_text);
    Grid source(SourceGridDesign());
    Settings settings;
    settings.column_width = c.width_text;
    test_support::MemoryClipboard clipboard("a\tb\tc\r\n");
    OnImportData(source, settings, clipboard);
    EXPECT_EQ(WidthsOf(source), c.widths);
  }
}

TEST(ImportTest, SecondSmallerImportLeavesNothingBehind) {
  Grid source(SourceGridDesign());
  test_support::MemoryClipboard big("a\tb\tc\r\nd\te\tf\r\ng\th\ti\r\n");
  OnImportData(source, Settings{}, big);
  test_support::MemoryClipboard small("x\r\n");
  OnImportData(source, Settings{}, small);
  EXPECT_EQ(CellsOf(source), (Cells{{"x"}}));
}

TEST(ImportTest, ReadsTheRichestFlavour) {
  if (!HtmlReadingBuiltIn()) GTEST_SKIP() << "this build reads no HTML";
  const std::string text = "plain\t001\r\n";
  struct Case { const char* name; std::optional<std::string> text; std::optional<std::string> html; Cells cells; };
  const Case cases[] = {
      {"HTML table preferred", text, "<table><tr><td>\"阿飞\"<td>a<br>b<tr><td colspan=2> 001 </table>",
       {{"\"阿飞\"", "a\nb"}, {"001", ""}}},
      {"HTML alone", std::nullopt, "<table><tr><td>a&amp;b</td></tr></table>", {{"a&b"}}},
      {"HTML without a table", text, "<p>just a paragraph</p>", {{"plain", "001"}}},
      {"binary junk", text, std::string("\x01\xff\xfe<\x80>\x7f", 7), {{"plain", "001"}}},
      {"a NUL in the HTML", text, std::string("<table><tr><td>a\0</table>", 24), {{"plain", "001"}}},
      {"an empty HTML flavour", text, "", {{"plain", "001"}}},
      {"no HTML", text, std::nullopt, {{"plain", "001"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Grid source(SourceGridDesign());
    test_support::MemoryClipboard clipboard(c.text, c.html);
    ASSERT_TRUE(OnImportData(source, Settings{}, clipboard).status.ok());
    EXPECT_EQ(CellsOf(source), c.cells);
    EXPECT_EQ(MeasureClipboardTable(clipboard),
              (TableSize{static_cast<int32_t>(c.cells.size()), static_cast<int32_t>(c.cells[0].size())}));
  }
}

}  // namespace
}  // namespace parvex
