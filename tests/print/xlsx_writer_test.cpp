#include "print/xlsx_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "base/status.h"
#include "grid/grid_designs.h"
#include "print/print_layout.h"
#include "support/command_output.h"
#include "support/grid_helpers.h"
#include "support/is_ok.h"
#include "support/print_document.h"
#include "support/temp_dir_test.h"

namespace parvex {
namespace {

namespace fs = std::filesystem;
using test_support::Cells;
using test_support::GridOf;

// A member of a zip archive, read with unzip; empty when it is not there.
std::string ZipMember(const fs::path& zip, const std::string& member) {
  return test_support::CommandOutput("unzip -p " + test_support::ShellPath(zip) + " '" + member + "' 2>/dev/null");
}

// The value of `attribute` in the first `element` start tag of `xml`; empty when there is none.
std::string Attribute(const std::string& xml, const std::string& element, const std::string& attribute) {
  const std::regex tag("<" + element + "\\b[^>]*\\b" + attribute + "=\"([^\"]*)\"");
  std::smatch match;
  return std::regex_search(xml, match, tag) ? match[1].str() : std::string();
}

int Count(const std::string& text, const std::string& piece) {
  int n = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) ++n;
  return n;
}

// Every text of the worksheet's cells, in order, whether in the shared table or in the cells.
std::vector<std::string> CellTexts(const fs::path& zip, const std::string& sheet) {
  const std::string xml = ZipMember(zip, "xl/worksheets/" + sheet + ".xml");
  std::vector<std::string> shared;
  const std::string table = ZipMember(zip, "xl/sharedStrings.xml");
  const std::regex si("<si><t[^>]*>([^<]*)</t></si>");
  for (auto it = std::sregex_iterator(table.begin(), table.end(), si); it != std::sregex_iterator(); ++it) {
    shared.push_back((*it)[1].str());
  }
  std::vector<std::string> texts;
  const std::regex cell("<c r=\"[A-Z]+[0-9]+\"[^>]*t=\"(s|inlineStr)\"[^>]*>(<v>([0-9]+)</v>|<is><t[^>]*>([^<]*)</t></is>)");
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), cell); it != std::sregex_iterator(); ++it) {
    const std::smatch& m = *it;
    texts.push_back(m[1] == "s" ? shared.at(std::stoul(m[3].str())) : m[4].str());
  }
  return texts;
}

constexpr auto kWriteXlsx = [](auto&&... args) { return WriteXlsx(std::forward<decltype(args)>(args)...); };

class XlsxTest : public test_support::TempDirTest {
 protected:

  // Lays `cells` out with `options` and writes the workbook; the path it went to.
  fs::path Write(const Cells& cells, const LayoutOptions& options, const PageSetup& setup = {},
                 const XlsxOptions& xlsx = {}) {
    const Grid source = GridOf(cells);
    Grid result(ResultGridDesign());
    PagePlan plan;
    std::string error;
    const Status laid = SplitIntoColumns(source, result, options, &plan);
    EXPECT_TRUE(laid.ok()) << laid.message();
    const fs::path path = dir_ / "out.xlsx";
    EXPECT_EQ(test_support::MeasureAndWrite(kWriteXlsx, path.string(), result, plan, setup, &error, Progress{}, xlsx),
              Status::Code::kOk)
        << error;
    return path;
  }
};

Cells Roster() {
  return {{"Name", "No"}, {"Ann", "007"}, {"Ben", "008"}, {"Cai", "009"}, {"Dan", "010"},
          {"Eva", "011"}, {"Fay", "012"}, {"班级", "013"}};
}

