#include "print/page_setup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/is_ok.h"

namespace parvex {
namespace {

// Two groups of six 40-pixel columns and their separator: narrower than any paper here.
std::vector<PrintColumn> NarrowLayout() {
  std::vector<PrintColumn> columns;
  for (int c = 0; c < 13; ++c) columns.push_back({40 * kPointsPerPixel, c == 6});
  return columns;
}

// Two groups of six 100-pixel columns: 907.5 pt, wider than A4 portrait's 510.24 pt.
std::vector<PrintColumn> WideLayout() {
  std::vector<PrintColumn> columns;
  for (int c = 0; c < 13; ++c) columns.push_back({100 * kPointsPerPixel, c == 6});
  return columns;
}

struct RowsCase {
  const char* name;
  PageSetup setup;
  bool has_title;
  std::vector<PrintColumn> columns;
  int32_t rows;
};

// The printable height less the 16.5 pt footer, in 18 pt rows (10 pt type), less the title row.
const RowsCase kRowsCases[] = {
    {"A4 portrait", {}, true, NarrowLayout(), 40},
    {"A4 landscape", {.orientation = Orientation::kLandscape}, true, NarrowLayout(), 26},
    {"A3 portrait", {.paper = Paper::kA3}, true, NarrowLayout(), 59},
    {"A3 landscape is A4 portrait's height", {.paper = Paper::kA3, .orientation = Orientation::kLandscape}, true,
     NarrowLayout(), 40},
    {"A5 portrait is too narrow for the layout: 90 %", {.paper = Paper::kA5}, true, NarrowLayout(), 29},
    {"A5 landscape", {.paper = Paper::kA5, .orientation = Orientation::kLandscape}, true, NarrowLayout(), 16},
    {"B5 is the JIS size", {.paper = Paper::kB5}, true, NarrowLayout(), 33},
    {"Letter", {.paper = Paper::kLetter}, true, NarrowLayout(), 37},
    {"Letter landscape", {.paper = Paper::kLetter, .orientation = Orientation::kLandscape}, true, NarrowLayout(), 27},
    {"Legal", {.paper = Paper::kLegal}, true, NarrowLayout(), 49},
    {"25 mm top and bottom: 37.98 rows is 37", {.margins = {25, 15, 25, 15}}, true, NarrowLayout(), 36},
    {"no margins", {.margins = {0, 0, 0, 0}}, true, NarrowLayout(), 44},
    {"side margins change no row", {.margins = {15, 40, 15, 40}}, true, NarrowLayout(), 40},
    {"no title row frees its row", {}, false, NarrowLayout(), 41},
    {"12 pt type in 21.75 pt rows", {.font_size_pt = 12}, true, NarrowLayout(), 32},
    {"24 pt rows", {.row_height_pt = 24}, true, NarrowLayout(), 29},
    {"a row height between pixels rounds up to 24 pt", {.row_height_pt = 23.5}, true, NarrowLayout(), 29},
    {"wide layout printed at 56 %", {}, true, WideLayout(), 72},
};

TEST(RowsPerPageTest, PapersOrientationsMarginsAndType) {
  for (const RowsCase& c : kRowsCases) {
    SCOPED_TRACE(c.name);
    int32_t rows = 0;
    ASSERT_TRUE(test_support::IsOk(RowsPerPage(c.setup, c.columns, c.has_title, &rows)));
    EXPECT_EQ(rows, c.rows);
  }
}

struct RefusedCase {
  const char* name;
  PageSetup setup;
  const char* message_part;
};

const RefusedCase kRefusedCases[] = {
    {"negative margin", {.margins = {15, -1, 15, 15}}, "right margin -1 mm"},
    {"margins wider than the paper", {.margins = {15, 110, 15, 110}}, "margins leave too little"},
    {"margins taller than the paper", {.margins = {150, 15, 150, 15}}, "margins leave too little"},
    {"font too small", {.font_size_pt = 3}, "font size 3 pt"},
    {"font too large", {.font_size_pt = 100}, "font size 100 pt"},
    {"row lower than its type", {.font_size_pt = 12, .row_height_pt = 10}, "row height 10 pt"},
    {"one row and the title only", {.paper = Paper::kA5, .margins = {95, 15, 95, 15}}, "at least 2"},
};

TEST(RowsPerPageTest, RefusesSetupsThatLeaveNoRoom) {
  for (const RefusedCase& c : kRefusedCases) {
    SCOPED_TRACE(c.name);
    int32_t rows = -7;
    const Status refused = RowsPerPage(c.setup, NarrowLayout(), true, &rows);
    EXPECT_TRUE(test_support::FailsWith(refused, c.message_part));
    EXPECT_EQ(refused.message().find('\n'), std::string::npos);
    EXPECT_EQ(rows, -7);
  }
}

TEST(PageGeometryTest, NarrowLayoutIsStretchedToThePrintableWidth) {
  PageGeometry g;
  ASSERT_TRUE(test_support::IsOk(ComputePageGeometry({}, NarrowLayout(), std::nullopt, &g)));
  EXPECT_EQ(g.scale_percent, 100);
  double total = 0;
  for (const PrintColumn& column : g.columns) total += column.width_pt;
  EXPECT_NEAR(total, g.printable_width_pt, 1e-6);
  EXPECT_NEAR(g.printable_width_pt, 180 * kPointsPerMm, 1e-9);
  EXPECT_EQ(g.columns[6].width_pt, kSeparatorWidthPt);  // the gap keeps its width
  EXPECT_DOUBLE_EQ(g.columns[0].width_pt, g.columns[12].width_pt);
}

TEST(PageGeometryTest, ScaleIsAWholePercentThatFitsWidthAndTallestPage) {
  PageGeometry g;
  ASSERT_TRUE(test_support::IsOk(ComputePageGeometry({}, WideLayout(), std::nullopt, &g)));
  EXPECT_EQ(g.scale_percent, 56);  // 510.24 / 907.5 = 0.562
  EXPECT_EQ(g.columns[0].width_pt, 75);  // not stretched

  // 80 rows of 18 pt in 740.35 pt: 51 %, lower than the width's 56 %.
  ASSERT_TRUE(test_support::IsOk(ComputePageGeometry({}, WideLayout(), 80, &g)));
  EXPECT_EQ(g.scale_percent, 51);
  // 41 rows fit at 100 %: the width's scale stays.
  ASSERT_TRUE(test_support::IsOk(ComputePageGeometry({}, NarrowLayout(), 41, &g)));
  EXPECT_EQ(g.scale_percent, 100);
  ASSERT_TRUE(test_support::IsOk(ComputePageGeometry({}, NarrowLayout(), 42, &g)));
  EXPECT_EQ(g.scale_percent, 97);
  // Never below a spreadsheet's 10 %.
  ASSERT_TRUE(test_support::IsOk(ComputePageGeometry({}, NarrowLayout(), 32767, &g)));
  EXPECT_EQ(g.scale_percent, kMinScalePercent);
}

TEST(PageGeometryTest, HiddenColumnsStayHidden) {
  std::vector<PrintColumn> columns = NarrowLayout();
  columns[2].width_pt = 0;
  PageGeometry g;
  ASSERT_TRUE(test_support::IsOk(ComputePageGeometry({}, columns, std::nullopt, &g)));
  EXPECT_EQ(g.columns[2].width_pt, 0);
  EXPECT_GT(g.columns[3].width_pt, 0);
}

TEST(PageSetupTest, PaperNamesRoundTripCaseInsensitively) {
  for (Paper paper : AllPapers()) {
    SCOPED_TRACE(std::string(PaperName(paper)));
    EXPECT_EQ(PaperFromName(PaperName(paper)), paper);
    std::string lower(PaperName(paper));
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_EQ(PaperFromName(lower), paper);
  }
  EXPECT_EQ(AllPapers().size(), 6u);
  EXPECT_FALSE(PaperFromName("A6").has_value());
  EXPECT_FALSE(PaperFromName("").has_value());
  EXPECT_FALSE(PaperFromName("A4 ").has_value());
  EXPECT_EQ(SpreadsheetPaperCode(Paper::kA4), 9);
  EXPECT_EQ(SpreadsheetPaperCode(Paper::kLetter), 1);
}

TEST(PageSetupTest, RowHeightsAreWholePixels) {
  const struct {
    double font, row, printed;
  } cases[] = {{10, 0, 18}, {12, 0, 21.75}, {10.5, 0, 19.5}, {10, 18, 18}, {10, 18.1, 18.75}, {10, 20.25, 20.25}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.font) + " / " + std::to_string(c.row));
    EXPECT_DOUBLE_EQ(PrintedRowHeightPt({.font_size_pt = c.font, .row_height_pt = c.row}), c.printed);
  }
}

TEST(GroupsThatFitTest, AsManyAsTheWidthHoldsAtLeastOne) {
  // A4 portrait inside 15 mm margins: 510.24 pt; a separator of 7.5 pt between neighbours.
  const double printable = (210 - 30) * kPointsPerMm;
  const struct {
    const char* name;
    std::vector<double> widths;
    int32_t limit;
    int32_t groups;
  } cases[] = {
      {"four of 100 pt", {60, 40}, 100, 4},
      {"five exactly full", {(printable - 4 * kSeparatorWidthPt) / 5}, 100, 5},
      {"a hair over five", {(printable - 4 * kSeparatorWidthPt) / 5 + 0.01}, 100, 4},
      {"one wider than the page", {600}, 100, 1},
      {"held to the limit", {10}, 3, 3},
      {"no width: the limit", {}, 7, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GroupsThatFit(PageSetup{}, c.widths, c.limit), c.groups);
  }
  EXPECT_EQ(GroupsThatFit(PageSetup{.margins = {200, 0, 200, 0}}, {10}, 50), 1);  // no room at all
}

}  // namespace
}  // namespace parvex
