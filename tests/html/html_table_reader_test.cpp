#include "html/html_table_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "base/status.h"
#include "grid/grid_builder.h"
#include "grid/table_text_reader.h"
#include "html/html_table_writer.h"
#include "support/grid_helpers.h"
#include "support/written_text.h"

namespace parvex {
namespace {

using test_support::Cells;
using test_support::CellsOf;
using test_support::GridOf;

// The cells a paste of the HTML gives: its table text through the plain-text parsing.
std::optional<Cells> CellsFromHtml(const std::string& html, std::string* reason = nullptr) {
  std::string text;
  const Status read = HtmlTableText(html, &text);
  if (reason != nullptr) *reason = read.message();
  if (!read.ok()) return std::nullopt;
  ParsedTable table;
  if (const Status status = ParseTableText(std::move(text), &table); !status.ok()) {
    ADD_FAILURE() << "table text refused: " << status.message();
    return std::nullopt;
  }
  Grid grid;
  if (!GridBuilder::AdoptTable(grid, std::move(table), 0, false)) return std::nullopt;
  return CellsOf(grid);
}

std::string Table(const std::string& body) { return "<html><body><table>" + body + "</table></body></html>"; }

struct ReadCase {
  const char* name;
  std::string html;
  Cells cells;
};

TEST(HtmlTableReaderTest, ReadsCellTextAsABrowserShowsIt) {
  const ReadCase cases[] = {
      {"two by two", Table("<tr><td>a</td><td>b</td></tr><tr><td>c</td><td>d</td></tr>"), {{"a", "b"}, {"c", "d"}}},
      {"th like td", Table("<tr><th>编号</th><th>姓名</th></tr><tr><td>1</td><td>王伟</td></tr>"),
       {{"编号", "姓名"}, {"1", "王伟"}}},
      {"entities", Table("<tr><td>&amp;&lt;&gt;&quot;&#39;&#x4E00;&copy;</td></tr>"), {{"&<>\"'一©"}}},
      {"nbsp stays a character", Table("<tr><td>a&nbsp;b</td></tr>"), {{"a\xC2\xA0" "b"}}},
      {"br", Table("<tr><td>a<br>b<br/>c</td></tr>"), {{"a\nb\nc"}}},
      {"Excel's br", Table("<tr><td>a<br style='mso-data-placement:same-cell'>b</td></tr>"), {{"a\nb"}}},
      {"two br", Table("<tr><td>a<br><br>b</td></tr>"), {{"a\n\nb"}}},
      {"paragraphs", Table("<tr><td><p>a</p><p>b</p>c</td></tr>"), {{"a\nb\nc"}}},
      {"divs nested", Table("<tr><td><div><div>a</div></div><div>b</div></td></tr>"), {{"a\nb"}}},
      {"white space collapses", Table("<tr><td>\n  a \t  b\n  </td></tr>"), {{"a b"}}},
      // LibreOffice writes a cell's spaces and TABs as they stand, and means them.
      {"LibreOffice's spaces and TABs kept",
       "<html><head><meta name=\"generator\" content=\"LibreOffice 7.4.7.2 (Linux)\"/></head><body><table>"
       "<tr><td><font face=\"x\">内部  两个空格</font></td><td>a\tb</td><td>c<br>d</td>"
       "<td>e<span style='mso-spacerun:yes'>&nbsp;\n f</span></td></tr></table></body></html>",
       {{"内部  两个空格", "a\tb", "c\nd", "e \n f"}}},
      {"another generator's spaces collapse",
       "<html><head><meta name=\"generator\" content=\"Some Editor\"/></head><body><table>"
       "<tr><td>内部  两个空格</td></tr></table></body></html>",
       {{"内部 两个空格"}}},
      {"spaces around br dropped", Table("<tr><td>a  <br>\n   b</td></tr>"), {{"a\nb"}}},
      {"pre keeps", Table("<tr><td><pre>a  b\n c</pre></td></tr>"), {{"a  b\n c"}}},
      {"a CR from a reference ends a line", Table("<tr><td><pre>a&#13;b&#13;\nc</pre></td></tr>"), {{"a\nb\nc"}}},
      {"white-space:pre keeps", Table("<tr><td style='white-space:pre'>a \t b</td></tr>"), {{"a \t b"}}},
      {"spacerun keeps, nbsp a space", Table("<tr><td>a<span style='mso-spacerun:yes'>&nbsp;&nbsp; </span>b</td></tr>"),
       {{"a   b"}}},
      // Excel wraps its source lines at about 80 characters, at a space, inside a spacerun too.
      {"Excel's wrapped spacerun", Table("<tr><td>1<span style='mso-spacerun:yes'>&nbsp;&nbsp;\r\n  </span>3</td></tr>"),
       {{"1   3"}}},
      {"Excel's accounting money cell",
       Table("<tr><td class=xl65><span\r\n  style='mso-spacerun:yes'> </span>$<span style='mso-spacerun:yes'>\r\n"
             "  </span>23,123.00 </td></tr>"),
       {{"$ 23,123.00"}}},
      {"spacerun spaces as typed, wrapped outside", Table("<tr><td>a<span style='mso-spacerun:yes'>   </span>b\r\n  c</td></tr>"),
       {{"a   b c"}}},
      {"inline markup", Table("<tr><td><font face=x><b>粗</b><i>体</i></font></td></tr>"), {{"粗体"}}},
      {"comments, style, script", Table("<tr><td>a<!-- x --><style>p{}</style><script>1</script>b</td></tr>"), {{"ab"}}},
      {"hidden element", Table("<tr><td>a<span style=\"display: none\">x</span>b</td></tr>"), {{"ab"}}},
      {"hidden row and cell", Table("<tr><td>a</td><td style='display:none'>x</td><td>b</td></tr>"
                                    "<tr style='display:none'><td>y</td></tr>"),
       {{"a", "b"}}},
      {"leading quote", Table("<tr><td>\"阿飞\"</td></tr>"), {{"\"阿飞\""}}},
      {"empty cells", Table("<tr><td></td><td>a</td><td></td></tr><tr><td></td></tr>"), {{"", "a", ""}, {"", "", ""}}},
      {"empty rows kept", Table("<tr><td>a</td></tr><tr></tr><tr><td></td></tr>"), {{"a"}, {""}, {""}}},
      {"thead tbody tfoot in document order",
       Table("<thead><tr><td>h</td></tr></thead><tbody><tr><td>b</td></tr></tbody><tfoot><tr><td>f</td></tr></tfoot>"),
       {{"h"}, {"b"}, {"f"}}},
      {"caption and colgroup are no rows", Table("<caption>c</caption><colgroup><col></colgroup><tr><td>a</td></tr>"),
       {{"a"}}},
      {"only the first table", Table("<tr><td>a</td></tr>") + "<table><tr><td>b</td></tr></table>", {{"a"}}},
      {"nested table is text of its cell",
       Table("<tr><td>x<table><tr><td>1</td><td>2</td></tr><tr><td>3</td></tr></table></td><td>y</td></tr>"),
       {{"x\n1 2\n3", "y"}}},
      {"unclosed tags", "<table><tr><td>a<td>b<tr><td>c", {{"a", "b"}, {"c", ""}}},
      {"table inside other markup", "<div><p>intro</p><table><tr><td>a</td></tr></table></div>", {{"a"}}},
      {"GBK bytes read as GB18030", Table("<tr><td>\xB0\xE0\xBC\xB6</td></tr>"), {{"班级"}}},
      {"byte order mark", "\xEF\xBB\xBF" + Table("<tr><td>a</td></tr>"), {{"a"}}},
      {"TAB inside a kept run", Table("<tr><td>a<span style=\"white-space:pre\">\t</span>b</td></tr>"), {{"a\tb"}}},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string reason;
    const std::optional<Cells> cells = CellsFromHtml(c.html, &reason);
    ASSERT_TRUE(cells.has_value()) << reason;
    EXPECT_EQ(*cells, c.cells);
  }
}

TEST(HtmlTableReaderTest, ExpandsSpans) {
  const ReadCase cases[] = {
      {"colspan", Table("<tr><td colspan=2>a</td><td>b</td></tr><tr><td>1</td><td>2</td><td>3</td></tr>"),
       {{"a", "", "b"}, {"1", "2", "3"}}},
      {"rowspan", Table("<tr><td rowspan=2>a</td><td>b</td></tr><tr><td>c</td></tr>"), {{"a", "b"}, {"", "c"}}},
      {"both", Table("<tr><td rowspan=2 colspan=2>a</td><td>b</td></tr><tr><td>c</td></tr><tr><td>d</td></tr>"),
       {{"a", "", "b"}, {"", "", "c"}, {"d", "", ""}}},
      {"rowspan ends with its row group",
       Table("<thead><tr><td rowspan=3>h</td><td>1</td></tr></thead><tbody><tr><td>2</td></tr></tbody>"),
       {{"h", "1"}, {"2", ""}}},
      {"rowspan 0 reaches the group's end", Table("<tr><td rowspan=0>a</td><td>1</td></tr><tr><td>2</td></tr>"),
       {{"a", "1"}, {"", "2"}}},
      {"rowspan past the last row", Table("<tr><td rowspan=5>a</td></tr>"), {{"a"}}},
      {"overlapping spans", Table("<tr><td>1</td><td rowspan=2>2</td></tr><tr><td colspan=3>3</td><td>4</td></tr>"),
       {{"1", "2", "", ""}, {"3", "", "", "4"}}},
      {"colspan 0 and junk are 1", Table("<tr><td colspan=0>a</td><td colspan=x>b</td><td colspan=' +2'>c</td></tr>"),
       {{"a", "b", "c", ""}}},
      {"width from a span without text", Table("<tr><td>a</td></tr><tr><td colspan=3></td></tr>"),
       {{"a", "", ""}, {"", "", ""}}},
      {"absurd colspan cut", Table("<tr><td colspan=99999999999>a</td></tr><tr><td>b</td></tr>"),
       {{"a"}, {"b"}}},  // checked for width below
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string reason;
    const std::optional<Cells> cells = CellsFromHtml(c.html, &reason);
    ASSERT_TRUE(cells.has_value()) << reason;
    if (std::string(c.name) == "absurd colspan cut") {
      ASSERT_EQ(cells->size(), 2u);
      EXPECT_EQ((*cells)[0].size(), static_cast<size_t>(kMaxHtmlSpan));
      EXPECT_EQ((*cells)[1][0], "b");
      continue;
    }
    EXPECT_EQ(*cells, c.cells);
  }
}

TEST(HtmlTableReaderTest, RefusesWhatIsNoTable) {
  std::string many_wide_rows;
  for (int r = 0; r < 300; ++r) many_wide_rows += "<tr>" + std::string(20, ' ') + "<td rowspan=1000 colspan=1000>x</td></tr>";
  std::string deep = "<table><tr><td>";
  for (int k = 0; k < 20000; ++k) deep += "<div>";
  std::string deep_tables;
  for (int k = 0; k < 20000; ++k) deep_tables += "<table><tr><td></span>";
  const struct {
    const char* name;
    std::string html;
    const char* reason;
  } cases[] = {
      {"empty", "", "empty"},
      {"no table", "<html><body><p>a</p></body></html>", "no table"},
      {"plain text", "a\tb\nc\td", "no table"},
      {"broken tag", "<tabl<tr><td>a", "no table"},
      {"table without cells", "<table></table>", "no cells"},
      {"rows without cells", "<table><tr></tr><tr></tr></table>", "no cells"},
      {"NUL", std::string("<table><tr><td>a\0</td></tr></table>", 33), "NUL"},
      {"binary junk", std::string("\x89PNG\r\n\x1a\n\xff\xd8\xff\xe0", 12), "no table"},
      {"hostile spans", Table(many_wide_rows), "span"},
      {"deep nesting", deep, "nest"},
      {"deep tables behind stray end tags", deep_tables, "nest"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text;
    const Status read = HtmlTableText(c.html, &text);
    EXPECT_FALSE(read.ok());
    EXPECT_NE(read.message().find(c.reason), std::string::npos) << read.message();
  }
}

TEST(HtmlTableReaderTest, ReadsTooWideATableAsNone) {
  // 20,000 cells of 1000 columns each are more columns than a grid takes.
  std::string row = "<tr>";
  for (int k = 0; k < 20000; ++k) row += "<td colspan=1000>x</td>";
  std::string text;
  const Status read = HtmlTableText(Table(row + "</tr>"), &text);
  EXPECT_FALSE(read.ok());
  EXPECT_NE(read.message().find("columns"), std::string::npos) << read.message();
}

TEST(HtmlTableReaderTest, RoundTripsTheWritersTable) {
  const Cells cells = {
      {"编号", "姓名", "备注"},
      {"001", "=A1", "\"阿飞\""},
      {"a\tb", "第一行\n第二行", "&<>\""},
      {"123456789012345678", "1E3", "a  b"},
      {"\xB0\xE0\xBC\xB6", "", "3/4"},
      {"", "", ""},
  };
  const Cells expected = {
      {"编号", "姓名", "备注"},
      {"001", "=A1", "\"阿飞\""},
      {"a\tb", "第一行\n第二行", "&<>\""},
      {"123456789012345678", "1E3", "a  b"},
      {"班级", "", "3/4"},
      {"", "", ""},
  };
  for (const HtmlTableShape shape : {HtmlTableShape{}, HtmlTableShape{true, {.source_columns = 1, .groups = 2}}}) {
    SCOPED_TRACE(shape.geometry.groups);
    const std::string html = HtmlTable(GridOf(cells), shape);
    std::string reason;
    const std::optional<Cells> read = CellsFromHtml(html, &reason);
    ASSERT_TRUE(read.has_value()) << reason;
    EXPECT_EQ(*read, expected);
  }
}

std::string ReadSample(const std::string& name) {
  std::ifstream in(std::string(PARVEX_HTML_DATA) + "/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TEST(HtmlTableReaderTest, ReadsSpreadsheetSamples) {
  const struct {
    const char* file;
    Cells cells;
  } cases[] = {
      // Written by LibreOffice Calc 7.4 from a CSV: <font> wrappers, <br>, sdnum, raw spaces.
      {"libreoffice_calc.html",
       {{"编号", "姓名", "备注"}, {"001", "王伟", "第一行\n第二行"}, {"002", "A&B <x>", "两个  空格"}}},
      // Excel's clipboard form: conditional comments, mso styles, a spacerun, a hidden row.
      {"excel.html",
       {{"编号", "姓名", "备注"}, {"001", "王   伟", "第一行\n第二行"}, {"123456789012345678", "A&B <x>", "=A1"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string html = ReadSample(c.file);
    ASSERT_FALSE(html.empty());
    std::string reason;
    const std::optional<Cells> cells = CellsFromHtml(html, &reason);
    ASSERT_TRUE(cells.has_value()) << reason;
    EXPECT_EQ(*cells, c.cells);
  }
}

}  // namespace
}  // namespace parvex