TEST_F(XlsxTest, PageSetupIsDoneInSharedAndStreamedWorkbooks) {
  const struct {
    const char* name;
    XlsxOptions options;
    bool shared;
  } kinds[] = {{"shared strings", {.streaming_above_cells = INT64_MAX}, true}, {"streamed rows", {}, false}};
  const PageSetup setup{.orientation = Orientation::kLandscape, .margins = {20, 10, 25, 12}};
  for (const auto& kind : kinds) {
    SCOPED_TRACE(kind.name);
    const fs::path path = Write(Roster(), {.groups = 2, .rows_per_page = 3, .column_width = 40}, setup, kind.options);
    const std::string workbook = ZipMember(path, "xl/workbook.xml");
    EXPECT_NE(workbook.find("<definedName name=\"_xlnm.Print_Titles\" localSheetId=\"0\">Sheet1!$1:$1</definedName>"),
              std::string::npos) << workbook;
    EXPECT_NE(workbook.find("<definedName name=\"_xlnm.Print_Area\" localSheetId=\"0\">Sheet1!$A$1:$E$5</definedName>"),
              std::string::npos) << workbook;

    const std::string sheet = ZipMember(path, "xl/worksheets/sheet1.xml");
    // Title, a block of 3 rows, a block of 1: the second block starts at 0-based row 4.
    EXPECT_EQ(Attribute(sheet, "rowBreaks", "count"), "1");
    EXPECT_EQ(Attribute(sheet, "brk", "id"), "4");
    EXPECT_EQ(Attribute(sheet, "brk", "man"), "1");
    EXPECT_EQ(Attribute(sheet, "pageSetup", "paperSize"), "9");
    EXPECT_EQ(Attribute(sheet, "pageSetup", "orientation"), "landscape");
    // 100 % is a spreadsheet's default and is left out; fitting to pages would undo the breaks.
    EXPECT_EQ(Attribute(sheet, "pageSetup", "scale"), "");
    EXPECT_EQ(Attribute(sheet, "pageSetUpPr", "fitToPage"), "");
    EXPECT_NEAR(std::stod(Attribute(sheet, "pageMargins", "top")), 20 / 25.4, 1e-9);
    EXPECT_NEAR(std::stod(Attribute(sheet, "pageMargins", "right")), 10 / 25.4, 1e-9);
    EXPECT_NEAR(std::stod(Attribute(sheet, "pageMargins", "bottom")), 25 / 25.4, 1e-9);
    EXPECT_NEAR(std::stod(Attribute(sheet, "pageMargins", "left")), 12 / 25.4, 1e-9);
    EXPECT_EQ(Count(sheet, "<row "), 5);
    EXPECT_EQ(Count(sheet, "ht=\"18\" customHeight=\"1\""), 5);
    // The separator column holds no cell; the others are all written, empty ones as blanks.
    EXPECT_EQ(Count(sheet, "<c r=\"C"), 0);
    EXPECT_EQ(Count(sheet, "<c r=\"E5\""), 1);
    EXPECT_EQ(Count(sheet, "t=\"n\""), 0);

    const std::vector<std::string> texts = CellTexts(path, "sheet1");
    const std::vector<std::string> expected = {"Name", "No", "Name", "No",  "Ann", "007", "Dan", "010",
                                               "Ben",  "008", "Eva", "011", "Cai", "009", "Fay", "012",
                                               "班级", "013"};
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(Count(ZipMember(path, "xl/sharedStrings.xml"), "<si>") > 0, kind.shared);
  }
}

TEST_F(XlsxTest, ColumnWidthsFollowTheLayoutWithNarrowSeparators) {
  const fs::path path = Write(Roster(), {.groups = 3, .rows_per_page = 3, .column_width = 40});
  const std::string sheet = ZipMember(path, "xl/worksheets/sheet1.xml");
  const std::regex col("<col min=\"([0-9]+)\" max=\"[0-9]+\" width=\"([0-9.]+)\"");
  std::vector<double> widths;
  for (auto it = std::sregex_iterator(sheet.begin(), sheet.end(), col); it != std::sregex_iterator(); ++it) {
    widths.push_back(std::stod((*it)[2].str()));
  }
  ASSERT_EQ(widths.size(), 8u);
  for (size_t c : {0u, 1u, 3u, 4u, 6u, 7u}) EXPECT_EQ(widths[c], widths[0]) << c;
  EXPECT_LT(widths[2], 2);
  EXPECT_EQ(widths[5], widths[2]);
  EXPECT_GT(widths[0], 10);  // stretched across the page
}

