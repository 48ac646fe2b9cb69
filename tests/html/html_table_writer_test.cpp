#include "html/html_table_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "base/status.h"
#include "grid/grid_builder.h"
#include "grid/table_text_reader.h"
#include "html/clipboard_flavours.h"
#include "html/html_table_reader.h"
#include "port/code_page.h"
#include "port/utf8.h"
#include "support/grid_helpers.h"
#include "support/memory_clipboard.h"
#include "support/written_text.h"

namespace parvex {
namespace {

using test_support::Cells;
using test_support::GridOf;

const std::string kGroupTd = "<td sdnum=;;@>";
const std::string kSeparatorTd = "<td class=s sdnum=;;@>";
const std::string kBr = "<br style=\"mso-data-placement:same-cell\">";

std::string Kept(const std::string& run) {
  std::string out;
  AppendKeptWhiteSpace(run, &out);
  return out;
}

// The rows of the document's table, each as the list of its cells' full markup.
std::vector<std::vector<std::string>> RowsOf(const std::string& html) {
  std::vector<std::vector<std::string>> rows;
  for (size_t at = html.find("<tr>"); at != std::string::npos; at = html.find("<tr>", at)) {
    const size_t end = html.find("</tr>", at);
    std::vector<std::string> cells;
    // A cell runs to the next one or the end of the row: cells have no end tag.
    const size_t row_end = html.rfind("</td>", end) == end - 5 ? end - 5 : end;
    for (size_t c = at + 4; c < row_end;) {
      const size_t close = std::min(html.find("<td", c + 1), row_end);
      cells.push_back(html.substr(c, close - c));
      c = close;
    }
    rows.push_back(cells);
    at = end;
  }
  return rows;
}

// The markup inside a one-cell grid's only <td>.
std::string CellMarkup(const std::string& text) {
  const auto rows = RowsOf(HtmlTable(GridOf({{text}}), {}));
  const std::string& cell = rows.at(0).at(0);
  return cell.substr(kGroupTd.size());
}

TEST(HtmlTableWriterTest, WritesCellTextAsHtml) {
  const struct {
    const char* name;
    std::string text;
    std::string markup;
  } cases[] = {
      {"digits as they stand", "001", "001"},
      {"formula text", "=A1", "=A1"},
      {"the four special characters", "a&b<c>\"d\"", "a&amp;b&lt;c&gt;&quot;d&quot;"},
      {"entity-like text", "&amp;", "&amp;amp;"},
      {"quoted Chinese", "\"阿飞\"", "&quot;阿飞&quot;"},
      {"one inner space", "a b", "a b"},
      {"LF", "a\nb", "a" + kBr + "b"},
      {"CR LF is one break", "a\r\nb", "a" + kBr + "b"},
      {"lone CR", "a\rb", "a" + kBr + "b"},
      {"two breaks", "a\n\nb", "a" + kBr + kBr + "b"},
      {"leading space", " a", Kept(" ") + "a"},
      {"trailing space", "a ", "a" + Kept(" ")},
      {"run of spaces", "a   b", "a" + Kept("   ") + "b"},
      {"TAB", "a\tb", "a" + Kept("\t") + "b"},
      {"space and TAB", "a \t b", "a" + Kept(" \t ") + "b"},
      {"space before a break", "a \nb", "a" + Kept(" ") + kBr + "b"},
      {"space after a break", "a\n b", "a" + kBr + Kept(" ") + "b"},
      {"only spaces", "  ", Kept("  ")},
      {"UTF-8 kept", "班级 №", "班级 №"},
      {"GBK converted", "\xB0\xE0\xBC\xB6", "班级"},
      {"GBK with specials", "\xB0\xE0<1>", "班&lt;1&gt;"},
      {"byte that reads as nothing", "a\xFF", "a\xEF\xBF\xBD"},
      {"control characters as references", std::string("a\x01\x18\x7F", 4), "a&#1;&#24;&#127;"},
      {"control character in a long plain run", std::string(20, 'x') + "\x1B", std::string(20, 'x') + "&#27;"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CellMarkup(c.text), c.markup);
  }
}

TEST(HtmlTableWriterTest, TellsUtf8FromGbkAsTheConversionDoes) {
  // The writer's own check of UTF-8 must agree with the conversion's: a cell it took for UTF-8
  // while ToUtf8 would convert it would put bytes that are not UTF-8 into the document.
  const unsigned char alphabet[] = {'a', '1', 0x7f, 0x80, 0x8f, 0x90, 0x9f, 0xa0, 0xbf, 0xc0, 0xc1, 0xc2, 0xdf,
                                    0xe0, 0xe1, 0xec, 0xed, 0xee, 0xef, 0xf0, 0xf3, 0xf4, 0xf5, 0xff};
  std::mt19937 random(7);
  for (int k = 0; k < 20000; ++k) {
    std::string text(1 + random() % 12, 'a');
    for (char& c : text) c = static_cast<char>(alphabet[random() % sizeof alphabet]);
    const std::string markup = CellMarkup(text);
    ASSERT_TRUE(port::IsValidUtf8(markup));
    std::string expected = ToUtf8(text);  // DEL, no part of a GBK character, is escaped
    for (size_t at = expected.find('\x7f'); at != std::string::npos; at = expected.find('\x7f', at)) {
      expected.replace(at, 1, "&#127;");
    }
    ASSERT_EQ(markup, expected) << k;
  }
}

TEST(HtmlTableWriterTest, WritesACompleteUtf8Document) {
  const std::string html = HtmlTable(GridOf({{"a", ""}, {"", "b"}}), {});
  EXPECT_EQ(html.rfind("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">", 0), 0u);
  EXPECT_NE(html.find("td{mso-number-format:\"\\@\""), std::string::npos);
  EXPECT_NE(html.find("<body><table>"), std::string::npos);
  EXPECT_EQ(html.substr(html.size() - 23), "</table></body></html>\n");
  // Empty cells are empty, and still marked as text.
  const std::vector<std::vector<std::string>> rows = {{kGroupTd + "a", kGroupTd + ""},
                                                      {kGroupTd + "", kGroupTd + "b"}};
  EXPECT_EQ(RowsOf(html), rows);
}

TEST(HtmlTableWriterTest, SeparatorColumnsHaveNoBorderAndStayNarrow) {
  const struct {
    const char* name;
    HtmlTableShape shape;
    int32_t cols;
    std::vector<bool> separators;
  } cases[] = {
      {"one group", {false, {.source_columns = 2, .groups = 1}}, 2, {false, false}},
      {"two groups of two", {false, {.source_columns = 2, .groups = 2}}, 5, {false, false, true, false, false}},
      {"three groups of one", {false, {.source_columns = 1, .groups = 3}}, 5, {false, true, false, true, false}},
      {"no columns to a group", {false, {.source_columns = 0, .groups = 3}}, 3, {false, false, false}},
      {"wider than the shape", {false, {.source_columns = 1, .groups = 2}}, 4, {false, true, false, false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Grid grid = GridOf({std::vector<std::string>(static_cast<size_t>(c.cols), "x")});
    for (int32_t col = 0; col < c.cols; ++col) grid.SetColumnWidth(col, 40 + col);
    const std::string html = HtmlTable(grid, c.shape);
    const auto rows = RowsOf(html);
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0].size(), c.separators.size());
    std::string cols;
    for (size_t col = 0; col < c.separators.size(); ++col) {
      EXPECT_EQ(rows[0][col], (c.separators[col] ? kSeparatorTd : kGroupTd) + "x") << col;
      const int32_t width = c.separators[col] ? kHtmlSeparatorWidth : 40 + static_cast<int32_t>(col);
      cols += "<col width=" + std::to_string(width) + ">\n";
    }
    EXPECT_NE(html.find("<table>\n" + cols + "<tr>"), std::string::npos);
  }
}

TEST(HtmlTableWriterTest, TitleRowIsBold) {
  const Cells cells = {{"编号", "", "姓名"}, {"1", "", "王伟"}};
  const std::string with_title = HtmlTable(GridOf(cells), {true, {.source_columns = 1, .groups = 2}});
  const std::vector<std::vector<std::string>> rows = {
      {kGroupTd + "<b>编号</b>", kSeparatorTd + "", kGroupTd + "<b>姓名</b>"},
      {kGroupTd + "1", kSeparatorTd + "", kGroupTd + "王伟"}};
  EXPECT_EQ(RowsOf(with_title), rows);
  EXPECT_EQ(HtmlTable(GridOf(cells), {false, {.source_columns = 1, .groups = 2}}).find("<b>"), std::string::npos);
}

TEST(HtmlTableWriterTest, LeavesOutHiddenRowsAndColumns) {
  Grid grid = GridOf({{"a", "b", "c"}, {"d", "e", "f"}, {"g", "h", "i"}});
  grid.SetColumnWidth(1, 0);
  grid.SetRowHeight(0, 0);
  const std::string html = HtmlTable(grid, {});
  const std::vector<std::vector<std::string>> rows = {{kGroupTd + "d", kGroupTd + "f"},
                                                      {kGroupTd + "g", kGroupTd + "i"}};
  EXPECT_EQ(RowsOf(html), rows);
  EXPECT_EQ(html.find("<col width=0>"), std::string::npos);
}

TEST(HtmlTableWriterTest, LargeTableReadsBackRowForRow) {
  // Large enough to be written on two threads: every row once, in order.
  Cells cells;
  for (int r = 0; r < 60000; ++r) {
    cells.push_back({std::to_string(r), r % 7 == 0 ? "a<b>\nc" : "王伟", r % 5 == 0 ? "" : "\xB0\xE0"});
  }
  std::string text;
  const Status read = HtmlTableText(HtmlTable(GridOf(cells), {}), &text);
  ASSERT_TRUE(read.ok()) << read.message();
  std::string expected;
  for (const auto& row : cells) {
    if (!expected.empty()) expected += '\n';
    expected += row[0] + '\t' + (row[1][0] == 'a' ? "\"a<b>\nc\"" : row[1]);
    if (!row[2].empty()) expected += "\t班";
  }
  EXPECT_TRUE(text == expected);
}

TEST(HtmlTableWriterTest, StreamsInBoundedPieces) {
  // A table of several MB reaches the sink in pieces no larger than the block.
  class Pieces : public TextSink {
   public:
    void Append(std::string_view piece) override {
      ++count;
      largest = std::max(largest, piece.size());
      total += piece.size();
    }
    size_t count = 0;
    size_t largest = 0;
    size_t total = 0;
  } pieces;
  Grid grid;
  ASSERT_TRUE(grid.ResizeAndClear(100000, 3, 0, false));
  for (int32_t r = 0; r < grid.RowCount(); ++r) grid.SetCellText(r, 1, std::string_view("0123456789"));
  WriteHtmlTable(grid, {}, pieces);
  EXPECT_GT(pieces.total, size_t{4} << 20);
  EXPECT_GT(pieces.count, 4u);
  EXPECT_LE(pieces.largest, size_t{1} << 20);
}

TEST(HtmlTableWriterTest, KeepsWhiteSpaceInAFormBothReadersKeep) {
  // Spaces as references (LibreOffice keeps those), in a span Excel and browsers keep; a TAB as it
  // stands, for no form of it survives LibreOffice.
  EXPECT_EQ(Kept("  \t "), "<span style=\"mso-spacerun:yes;white-space:pre\">&#32;&#32;\t&#32;</span>");
  const struct {
    const char* name;
    std::string text;
    std::string table_text;  // what our reader makes of the cell
  } cases[] = {
      {"inner run", "a  b", "a  b"},
      {"run at the end", "a   ", "a   "},
      {"space around a break", "a \n b", "\"a \n b\""},
      {"TAB beside spaces", "x\t y", "\"x\t y\""},
      {"entity-like text beside a run", "&#32;  &", "&#32;  &"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text;
    const Status read = HtmlTableText(HtmlTable(GridOf({{c.text}}), {}), &text);
    EXPECT_EQ(read.ok() ? text : "none: " + read.message(), c.table_text);
  }
}

TEST(HtmlTableWriterTest, RectangleKeepsTheShapeOfTheWholeGrid) {
  const Grid grid = GridOf({{"编号", "", "姓名"}, {"1", "", "王伟"}, {"2", "", "李娜"}});
  const HtmlTableShape shape{true, {.source_columns = 1, .groups = 2}};
  const struct {
    const char* name;
    CellRect rect;
    std::vector<std::vector<std::string>> rows;
  } cases[] = {
      {"separator and second group, no title", {1, 1, 2, 2}, {{kSeparatorTd, kGroupTd + "王伟"}, {kSeparatorTd, kGroupTd + "李娜"}}},
      {"title row only", {0, 2, 0, 2}, {{kGroupTd + "<b>姓名</b>"}}},
      {"clamped to the grid", {2, 0, 9, 0}, {{kGroupTd + "2"}}},
      {"empty", {1, 2, 0, 2}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string html;
    StringSink sink(&html);
    WriteHtmlTable(grid, c.rect, shape, sink);
    EXPECT_EQ(RowsOf(html), c.rows);
    EXPECT_EQ(html.substr(html.size() - 23), "</table></body></html>\n");
  }
}

// A grid made of table text keeps plain lines as they came, the other lines as cells; the
// rows of a layout refer to several of them at once.
Grid GridOfText(std::string text) {
  ParsedTable table;
  Grid grid;
  const Status status = ParseTableText(std::move(text), &table);
  if (!status.ok() || !GridBuilder::AdoptTable(grid, std::move(table), 0, false)) {
    ADD_FAILURE() << "not read: " << status.message();
  }
  return grid;
}

// The same cells, each kept on its own: read cell by cell, not run by run.
Grid CopyCellByCell(const Grid& grid) {
  Cells cells(static_cast<size_t>(grid.RowCount()), std::vector<std::string>(static_cast<size_t>(grid.ColCount())));
  for (int32_t r = 0; r < grid.RowCount(); ++r) {
    for (int32_t c = 0; c < grid.ColCount(); ++c) {
      cells[static_cast<size_t>(r)][static_cast<size_t>(c)] = std::string(grid.store().Text(grid.store().CellAt(r, c)));
    }
  }
  Grid copy = GridOf(cells);
  for (int32_t c = 0; c < grid.ColCount(); ++c) copy.SetColumnWidth(c, grid.GetColumnWidth(c).value_or(0));
  return copy;
}

TEST(HtmlTableWriterTest, RowsStoredAsLinesWriteAsTheirCells) {
  const std::string text =
      "编号\t姓名\t金额\n"
      "1\t王伟\t3.50\n"
      "2\ta&b<c>\t>\n"              // escaped in a line
      "\t\xB0\xE0\tx\n"              // GBK in a line, an empty first cell
      "4\t\"two\nlines\"\ta  b\n"    // quoted, runs of spaces: not a plain line
      "5\n"                          // shorter than the others
      "\n"
      "7\t\t\t\n"
      // Lines are kept whole only before the last 64 bytes of the text.
      "8\t" + std::string(80, 'z') + "\n";
  Grid lines = GridOfText(text);
  ASSERT_EQ(lines.RowCount(), 9);
  ASSERT_EQ(lines.store().KindOf(1), RowStore::RowKind::kPlainLine);
  // A layout's rows: row r holds line r, a separator column, then line r + 1.
  GridBuilder builder(GridDesign{}, lines, 7, 0, false);
  builder.Reserve(lines.RowCount(), 2 * int64_t{lines.RowCount()});
  for (int32_t r = 0; r < lines.RowCount(); ++r) {
    builder.AppendEmptyRows(1);
    builder.AppendCellsOf(r, 0);
    if (r + 1 < lines.RowCount()) builder.AppendCellsOf(r + 1, 4);
  }
  Grid layout = builder.Finish();
  for (Grid* grid : {&lines, &layout}) {
    for (int32_t c = 0; c < grid->ColCount(); ++c) grid->SetColumnWidth(c, 40 + c);
  }

  const struct {
    const char* name;
    const Grid& grid;
    HtmlTableShape shape;
    CellRect rect;
  } cases[] = {
      {"whole lines", lines, {true, {.source_columns = 3, .groups = 1}}, {0, 0, 99, 99}},
      {"lines cut by the rectangle", lines, {false, {.source_columns = 3, .groups = 1}}, {1, 1, 6, 1}},
      {"layout of two groups", layout, {true, {.source_columns = 3, .groups = 2}}, {0, 0, 99, 99}},
      {"layout from the separator on", layout, {true, {.source_columns = 3, .groups = 2}}, {2, 3, 8, 5}},
      {"layout of the first group", layout, {false, {.source_columns = 3, .groups = 2}}, {0, 0, 8, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string html;
    StringSink sink(&html);
    WriteHtmlTable(c.grid, c.rect, c.shape, sink);
    std::string expected;
    StringSink expected_sink(&expected);
    WriteHtmlTable(CopyCellByCell(c.grid), c.rect, c.shape, expected_sink);
    EXPECT_EQ(html, expected);
  }
}

TEST(HtmlTableWriterTest, RandomLinesWriteAsTheirCells) {
  // Lines of pieces that the writer's sixteen-byte check of a line must tell apart, at every
  // place relative to its blocks: ASCII, TABs, three-byte sequences (those it takes whole and the
  // E0 and ED ones it does not), two- and four-byte ones, sequences cut short, stray
  // continuation bytes, GBK, and bytes to escape. Written from lines or cell by cell, the HTML
  // must be the same.
  const std::vector<std::string> pieces = {
      "a", "7", " ", "\t", "\t", "&", "<", "\x01", "\x7f", "中", "文", "\xEF\xBF\xBD", "\xE1\x80\x80",
      "\xE0\xA0\x80", "\xED\x9F\xBF", "\xED\xA0\x80", "\xE0\x80\x80", "\xC3\xA9", "\xF0\x9D\x84\x9E",
      "\xE4\xB8", "\xE4", "\x80", "\xBF", "\xB0\xA1", "\xC0\x80"};
  std::mt19937 random(11);
  for (int round = 0; round < 20; ++round) {
    std::string text;
    for (int line = 0; line < 200; ++line) {
      // Mostly the pieces a plain line is made of, so that most lines take the fast way.
      const size_t length = random() % 40;
      for (size_t k = 0; k < length; ++k) {
        const size_t pick = random() % 4 == 0 ? random() % pieces.size() : random() % 2 == 0 ? 0 : 9 + random() % 2;
        text += random() % 8 == 0 ? "\t" : pieces[pick];
      }
      text += '\n';
    }
    text += std::string(70, '-');  // the lines before the last 64 bytes are kept whole
    const Grid lines = GridOfText(text);
    const int32_t columns = lines.ColCount();
    SCOPED_TRACE(round);
    int32_t plain_lines = 0;
    for (int32_t r = 0; r < lines.RowCount(); ++r) plain_lines += lines.store().KindOf(r) == RowStore::RowKind::kPlainLine;
    ASSERT_GT(plain_lines, 50);
    std::string html;
    StringSink sink(&html);
    WriteHtmlTable(lines, {false, {.source_columns = columns, .groups = 1}}, sink);
    std::string expected;
    StringSink expected_sink(&expected);
    WriteHtmlTable(CopyCellByCell(lines), {false, {.source_columns = columns, .groups = 1}}, expected_sink);
    ASSERT_EQ(html, expected);
    EXPECT_TRUE(port::IsValidUtf8(html));
  }
}

TEST(HtmlTableWriterTest, FlavourFitsWhatASpreadsheetTakes) {
  using Limit = HtmlFlavourExcess::Limit;
  Grid tall;
  ASSERT_TRUE(tall.ResizeAndClear(static_cast<int32_t>(kHtmlMaxRows) + 1, 16, 0, false));
  Grid wide;
  ASSERT_TRUE(wide.ResizeAndClear(1, static_cast<int32_t>(kHtmlMaxCols) + 1, 0, false));
  const int32_t max_rows = static_cast<int32_t>(kHtmlMaxRows);
  const int32_t max_cols = static_cast<int32_t>(kHtmlMaxCols);
  const struct {
    const char* name;
    const Grid& grid;
    CellRect rect;
    Limit passed;
    int64_t size;  // for a limit of rows or columns
  } cases[] = {
      {"a sheet's rows", tall, {0, 0, max_rows - 1, 0}, Limit::kNone, 0},
      {"one row more", tall, {0, 0, max_rows, 0}, Limit::kRows, kHtmlMaxRows + 1},
      {"a sheet's columns", wide, {0, 0, 0, max_cols - 1}, Limit::kNone, 0},
      {"one column more", wide, {0, 0, 0, max_cols}, Limit::kColumns, kHtmlMaxCols + 1},
      {"a million rows of 8 columns", tall, {0, 0, 999999, 7}, Limit::kNone, 0},
      {"a million rows of 16 columns: markup past the cap", tall, {0, 0, 999999, 15}, Limit::kBytes, 0},
      {"empty", tall, {5, 0, 4, 0}, Limit::kNone, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const HtmlFlavourExcess excess = HtmlFlavourExcessOf(c.grid, c.rect);
    EXPECT_EQ(excess.limit, c.passed);
    EXPECT_EQ(HtmlFlavourFits(c.grid, c.rect), c.passed == Limit::kNone);
    if (c.passed == Limit::kBytes) {
      EXPECT_GT(excess.size, kHtmlMaxBytes);
      EXPECT_EQ(excess.most, kHtmlMaxBytes);
    } else if (c.passed != Limit::kNone) {
      EXPECT_EQ(excess.size, c.size);
    }
  }
}

// Which flavours a copy offers: SYLK where the clipboard keeps it and every cell fits a record,
// HTML beside it only up to kHtmlBesideSylkMaxCells cells, HTML alone elsewhere.
TEST(ClipboardFlavoursTest, CopyOffersFlavoursBySizeAndClipboard) {
  const int32_t at_most = static_cast<int32_t>(kHtmlBesideSylkMaxCells / 4);  // rows of 4 cells
  const struct {
    const char* name;
    int32_t rows;
    bool keeps_sylk;
    bool long_cell;
    bool html, sylk;
  } cases[] = {
      {"no SYLK kept, small", 3, false, false, true, false},
      {"no SYLK kept, past the size", at_most + 1, false, false, true, false},
      {"SYLK kept, small: all three", 3, true, false, true, true},
      {"SYLK kept, at the size: all three", at_most, true, false, true, true},
      {"SYLK kept, past the size: no HTML", at_most + 1, true, false, false, true},
      {"a cell too long for a record, small", 3, true, true, true, false},
      {"a cell too long for a record, past the size: HTML stays", at_most + 1, true, true, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Grid grid;
    ASSERT_TRUE(grid.ResizeAndClear(c.rows, 4, 0, false));
    ASSERT_TRUE(grid.SetCellText(0, 0, std::string_view("001")));
    const std::string last = c.long_cell ? std::string(70000, 'x') : std::string("=A1");
    ASSERT_TRUE(grid.SetCellText(c.rows - 1, 3, std::string_view(last)));
    grid.SelectRange(0, 0, c.rows - 1, 3);
    test_support::MemoryClipboard clipboard(std::string("held"), std::string("<p>held"));
    clipboard.set_keeps_sylk(c.keeps_sylk);
    const SpreadsheetFlavours flavours;
    ASSERT_TRUE(grid.CopySelectionToClipboard(clipboard, &flavours));
    ASSERT_TRUE(clipboard.text().has_value());
    EXPECT_EQ(clipboard.text()->substr(0, 4), "001\t");
    EXPECT_EQ(clipboard.html().has_value(), c.html);
    ASSERT_EQ(clipboard.sylk().has_value(), c.sylk);
    if (c.sylk) {
      EXPECT_EQ(clipboard.sylk()->substr(0, 26), "ID;PPARVEX\r\nC;Y1;X1;K\"001\"");
      EXPECT_NE(clipboard.sylk()->find("C;X4;K\"=A1\"\r\nE\r\n"), std::string::npos);
    }
  }
  // Nothing selected: the clipboard keeps what it held.
  Grid grid;
  test_support::MemoryClipboard clipboard(std::string("held"), std::string("<p>held"));
  clipboard.set_keeps_sylk(true);
  ASSERT_TRUE(grid.CopySelectionToClipboard(clipboard));
  EXPECT_EQ(clipboard.write_count(), 0);
}

}  // namespace
}  // namespace parvex
