#include "print/page_renderer.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "base/status.h"
#include "grid/grid_designs.h"
#include "print/column_widths.h"
#include "support/command_output.h"
#include "support/grid_helpers.h"
#include "support/is_ok.h"
#include "support/print_document.h"
#include "support/temp_dir_test.h"

namespace parvex {
namespace {

namespace fs = std::filesystem;
using test_support::CommandOutput;
using test_support::ShellPath;
using test_support::Cells;
using test_support::GridOf;

int PageCount(const fs::path& pdf) {
  const std::string info = CommandOutput("pdfinfo " + ShellPath(pdf) + " 2>/dev/null");
  std::smatch match;
  return std::regex_search(info, match, std::regex("Pages:\\s+([0-9]+)")) ? std::stoi(match[1].str()) : -1;
}

// The text of one page (1-based), as pdftotext lays it out, split into its non-blank lines.
std::vector<std::string> PageLines(const fs::path& pdf, int page) {
  const std::string text = CommandOutput("pdftotext -layout -f " + std::to_string(page) + " -l " + std::to_string(page) +
                                  " " + ShellPath(pdf) + " - 2>/dev/null");
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    // Runs of spaces are the layout's columns: one space is enough to compare.
    line = std::regex_replace(line, std::regex(" +"), " ");
    line = std::regex_replace(line, std::regex("^ | $|\f"), "");
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// Measures the laid-out grid for printing, as the print job does, and writes its PDF.
// The outcome, with a failure's message in `error`.
Status::Code MeasureAndWritePdf(const std::string& path, const Grid& result, const PagePlan& plan,
                                const PageSetup& setup, std::string* error, const Progress& progress = {}) {
  PrintDocument document;
  Status written = MeasurePrintDocument(result, plan, setup, &document);
  if (written.ok()) {
    written = test_support::WriteReplacing(
        path, [&](const port::ReplacementPath& file) { return WritePdf(file, document, progress); });
  }
  *error = written.message();
  return written.code();
}

class PdfTest : public test_support::TempDirTest {
 protected:

  fs::path Write(const Cells& cells, const LayoutOptions& options, const PageSetup& setup = {}) {
    const Grid source = GridOf(cells);
    Grid result(ResultGridDesign());
    PagePlan plan;
    std::string error;
    const Status laid = SplitIntoColumns(source, result, options, &plan);
    EXPECT_TRUE(laid.ok()) << laid.message();
    const fs::path path = dir_ / "out.pdf";
    EXPECT_EQ(MeasureAndWritePdf(path.string(), result, plan, setup, &error), Status::Code::kOk) << error;
    return path;
  }
};

Cells Roster() {
  return {{"Name", "No"}, {"Ann", "007"}, {"Ben", "008"}, {"Cai", "009"}, {"Dan", "010"},
          {"Eva", "011"}, {"Fay", "012"}, {"班级", "013"}};
}

struct PdfCase {
  const char* name;
  LayoutOptions options;
  PageSetup setup;
  std::vector<std::vector<std::string>> pages;  // each page's lines
};

const PdfCase kPdfCases[] = {
    {"two groups, the last page short",
     {.groups = 2, .rows_per_page = 3},
     {},
     {{"Name No Name No", "Ann 007 Dan 010", "Ben 008 Eva 011", "Cai 009 Fay 012", "第 1 页，共 2 页"},
      {"Name No Name No", "班级 013", "第 2 页，共 2 页"}}},
    {"title on the first page only",
     {.groups = 1, .rows_per_page = 4},
     {.repeat_title = false},
     {{"Name No", "Ann 007", "Ben 008", "Cai 009", "Dan 010", "第 1 页，共 2 页"},
      {"Eva 011", "Fay 012", "班级 013", "第 2 页，共 2 页"}}},
    {"no title row",
     {.groups = 2, .rows_per_page = 2, .source_has_title = false},
     {.orientation = Orientation::kLandscape},
     {{"Name No Ben 008", "Ann 007 Cai 009", "第 1 页，共 2 页"},
      {"Dan 010 Fay 012", "Eva 011 班级 013", "第 2 页，共 2 页"}}},
    {"title only: one page",
     {.groups = 3, .rows_per_page = 5},
     {},
     {{"Name No Name No Name No", "第 1 页，共 1 页"}}},
};

TEST_F(PdfTest, EveryBlockOnItsOwnPageUnderTheTitle) {
  for (const PdfCase& c : kPdfCases) {
    SCOPED_TRACE(c.name);
    Cells cells = Roster();
    if (std::string(c.name) == "title only: one page") cells.resize(1);
    const fs::path pdf = Write(cells, c.options, c.setup);
    ASSERT_EQ(PageCount(pdf), static_cast<int>(c.pages.size()));
    for (size_t p = 0; p < c.pages.size(); ++p) {
      SCOPED_TRACE("page " + std::to_string(p + 1));
      EXPECT_EQ(PageLines(pdf, static_cast<int>(p) + 1), c.pages[p]);
    }
  }
}

TEST_F(PdfTest, AutoRowsFillEachPageExactly) {
  // 130 numbered rows, two groups; the setup's rows per page put 80 on a page.
  Cells cells = {{"No", "Name"}};
  for (int i = 1; i <= 130; ++i) cells.push_back({"r" + std::to_string(1000 + i), "n" + std::to_string(i)});
  const Grid source = GridOf(cells);
  const PageSetup setup;
  LayoutOptions options{.groups = 2, .column_width = 40};
  int32_t rows = 0;
  ASSERT_TRUE(test_support::IsOk(test_support::AutoRowsPerPage(source, options, setup, &rows)));
  ASSERT_EQ(rows, 40);
  options.rows_per_page = rows;
  const fs::path pdf = Write(cells, options, setup);
  ASSERT_EQ(PageCount(pdf), 2);
  const std::vector<std::string> first = PageLines(pdf, 1);
  ASSERT_EQ(first.size(), 42u);  // title, 40 rows, footer
  EXPECT_EQ(first[1], "r1001 n1 r1041 n41");
  EXPECT_EQ(first[40], "r1040 n40 r1080 n80");
  const std::vector<std::string> second = PageLines(pdf, 2);
  ASSERT_EQ(second.size(), 42u);
  EXPECT_EQ(second[0], "No Name No Name");
  EXPECT_EQ(second[1], "r1081 n81 r1121 n121");
  EXPECT_EQ(second[10], "r1090 n90 r1130 n130");
  EXPECT_EQ(second[11], "r1091 n91");
  EXPECT_EQ(second[41], "第 2 页，共 2 页");
}

TEST_F(PdfTest, PaperAndOrientationReachThePdf) {
  const struct {
    PageSetup setup;
    const char* size;
  } cases[] = {
      {{}, "595 x 842 pts (A4)"},
      {{.orientation = Orientation::kLandscape}, "842 x 595 pts (A4)"},
      {{.paper = Paper::kLetter}, "612 x 792 pts (letter)"},
      {{.paper = Paper::kA3, .orientation = Orientation::kLandscape}, "1191 x 842 pts (A3)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    const fs::path pdf = Write(Roster(), {.groups = 2, .rows_per_page = 3}, c.setup);
    EXPECT_NE(CommandOutput("pdfinfo " + ShellPath(pdf)).find(c.size), std::string::npos);
  }
}

TEST_F(PdfTest, LongTextShrinksInsideItsCell) {
  const std::string long_text = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  const fs::path pdf = Write({{"Name", "No"}, {long_text, "x1"}, {"b", "x2"}}, {.groups = 1, .column_width = 40},
                             {.paper = Paper::kA5});
  const std::vector<std::string> lines = PageLines(pdf, 1);
  ASSERT_GE(lines.size(), 2u);
  // Whole, and apart from its neighbour: nothing was cut off or drawn over the next cell.
  EXPECT_EQ(lines[1], long_text + " x1");
}

TEST_F(PdfTest, FontIsEmbedded) {
  const fs::path pdf = Write(Roster(), {.groups = 2, .rows_per_page = 3});
  const std::string fonts = CommandOutput("pdffonts " + ShellPath(pdf));
  EXPECT_NE(fonts.find("WenQuanYi"), std::string::npos) << fonts;
  // Every font embedded, with a Unicode map so that the text reads back.
  const std::regex flags(" (yes|no) +(yes|no) +(yes|no) +[0-9]+ +[0-9]+");
  int font_lines = 0;
  for (auto it = std::sregex_iterator(fonts.begin(), fonts.end(), flags); it != std::sregex_iterator(); ++it) {
    ++font_lines;
    EXPECT_EQ((*it)[1].str(), "yes") << fonts;
    EXPECT_EQ((*it)[3].str(), "yes") << fonts;
  }
  EXPECT_GE(font_lines, 1) << fonts;
}

TEST_F(PdfTest, FailuresLeaveTheTargetAsItWas) {
  const fs::path target = dir_ / "kept.pdf";
  std::ofstream(target, std::ios::binary) << "old bytes";
  const Grid source = GridOf(Roster());
  Grid result(ResultGridDesign());
  PagePlan plan;
  std::string error;
  ASSERT_TRUE(SplitIntoColumns(source, result, {.groups = 2, .rows_per_page = 2}, &plan).ok());
  int calls = 0;
  EXPECT_EQ(MeasureAndWritePdf(target.string(), result, plan, {}, &error,
                               [&](int64_t done, int64_t total) {
                                 ++calls;
                                 EXPECT_EQ(total, 2);
                                 return done < 1;
                               }),
            Status::Code::kCancelled);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(MeasureAndWritePdf(target.string(), result, plan, {.margins = {200, 0, 200, 0}}, &error),
            Status::Code::kFailed);
  EXPECT_NE(error.find("margins leave too little"), std::string::npos) << error;
  // A plan that is not the grid's is refused before anything is drawn.
  const Grid other = GridOf(Roster());
  EXPECT_EQ(MeasureAndWritePdf(target.string(), other, plan, {}, &error), Status::Code::kFailed);
  EXPECT_NE(error.find("is not the plan of the laid-out grid"), std::string::npos) << error;
  EXPECT_EQ(test_support::ReadBytes(target), "old bytes");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace parvex

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