TEST_F(XlsxTest, WideLayoutGetsAnExplicitScaleAndTallPagesALowerOne) {
  // Three groups of two 300-pixel columns: 1365 pt on 510 pt of A4 portrait, 37 %.
  const fs::path path = Write(Roster(), {.groups = 3, .rows_per_page = 2, .column_width = 300});
  EXPECT_EQ(Attribute(ZipMember(path, "xl/worksheets/sheet1.xml"), "pageSetup", "scale"), "37");
  // 100 rows a page and the title at 18 pt in 740 pt: 40 %.
  Cells many = {{"n"}};
  for (int i = 0; i < 150; ++i) many.push_back({std::to_string(i)});
  const fs::path tall = Write(many, {.groups = 1, .rows_per_page = 100});
  const std::string sheet = ZipMember(tall, "xl/worksheets/sheet1.xml");
  EXPECT_EQ(Attribute(sheet, "pageSetup", "scale"), "40");
  EXPECT_EQ(Attribute(sheet, "brk", "id"), "101");
}

TEST_F(XlsxTest, TwoLineRowsAreTwiceAsTallWrapAndCountInTheScale) {
  Cells many = {{"n"}};
  for (int i = 0; i < 150; ++i) many.push_back({std::to_string(i)});
  const Grid source = GridOf(many);
  Grid result(ResultGridDesign());
  PagePlan plan;
  std::string error;
  const Status laid = SplitIntoColumns(source, result, {.groups = 1, .rows_per_page = 40}, &plan);
  ASSERT_TRUE(laid.ok()) << laid.message();
  const fs::path plain = dir_ / "plain.xlsx";
  ASSERT_EQ(test_support::MeasureAndWrite(kWriteXlsx, plain.string(), result, plan, {}, &error), Status::Code::kOk)
      << error;
  // 41 rows of 18 pt fit the 740 pt of A4: 100 %, which the workbook leaves unsaid.
  const std::string plain_scale = Attribute(ZipMember(plain, "xl/worksheets/sheet1.xml"), "pageSetup", "scale");
  EXPECT_TRUE(plain_scale.empty() || plain_scale == "100") << plain_scale;
  EXPECT_EQ(Count(ZipMember(plain, "xl/styles.xml"), "wrapText=\"1\""), 0);

  // Five two-line rows in the first block: 46 lines, 828 pt, scaled to 89 %.
  PrintDocument document;
  ASSERT_TRUE(test_support::IsOk(PrintDocumentOf(result, plan, {}, {}, {2, 5, 7, 9, 11}, &document)));
  const fs::path wrapped = dir_ / "wrapped.xlsx";
  ASSERT_TRUE(test_support::IsOk(test_support::WriteReplacing(
      wrapped.string(), [&](const port::ReplacementPath& file) { return WriteXlsx(file, document); })));
  const std::string sheet = ZipMember(wrapped, "xl/worksheets/sheet1.xml");
  EXPECT_EQ(Attribute(sheet, "pageSetup", "scale"), "89");
  auto attribute_of = [&](const std::string& tag_start, const std::string& attribute) {
    std::smatch match;
    const std::regex tag(tag_start + "[^>]*\\b" + attribute + "=\"([^\"]*)\"");
    return std::regex_search(sheet, match, tag) ? match[1].str() : std::string();
  };
  auto row_height = [&](int r) { return attribute_of("<row r=\"" + std::to_string(r) + "\"", "ht"); };
  auto cell_style = [&](int r) { return attribute_of("<c r=\"A" + std::to_string(r) + "\"", "s"); };
  EXPECT_EQ(row_height(3), "36");  // grid row 2
  EXPECT_EQ(row_height(12), "36");
  EXPECT_EQ(row_height(4), "18");
  EXPECT_EQ(row_height(1), "18");  // the title
  EXPECT_EQ(cell_style(3), cell_style(12));
  EXPECT_NE(cell_style(3), cell_style(4));
  EXPECT_EQ(Count(ZipMember(wrapped, "xl/styles.xml"), "wrapText=\"1\""), 1);
}

