// What a reader of the printed pages sees, read back from the PDF with pdftotext -bbox: one type
// size on a page, every text inside its cell, the paper's width used, the fewest pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "export/export_job.h"
#include "grid/grid_designs.h"
#include "print/page_setup.h"
#include "print/print_job.h"
#include "support/command_output.h"
#include "support/grid_helpers.h"
#include "support/is_ok.h"
#include "support/temp_dir_test.h"

namespace parvex {
namespace {

namespace fs = std::filesystem;
using test_support::Cells;
using test_support::CommandOutput;
using test_support::ShellPath;
using test_support::GridOf;

struct Word {
  double x_min, y_min, x_max, y_max;
  std::string text;
  double height() const { return y_max - y_min; }
};
struct Page {
  double width = 0;
  std::vector<Word> words;
};

std::vector<Page> ReadBack(const fs::path& pdf) {
  const std::string html = CommandOutput("pdftotext -bbox " + ShellPath(pdf) + " - 2>/dev/null");
  std::vector<Page> pages;
  const std::regex item("<page width=\"([0-9.]+)\"|<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
                        "yMax=\"([0-9.]+)\">([^<]*)</word>");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), item); it != std::sregex_iterator(); ++it) {
    const std::smatch& m = *it;
    if (m[1].matched) {
      pages.push_back({std::stod(m[1].str()), {}});
    } else if (!pages.empty()) {
      pages.back().words.push_back(
          {std::stod(m[2].str()), std::stod(m[3].str()), std::stod(m[4].str()), std::stod(m[5].str()), m[6].str()});
    }
  }
  return pages;
}

double MedianHeight(const Page& page) {
  std::vector<double> heights;
  for (const Word& word : page.words) heights.push_back(word.height());
  std::sort(heights.begin(), heights.end());
  return heights.empty() ? 0 : heights[heights.size() / 2];
}

// The words of the table's rows: lines (by their top) of whole groups of `cells` words, left to
// right.
std::vector<std::vector<Word>> TableRows(const Page& page, size_t cells) {
  std::vector<std::vector<Word>> lines;
  std::vector<Word> words = page.words;
  std::sort(words.begin(), words.end(), [](const Word& a, const Word& b) {
    return std::abs(a.y_min - b.y_min) > 1 ? a.y_min < b.y_min : a.x_min < b.x_min;
  });
  std::vector<Word> line;
  for (const Word& word : words) {
    if (!line.empty() && std::abs(word.y_min - line.front().y_min) > 1) {
      if (line.size() % cells == 0 && line.front().text != "第") lines.push_back(line);  // not the footer
      line.clear();
    }
    line.push_back(word);
  }
  if (!line.empty() && line.size() % cells == 0 && line.front().text != "第") lines.push_back(line);
  return lines;
}

// Texts without spaces, so that each cell reads back as one word: phone numbers, a one-character
// column, names and remarks: `remark` in the rows `every` divides (counted from 3), "无" in the
// others.
Cells RosterWith(int rows, const std::string& remark, int every = 1000000) {
  Cells cells = {{"学号", "姓名", "性别", "联系电话", "备注"}};
  const char* names[] = {"杜佳怡", "崔雨桐", "杨洋", "马洋", "宋可馨", "欧阳子轩"};
  for (int i = 1; i <= rows; ++i) {
    cells.push_back({std::to_string(20250100 + i), names[i % 6], i % 2 ? "女" : "男",
                     std::to_string(13900000000LL + i * 7919LL), i >= 3 && (i - 3) % every == 0 ? remark : "无"});
  }
  return cells;
}

// With, when asked, one remark of ten characters in row 3.
Cells Roster(int rows, bool long_remark = true) { return RosterWith(rows, long_remark ? "转学至外省，档案待寄" : "无"); }

const std::string kLongRemark = "转学至外省，档案待寄出后由原班主任负责核对并在学期结束前交教务处存档备查，另需家长签字确认";

// The left edge of each printed column (source columns of every group), from the page's rows
// of one line: the words of `cells` texts each.
std::vector<double> ColumnLefts(const Page& page, size_t cells) {
  std::vector<double> left;
  for (const auto& row : TableRows(page, cells)) {
    if (row.size() > left.size()) left.resize(row.size(), 1e9);
    for (size_t k = 0; k < row.size(); ++k) left[k] = std::min(left[k], row[k].x_min);
  }
  return left;
}

// The printed column `word` starts in: the last whose left edge it is not before.
size_t ColumnOf(const Word& word, const std::vector<double>& left) {
  size_t k = 0;
  while (k + 1 < left.size() && word.x_min >= left[k + 1] - 0.5) ++k;
  return k;
}

