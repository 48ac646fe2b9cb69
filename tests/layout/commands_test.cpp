#include "layout/commands.h"

#include <gtest/gtest.h>

#include "base/status.h"
#include "grid/grid_designs.h"
#include "html/html_table_reader.h"
#include "import/import.h"
#include "support/grid_helpers.h"
#include "support/memory_clipboard.h"
#include "support/printers.h"

namespace parvex {
namespace {

using test_support::Cells;
using test_support::CellsOf;
using test_support::GridOf;

const char kRoster[] = "Name\tClass\r\nAnn\tA\r\nBen\tA\r\nCai\tB\r\nDan\tB\r\nEva\tB\r\nFay\tB\r\nGus\tC\r\n";

Grid Imported(const std::string& text) {
  Grid source(SourceGridDesign());
  test_support::MemoryClipboard clipboard(text);
  EXPECT_TRUE(OnImportData(source, Settings{}, clipboard).status.ok());
  return source;
}

Settings ExampleSettings() {
  Settings settings;
  settings.group_count = "2";
  settings.rows_per_page = "3";
  settings.key_column = "2";
  return settings;
}

TEST(CommandsTest, PreprocessAndReprocessDifferOnlyInTheMessage) {
  const Grid source = Imported(kRoster);
  Grid first(ResultGridDesign());
  Grid second(ResultGridDesign());
  test_support::MemoryClipboard a;
  test_support::MemoryClipboard b;
  const CommandResult pre = OnPreprocess(source, first, ExampleSettings(), a);
  const CommandResult re = OnReprocess(source, second, ExampleSettings(), b);
  EXPECT_TRUE(pre.status.ok());
  EXPECT_EQ(pre.caption, "处理成功，请继续。");
  EXPECT_EQ(pre.message, kPreprocessMessage);
  EXPECT_EQ(re.message, kReprocessMessage);
  EXPECT_EQ(CellsOf(first), CellsOf(second));
  EXPECT_EQ(a.text(), b.text());
  EXPECT_EQ(a.text(),
            "Name\tClass\t\tName\tClass\nAnn\tA\t\t\t\nBen\tA\t\t\t\n\t\t\t\t\nCai\tB\t\tFay\tB\n"
            "Dan\tB\t\t\t\nEva\tB\t\t\t\nGus\tC\t\t\t");
}

TEST(CommandsTest, SourceIsUnchangedAndRunsRepeat) {
  const Grid source = Imported(kRoster);
  const Cells before = CellsOf(source);
  Grid result(ResultGridDesign());
  test_support::MemoryClipboard clipboard;
  OnPreprocess(source, result, ExampleSettings(), clipboard);
  const std::optional<std::string> once = clipboard.text();
  OnPreprocess(source, result, ExampleSettings(), clipboard);
  EXPECT_EQ(clipboard.text(), once);
  EXPECT_EQ(CellsOf(source), before);
}

TEST(CommandsTest, WithoutTitleTheFirstResultRowHoldsData) {
  const Grid source = Imported("a\t1\r\nb\t1\r\nc\t2\r\n");
  Settings settings;
  settings.has_title_row = false;
  settings.rows_per_page = "2";
  settings.group_count = "1";
  settings.key_column = "2";
  Grid result(ResultGridDesign());
  test_support::MemoryClipboard clipboard;
  OnPreprocess(source, result, settings, clipboard);
  EXPECT_EQ(CellsOf(result), (Cells{{"a", "1"}, {"b", "1"}, {"c", "2"}}));
  // The clipboard gets the result as it stands: no line for the title row laid out and removed.
  EXPECT_EQ(clipboard.text(), "a\t1\nb\t1\nc\t2");
}

TEST(CommandsTest, KeyBoxIsReadOnlyWhenTicked) {
  const Grid source = Imported(kRoster);
  Settings off = ExampleSettings();
  off.break_by_key = false;
  Settings empty_key = ExampleSettings();
  empty_key.key_column = "";
  Settings plain = ExampleSettings();
  plain.key_column = "0";
  for (const Settings& s : {off, empty_key}) {
    Grid r1(ResultGridDesign()), r2(ResultGridDesign());
    test_support::MemoryClipboard c1, c2;
    OnPreprocess(source, r1, s, c1);
    OnPreprocess(source, r2, plain, c2);
    EXPECT_EQ(c1.text(), c2.text());
  }
}

TEST(CommandsTest, ExportLeavesCursorAtTopLeftAndNoSelection) {
  const Grid source = Imported(kRoster);
  Grid result(ResultGridDesign());
  test_support::MemoryClipboard clipboard;
  OnPreprocess(source, result, ExampleSettings(), clipboard);
  EXPECT_FALSE(result.Selection());
  EXPECT_EQ(result.CursorCell(), (CellPos{0, 0}));
}

TEST(CommandsTest, ExportKeepsSpacesAndQuotesSpecialCells) {
  Grid result = GridOf({{"two words", ""}, {"line\nbreak", "\"q\""}}, ResultGridDesign());
  test_support::MemoryClipboard clipboard;
  ASSERT_TRUE(ExportResultGrid(result, clipboard));
  EXPECT_EQ(clipboard.text(), "two words\t\n\"line\nbreak\"\t\"\"\"q\"\"\"");
  Grid empty(ResultGridDesign());
  ASSERT_TRUE(ExportResultGrid(empty, clipboard));
  EXPECT_EQ(clipboard.text(), "");
}

TEST(CommandsTest, ImportThenLayoutThenReimportGivesTheCellsBack) {
  const std::string text = "名称\t备注\r\n甲\t\"含\t制表符\"\r\n乙\t\"两\r\n行\"\r\n";
  const Grid source = Imported(text);
  Settings settings;
  settings.group_count = "1";
  settings.break_by_key = false;
  Grid result(ResultGridDesign());
  test_support::MemoryClipboard clipboard;
  ASSERT_TRUE(OnPreprocess(source, result, settings, clipboard).status.ok());
  EXPECT_EQ(CellsOf(Imported(*clipboard.text())), CellsOf(source));
}

TEST(CommandsTest, RefusalLeavesGridsAndClipboardAlone) {
  Grid source(SourceGridDesign());
  ASSERT_TRUE(source.ResizeAndClear(2, 100000, 0, false));
  Grid result = GridOf({{"old"}}, ResultGridDesign());
  test_support::MemoryClipboard clipboard("user's text");
  Settings settings;
  settings.group_count = "32767";
  const CommandResult r = OnPreprocess(source, result, settings, clipboard);
  EXPECT_FALSE(r.status.ok());
  EXPECT_EQ(r.caption, kRefusedCaption);
  EXPECT_NE(r.status.message().find("do not fit in int32"), std::string::npos);
  EXPECT_EQ(clipboard.text(), "user's text");
  EXPECT_EQ(clipboard.write_count(), 0);
  EXPECT_EQ(CellsOf(result), (Cells{{"old"}}));
}

TEST(CommandsTest, UnwritableClipboardIsReportedNotSuccess) {
  const Grid source = Imported(kRoster);
  Grid result(ResultGridDesign());
  test_support::MemoryClipboard clipboard("held");
  clipboard.set_writable(false);
  const CommandResult r = OnPreprocess(source, result, ExampleSettings(), clipboard);
  EXPECT_FALSE(r.status.ok());
  EXPECT_NE(r.status.message().find("clipboard could not be written"), std::string::npos);
  EXPECT_EQ(clipboard.text(), "held");
  EXPECT_EQ(result.RowCount(), 8);  // the layout itself is kept
}

TEST(CommandsFlavoursTest, ExportPutsTheLayoutAsTextAndHtmlOfItsShape) {
  if (!HtmlReadingBuiltIn()) GTEST_SKIP() << "this build reads no HTML";
  const Grid source = Imported("No\tNote\r\n001\t=A1\r\n002\t\"a\tb\"\r\n003\t\"x\ny\"\r\n004\t<&>\r\n");
  Settings settings = ExampleSettings();
  settings.break_by_key = false;
  Grid result(ResultGridDesign());
  test_support::MemoryClipboard clipboard(std::string("held"), std::string("<table><tr><td>held</table>"));
  const CommandResult r = OnPreprocess(source, result, settings, clipboard);
  ASSERT_TRUE(r.status.ok());
  EXPECT_EQ(r.message, kPreprocessMessage);
  ASSERT_TRUE(clipboard.text().has_value());
  ASSERT_TRUE(clipboard.html().has_value());
  EXPECT_EQ(clipboard.write_count(), 1);
  const std::string& html = *clipboard.html();
  // The same cells as the text, every one of them marked as text.
  std::string table;
  const Status read = HtmlTableText(html, &table);
  ASSERT_TRUE(read.ok()) << read.message();
  EXPECT_EQ(CellsOf(Imported(table)), CellsOf(Imported(*clipboard.text())));
  size_t marked = 0;
  for (size_t at = html.find("sdnum=;;@"); at != std::string::npos; at = html.find("sdnum", at + 1)) ++marked;
  EXPECT_EQ(marked, static_cast<size_t>(result.RowCount()) * static_cast<size_t>(result.ColCount()));
  // The plan's shape: a bold title over both groups, the one separator column unbordered.
  EXPECT_NE(html.find("<tr><td sdnum=;;@><b>No</b><td sdnum=;;@><b>Note</b>"
                      "<td class=s sdnum=;;@><td sdnum=;;@><b>No</b>"
                      "<td sdnum=;;@><b>Note</b></td></tr>"),
            std::string::npos);
}

TEST(CommandsFlavoursTest, RefusedClipboardKeepsBothFlavours) {
  const Grid source = Imported(kRoster);
  Grid result(ResultGridDesign());
  test_support::MemoryClipboard clipboard(std::string("held"), std::string("<p>held"));
  clipboard.set_writable(false);
  EXPECT_FALSE(OnPreprocess(source, result, ExampleSettings(), clipboard).status.ok());
  EXPECT_EQ(clipboard.text(), "held");
  EXPECT_EQ(clipboard.html(), "<p>held");
}

TEST(CommandsFlavoursTest, ResultPastASheetGoesAsTextOnlyAndSaysSo) {
  // One group of more rows than a sheet has: the text as ever, no HTML, one line more.
  std::string text = "title\n";
  for (int64_t r = 0; r < kHtmlMaxRows; ++r) text += "x\n";
  const Grid source = Imported(text);
  Settings settings;
  settings.group_count = "1";
  settings.break_by_key = false;
  Grid result(ResultGridDesign());
  test_support::MemoryClipboard clipboard(std::string("held"), std::string("<p>held"));
  clipboard.set_keeps_sylk(true);  // past a sheet, no SYLK either: the message holds on X11 too
  const CommandResult r = OnReprocess(source, result, settings, clipboard);
  ASSERT_TRUE(r.status.ok());
  EXPECT_GT(result.RowCount(), kHtmlMaxRows);
  EXPECT_EQ(r.message, std::string(kReprocessMessage) + "\n" + "表格太大（1,048,577 行，超过 1,048,576 行），"
                                                                 "只以纯文本复制到剪贴板；请分批复制，或导出PDF/Excel文件。");
  EXPECT_FALSE(clipboard.html().has_value());
  EXPECT_FALSE(clipboard.sylk().has_value());
  ASSERT_TRUE(clipboard.text().has_value());
  EXPECT_EQ(clipboard.text()->size(), text.size() - 1);  // no line end after the last row
}

TEST(CommandsFlavoursTest, TextOnlyMessageNamesTheSizeAndTheLimit) {
  using Limit = HtmlFlavourExcess::Limit;
  const struct {
    HtmlFlavourExcess excess;
    const char* size;
  } cases[] = {
      {{Limit::kRows, 1200000, kHtmlMaxRows}, "1,200,000 行，超过 1,048,576 行"},
      {{Limit::kColumns, 20000, kHtmlMaxCols}, "20,000 列，超过 16,384 列"},
      {{Limit::kBytes, (int64_t{300} << 20) - 5, kHtmlMaxBytes}, "HTML约 300 MB，超过 256 MB"},
      {{Limit::kRows, 999, 100}, "999 行，超过 100 行"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    EXPECT_EQ(TextOnlyMessage(c.excess),
              std::string("表格太大（") + c.size + "），只以纯文本复制到剪贴板；请分批复制，或导出PDF/Excel文件。");
  }
}

}  // namespace
}  // namespace parvex