TEST_F(XlsxTest, MoreBlocksThanOneSheetBreaksGoOnTheNextSheet) {
  Cells cells = {{"Title"}};
  for (int i = 0; i < 2100; ++i) cells.push_back({std::to_string(i)});
  const fs::path path = Write(cells, {.groups = 1, .rows_per_page = 2});  // 1050 blocks
  const std::string first = ZipMember(path, "xl/worksheets/sheet1.xml");
  const std::string second = ZipMember(path, "xl/worksheets/sheet2.xml");
  EXPECT_EQ(Attribute(first, "rowBreaks", "count"), std::to_string(kXlsxMaxBreaks));
  EXPECT_EQ(Attribute(second, "rowBreaks", "count"), "25");
  EXPECT_EQ(Count(first, "<row "), 1 + 1024 * 2);
  EXPECT_EQ(Count(second, "<row "), 1 + 26 * 2);
  const std::string workbook = ZipMember(path, "xl/workbook.xml");
  EXPECT_NE(workbook.find("Sheet2!$1:$1"), std::string::npos);
  const std::vector<std::string> texts = CellTexts(path, "sheet2");
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[0], "Title");
  EXPECT_EQ(texts[1], "2048");
}

TEST_F(XlsxTest, TitleThatDoesNotRepeatAndNoTitleRow) {
  const fs::path once = Write(Roster(), {.groups = 2, .rows_per_page = 3}, {.repeat_title = false});
  EXPECT_EQ(ZipMember(once, "xl/workbook.xml").find("Print_Titles"), std::string::npos);
  const fs::path none = Write(Roster(), {.groups = 2, .rows_per_page = 3, .source_has_title = false});
  EXPECT_EQ(ZipMember(none, "xl/workbook.xml").find("Print_Titles"), std::string::npos);
  EXPECT_EQ(CellTexts(none, "sheet1").front(), "Name");  // the first row is data now
  EXPECT_EQ(Attribute(ZipMember(none, "xl/worksheets/sheet1.xml"), "brk", "id"), "3");
}

TEST_F(XlsxTest, ControlCharactersAndGbkBecomeWellFormedXml) {
  const fs::path path = Write({{"a\x01" "b", "\xB0\xE0"}, {"1", "2"}}, {.groups = 1});
  const std::string sheet = ZipMember(path, "xl/worksheets/sheet1.xml") + ZipMember(path, "xl/sharedStrings.xml");
  EXPECT_EQ(sheet.find('\x01'), std::string::npos);
  const std::vector<std::string> texts = CellTexts(path, "sheet1");
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[1], "班");
}

TEST_F(XlsxTest, FailuresLeaveTheTargetAsItWas) {
  const fs::path target = dir_ / "kept.xlsx";
  const auto reset = [&] { std::ofstream(target, std::ios::binary | std::ios::trunc) << "old bytes"; };
  const auto kept = [&] { return test_support::ReadBytes(target) == "old bytes"; };
  const auto files_in_dir = [&] { return std::distance(fs::directory_iterator(dir_), fs::directory_iterator()); };

  const Grid source = GridOf(Roster());
  Grid result(ResultGridDesign());
  PagePlan plan;
  std::string error;
  ASSERT_TRUE(SplitIntoColumns(source, result, {.groups = 2}, &plan).ok());
  const auto lay_out = [&](const Grid& grid, Grid* out, PagePlan* out_plan) {
    const Status laid = SplitIntoColumns(grid, *out, {.groups = 1}, out_plan);
    ASSERT_TRUE(laid.ok()) << laid.message();
  };

  reset();
  EXPECT_EQ(test_support::MeasureAndWrite(kWriteXlsx, target.string(), result, plan, {}, &error,
                                          [](int64_t, int64_t) { return false; }),
            Status::Code::kCancelled);
  EXPECT_TRUE(kept());
  EXPECT_EQ(files_in_dir(), 1);

  EXPECT_EQ(test_support::MeasureAndWrite(kWriteXlsx, target.string(), result, plan, {.font_size_pt = 1}, &error),
            Status::Code::kFailed);
  EXPECT_NE(error.find("font size 1 pt"), std::string::npos) << error;
  EXPECT_TRUE(kept());

  Cells wide(1, std::vector<std::string>(kXlsxMaxCols + 1, "x"));
  Grid too_wide(ResultGridDesign());
  PagePlan too_wide_plan;
  lay_out(GridOf(wide), &too_wide, &too_wide_plan);
  EXPECT_EQ(test_support::MeasureAndWrite(kWriteXlsx, target.string(), too_wide, too_wide_plan, {}, &error),
            Status::Code::kFailed);
  EXPECT_NE(error.find("16385 columns"), std::string::npos) << error;
  EXPECT_TRUE(kept());

  Grid long_cell(ResultGridDesign());
  PagePlan long_cell_plan;
  lay_out(GridOf({{"t"}, {std::string(kXlsxMaxCellChars + 1, 'x')}}), &long_cell, &long_cell_plan);
  EXPECT_EQ(test_support::MeasureAndWrite(kWriteXlsx, target.string(), long_cell, long_cell_plan, {}, &error),
            Status::Code::kFailed);
  EXPECT_NE(error.find("32768 characters"), std::string::npos) << error;
  EXPECT_TRUE(kept());
  EXPECT_EQ(files_in_dir(), 1);

  // A plan that is not the grid's would write rows it does not name.
  EXPECT_EQ(test_support::MeasureAndWrite(kWriteXlsx, target.string(), long_cell, plan, {}, &error),
            Status::Code::kFailed);
  EXPECT_NE(error.find("is not the plan of the laid-out grid"), std::string::npos) << error;
  EXPECT_TRUE(kept());

  EXPECT_EQ(test_support::MeasureAndWrite(kWriteXlsx, dir_.string(), result, plan, {}, &error), Status::Code::kFailed);
  EXPECT_NE(error.find("is a directory"), std::string::npos) << error;
  EXPECT_EQ(test_support::MeasureAndWrite(kWriteXlsx, (dir_ / "missing" / "x.xlsx").string(), result, plan, {}, &error),
            Status::Code::kFailed);
  EXPECT_NE(error.find("cannot create a file"), std::string::npos) << error;
}