// The summary's groups and rows per page too.
struct Shape {
  int groups = 0;
  int rows = 0;
};
Shape ParseShape(const std::string& summary) {
  std::smatch m;
  if (!std::regex_search(summary, m, std::regex("每页 ([0-9]+) 栏 × ([0-9]+) 行"))) return {};
  return {std::stoi(m[1].str()), std::stoi(m[2].str())};
}

class PrintQualityTest : public test_support::TempDirTest {
 protected:
  // Lays `cells` out as the print job does and writes the PDF; the job's summary in `summary`.
  fs::path Print(const Cells& cells, LayoutOptions options, const PageSetup& setup, bool auto_rows,
                 std::string* summary = nullptr) {
    const Grid source = GridOf(cells);
    Grid result(ResultGridDesign());
    PagePlan plan;
    PrintJob job(source, options, auto_rows, setup);
    EXPECT_TRUE(test_support::IsOk(job.Ready(result, plan, std::nullopt)));
    const fs::path pdf = dir_ / "out.pdf";
    EXPECT_TRUE(test_support::IsOk(ExportPrinted(*job.document(), {{ExportFormat::kPdf, pdf.string()}}, {})));
    if (summary != nullptr) *summary = job.Summary();
    return pdf;
  }
};

TEST_F(PrintQualityTest, OneTypeSizePerPageAndEveryTextInsideItsCell) {
  const struct {
    const char* name;
    LayoutOptions options;
    PageSetup setup;
  } cases[] = {
      {"two groups on A4: the page scales as a whole", {.groups = 2, .rows_per_page = 20}, {}},
      {"three groups on A4 landscape", {.groups = 3, .rows_per_page = 12}, {.orientation = Orientation::kLandscape}},
      {"one group on A5 at 12 pt", {.groups = 1, .rows_per_page = 20}, {.paper = Paper::kA5, .font_size_pt = 12}},
      {"fitted groups with a header", {.rows_per_page = 15}, {.auto_groups = true, .header = "高一(1)班 花名册"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Cells cells = Roster(40);
    const std::vector<Page> pages = ReadBack(Print(cells, c.options, c.setup, false));
    ASSERT_FALSE(pages.empty());
    for (size_t p = 0; p < pages.size(); ++p) {
      SCOPED_TRACE("page " + std::to_string(p + 1));
      const double median = MedianHeight(pages[p]);
      for (const Word& word : pages[p].words) EXPECT_GE(word.height(), 0.95 * median) << word.text;
      // Column by column, every text ends before the next column's texts start.
      const std::vector<std::vector<Word>> rows = TableRows(pages[p], 5);
      ASSERT_GE(rows.size(), 2u);
      std::vector<double> left(5 * 16, 1e9);
      for (const auto& row : rows) {
        for (size_t k = 0; k < row.size(); ++k) left[k] = std::min(left[k], row[k].x_min);
      }
      for (const auto& row : rows) {
        for (size_t k = 0; k + 1 < row.size(); ++k) EXPECT_LT(row[k].x_max, left[k + 1] - 1) << row[k].text;
        // Nothing past the printable width either.
        EXPECT_LT(row.back().x_max, pages[p].width - 15 * kPointsPerMm + 0.5) << row.back().text;
      }
    }
  }
}

TEST_F(PrintQualityTest, FittedGroupsFillThePaperWidth) {
  const struct {
    const char* name;
    PageSetup setup;
  } cases[] = {
      {"A4 portrait", {.auto_groups = true}},
      {"A4 landscape", {.orientation = Orientation::kLandscape, .auto_groups = true}},
      {"A3 landscape, 8 pt", {.paper = Paper::kA3, .orientation = Orientation::kLandscape, .font_size_pt = 8,
                              .auto_groups = true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<Page> pages = ReadBack(Print(Roster(200, false), {}, c.setup, true));
    ASSERT_FALSE(pages.empty());
    const double left_margin = c.setup.margins.left * kPointsPerMm;
    const double printable = pages[0].width - left_margin - c.setup.margins.right * kPointsPerMm;
    double right = 0;
    for (const Word& word : pages[0].words) right = std::max(right, word.x_max);
    EXPECT_GE((right - left_margin) / printable, 0.85);
  }
}

// The summary's pages and type size: "12 页，每页 3 栏 × 40 行，字号 10 pt".
struct Printed {
  int pages = 0;
  double font_pt = 0;
};
Printed ParseSummary(const std::string& summary) {
  std::smatch m;
  if (!std::regex_search(summary, m, std::regex("^([0-9]+) 页.*字号 ([0-9.]+) pt$"))) return {};
  return {std::stoi(m[1].str()), std::stod(m[2].str())};
}

TEST_F(PrintQualityTest, FittedGroupsAndRowsGiveTheFewestPagesAtTheTypeSize) {
  for (const Orientation orientation : {Orientation::kPortrait, Orientation::kLandscape}) {
    SCOPED_TRACE(orientation == Orientation::kPortrait ? "portrait" : "landscape");
    const Cells cells = Roster(300);
    PageSetup setup{.orientation = orientation};
    std::string summary;
    ReadBack(Print(cells, {}, {.orientation = orientation, .auto_groups = true}, true, &summary));
    const Printed fitted = ParseSummary(summary);
    ASSERT_GT(fitted.pages, 0) << summary;
    EXPECT_EQ(fitted.font_pt, setup.font_size_pt) << summary;
    EXPECT_EQ(static_cast<int>(ReadBack(dir_ / "out.pdf").size()), fitted.pages);
    // Every fixed number of groups that keeps the type size takes at least as many pages.
    for (int32_t groups = 1; groups <= 6; ++groups) {
      SCOPED_TRACE(groups);
      Print(cells, {.groups = groups}, setup, true, &summary);
      const Printed fixed = ParseSummary(summary);
      if (fixed.font_pt < setup.font_size_pt) continue;
      EXPECT_LE(fitted.pages, fixed.pages) << summary;
    }
  }
}

// Words of the table on `page`: above the footer.
std::vector<Word> TableWords(const Page& page) {
  double footer = 1e9;
  for (const Word& word : page.words) {
    if (word.text == "第") footer = std::min(footer, word.y_min);
  }
  std::vector<Word> words;
  for (const Word& word : page.words) {
    if (word.y_min < footer - 1) words.push_back(word);
  }
  return words;
}

std::string WithoutSpaces(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
  return text;
}

TEST_F(PrintQualityTest, LongRemarkWrapsOntoTwoLinesInsideItsNarrowerColumn) {
  const struct {
    const char* name;
    std::string remark;
    LayoutOptions options;
    PageSetup setup;
    bool auto_rows;
  } cases[] = {
      {"CJK, groups and rows fitted to A4", kLongRemark, {.key_column = 0}, {.auto_groups = true}, true},
      {"CJK, two groups of 20 rows on A3 landscape", kLongRemark, {.groups = 2, .rows_per_page = 20, .key_column = 0},
       {.paper = Paper::kA3, .orientation = Orientation::kLandscape}, false},
      {"Latin words, fitted groups on A4", "moved to another province; the file is to be sent on by the class teacher before the term ends",
       {.key_column = 0}, {.auto_groups = true}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string summary;
    const std::vector<Page> pages = ReadBack(Print(RosterWith(60, c.remark), c.options, c.setup, c.auto_rows, &summary));
    ASSERT_FALSE(pages.empty());
    // Nothing was scaled for the remark.
    EXPECT_EQ(ParseSummary(summary).font_pt, c.setup.font_size_pt) << summary;
    std::vector<Word> remark;
    for (size_t p = 0; p < pages.size(); ++p) {
      SCOPED_TRACE("page " + std::to_string(p + 1));
      const double median = MedianHeight(pages[p]);
      for (const Word& word : pages[p].words) EXPECT_GE(word.height(), 0.95 * median) << word.text;
      const std::vector<double> left = ColumnLefts(pages[p], 5);
      ASSERT_GE(left.size(), 5u);
      const double right = pages[p].width - c.setup.margins.right * kPointsPerMm;
      for (const Word& word : TableWords(pages[p])) {
        const size_t k = ColumnOf(word, left);
        // Inside its column: before the next column's texts, or the printable width's end.
        EXPECT_LT(word.x_max, k + 1 < left.size() ? left[k + 1] - 1 : right + 0.5) << word.text;
        if (k % 5 == 4 && word.text != "无" && word.text != "备注") remark.push_back(word);
      }
    }
    // The remark's words, all of them, on two lines of one cell.
    ASSERT_FALSE(remark.empty());
    std::vector<double> lines;
    std::string text;
    for (const Word& word : remark) {
      if (lines.empty() || std::abs(word.y_min - lines.back()) > 1) lines.push_back(word.y_min);
      text += word.text;
    }
    EXPECT_EQ(lines.size(), 2u);
    EXPECT_EQ(text, WithoutSpaces(c.remark));
    // Its row (the third) is two rows tall, the remark's lines between the rows around it.
    std::vector<const Word*> ids(5, nullptr);
    for (const Page& page : pages) {
      for (const Word& word : page.words) {
        for (int i = 1; i <= 4; ++i) {
          if (word.text == std::to_string(20250100 + i)) ids[static_cast<size_t>(i)] = &word;
        }
      }
    }
    ASSERT_TRUE(ids[1] && ids[2] && ids[3] && ids[4]);
    const double pitch = ids[2]->y_min - ids[1]->y_min;
    EXPECT_NEAR(ids[4]->y_min - ids[2]->y_min, 3 * pitch, 0.5);
    EXPECT_GT(remark.front().y_min, ids[2]->y_max);
    EXPECT_LT(remark.back().y_max, ids[4]->y_min);
  }
}

TEST_F(PrintQualityTest, AutoRowsWithTwoLineRowsFitEveryPageInTheFewestPages) {
  for (const Orientation orientation : {Orientation::kPortrait, Orientation::kLandscape}) {
    SCOPED_TRACE(orientation == Orientation::kPortrait ? "portrait" : "landscape");
    // A long remark in every 23rd row: some blocks hold several.
    const Cells cells = RosterWith(400, kLongRemark, 23);
    const PageSetup setup{.orientation = orientation, .auto_groups = true};
    std::string summary;
    const std::vector<Page> pages = ReadBack(Print(cells, {.key_column = 0}, setup, true, &summary));
    const Printed fitted = ParseSummary(summary);
    const Shape shape = ParseShape(summary);
    ASSERT_GT(shape.rows, 0) << summary;
    EXPECT_EQ(fitted.font_pt, setup.font_size_pt) << summary;
    ASSERT_EQ(static_cast<int>(pages.size()), fitted.pages);
    // Every row printed once, every page's text above the bottom margin.
    const double bottom = (orientation == Orientation::kPortrait ? 297 : 210) * kPointsPerMm -
                          setup.margins.bottom * kPointsPerMm;
    int ids = 0;
    for (const Page& page : pages) {
      for (const Word& word : page.words) {
        EXPECT_LT(word.y_max, bottom + 0.5) << word.text;
        if (std::regex_match(word.text, std::regex("20250[0-9]{3}"))) ++ids;
      }
    }
    EXPECT_EQ(ids, 400);
    // More rows per page would not fit at the type size, or take no fewer pages.
    for (int32_t rows = shape.rows + 1; rows <= shape.rows + 3; ++rows) {
      SCOPED_TRACE(rows);
      Print(cells, {.groups = shape.groups, .rows_per_page = rows, .key_column = 0}, {.orientation = orientation},
            false, &summary);
      const Printed fixed = ParseSummary(summary);
      if (fixed.font_pt < setup.font_size_pt) continue;
      EXPECT_GE(fixed.pages, fitted.pages) << summary;
    }
  }
}

// An office suite prints the workbook as the PDF: as many pages, each with its page number.
TEST_F(PrintQualityTest, LibreOfficePrintsTheWorkbookAsThePdf) {
  if (std::system("command -v soffice >/dev/null 2>&1") != 0) GTEST_SKIP() << "soffice is not installed";
  const struct {
    const char* name;
    Cells cells;
    LayoutOptions options;
  } cases[] = {
      {"one line a row", Roster(150), {}},
      {"long remarks wrapped onto two lines", RosterWith(300, kLongRemark, 29), {.key_column = 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Grid source = GridOf(c.cells);
    Grid result(ResultGridDesign());
    PagePlan plan;
    PrintJob job(source, c.options, true, {.auto_groups = true, .header = "花名册"});
    ASSERT_TRUE(test_support::IsOk(job.Ready(result, plan, std::nullopt)));
    const fs::path pdf = dir_ / "parvex.pdf";
    const fs::path xlsx = dir_ / "book.xlsx";
    ASSERT_TRUE(test_support::IsOk(ExportPrinted(
        *job.document(), {{ExportFormat::kPdf, pdf.string()}, {ExportFormat::kXlsx, xlsx.string()}}, {})));
    fs::remove(dir_ / "book.pdf");
    const std::string convert = "cd '" + dir_.string() + "' && soffice -env:UserInstallation=file://" +
                                (dir_ / "profile").string() + " --headless --convert-to pdf --outdir '" +
                                dir_.string() + "' '" + xlsx.string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(convert.c_str()), 0);
    const std::vector<Page> ours = ReadBack(pdf);
    const std::vector<Page> office = ReadBack(dir_ / "book.pdf");
    ASSERT_GT(ours.size(), 1u);
    ASSERT_EQ(office.size(), ours.size());
    for (size_t p = 0; p < office.size(); ++p) {
      SCOPED_TRACE(p + 1);
      const std::string text = CommandOutput("pdftotext -f " + std::to_string(p + 1) + " -l " +
                                             std::to_string(p + 1) + " " + ShellPath(dir_ / "book.pdf") + " -");
      EXPECT_NE(text.find("第 " + std::to_string(p + 1) + " 页，共 " + std::to_string(office.size()) + " 页"),
                std::string::npos) << text;
      EXPECT_NE(text.find("花名册"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace parvex