// Where an office suite is installed, it prints the workbook as it is: one page per block, the
// title row at the top of each.
TEST_F(XlsxTest, LibreOfficePrintsOnePagePerBlockWithItsTitle) {
  if (std::system("command -v soffice >/dev/null 2>&1") != 0) GTEST_SKIP() << "soffice is not installed";
  Cells cells = {{"编号", "姓名", "金额"}};
  for (int i = 1; i <= 300; ++i) cells.push_back({"N" + std::to_string(1000 + i), "张三", "0" + std::to_string(i * 7)});
  const Grid source = GridOf(cells);
  const PageSetup setup;
  LayoutOptions options{.groups = 2, .column_width = 60};
  int32_t rows = 0;
  ASSERT_TRUE(test_support::IsOk(test_support::AutoRowsPerPage(source, options, setup, &rows)));
  options.rows_per_page = rows;
  const fs::path path = Write(cells, options, setup);
  const int blocks = (300 + 2 * rows - 1) / (2 * rows);

  const std::string convert = "cd '" + dir_.string() + "' && soffice -env:UserInstallation=file://" +
                              (dir_ / "profile").string() +
                              " --headless --convert-to pdf --outdir '" + dir_.string() + "' '" + path.string() +
                              "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(convert.c_str()), 0);
  const fs::path pdf = dir_ / "out.pdf";
  ASSERT_TRUE(fs::exists(pdf));
  const std::string info = test_support::CommandOutput("pdfinfo " + test_support::ShellPath(pdf));
  std::smatch match;
  ASSERT_TRUE(std::regex_search(info, match, std::regex("Pages:\\s+([0-9]+)"))) << info;
  EXPECT_EQ(std::stoi(match[1].str()), blocks);
  for (int page = 1; page <= blocks; ++page) {
    SCOPED_TRACE(page);
    const std::string text = test_support::CommandOutput("pdftotext -f " + std::to_string(page) + " -l " +
                                                    std::to_string(page) + " " + test_support::ShellPath(pdf) + " -");
    EXPECT_NE(text.find("编号"), std::string::npos);
    // The block's first row is on its page, the next block's first row is not.
    EXPECT_NE(text.find("N" + std::to_string(1000 + 1 + (page - 1) * 2 * rows)), std::string::npos);
    if (page < blocks) {
      EXPECT_EQ(text.find("N" + std::to_string(1000 + 1 + page * 2 * rows)), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace parvex
