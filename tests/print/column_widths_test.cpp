#include "print/column_widths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/status.h"
#include "grid/grid_designs.h"
#include "print/print_layout.h"
#include "support/grid_helpers.h"
#include "support/is_ok.h"

namespace parvex {
namespace {

using test_support::Cells;
using test_support::GridOf;

// A title and `rows` rows of a short code and `remark`s: `long_text` in the rows `long_rows`
// picks, "无" in the others.
Cells Remarks(int rows, const std::string& long_text, bool (*long_rows)(int), const std::string& title = "备注") {
  Cells cells = {{"编号", title}};
  for (int i = 0; i < rows; ++i) cells.push_back({"A" + std::to_string(100 + i), long_rows(i) ? long_text : "无"});
  return cells;
}

const std::string kLongCjk = "转学至外省，档案待寄出后由原班主任负责核对并在学期结束前交教务处存档备查";
const std::string kLongLatin = "moved to another school, the file to be sent on by the class teacher";

ColumnMeasures Measured(const Cells& cells, const PageSetup& setup = {}) {
  const Grid source = GridOf(cells);
  PagePlan plan;
  const Status planned = PlanColumns(source, {.groups = 1}, ResultGridDesign(), &plan);
  EXPECT_TRUE(planned.ok()) << planned.message();
  return MeasureSourceColumns(source, plan, setup);
}

TEST(ColumnWidthsTest, OnlyAnOutlierMuchWiderThanTheRestWraps) {
  const struct {
    const char* name;
    Cells cells;
    bool wraps;  // the remark column (1) gets a width narrower than its widest text
  } cases[] = {
      {"one long CJK remark among short ones", Remarks(40, kLongCjk, [](int i) { return i == 3; }), true},
      {"one long Latin remark", Remarks(40, kLongLatin, [](int i) { return i == 3; }), true},
      {"no outlier", Remarks(40, "无", [](int) { return false; }), false},
      {"the outlier less than three em wider", Remarks(40, "已缴费", [](int i) { return i == 3; }), false},
      {"long texts in a tenth of the rows are not outliers", Remarks(40, kLongCjk, [](int i) { return i % 10 == 0; }),
       false},
      {"a single data row", Remarks(1, kLongCjk, [](int) { return true; }), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ColumnMeasures m = Measured(c.cells);
    ASSERT_EQ(m.one_line_pt.size(), 2u);
    // The code column never wraps; its one-line width holds its widest text.
    EXPECT_EQ(m.wrapped_pt[0], m.one_line_pt[0]);
    EXPECT_GE(m.one_line_pt[0], m.widest_pt[0] + 2 * kCellPaddingPt);
    EXPECT_GE(m.one_line_pt[1], m.widest_pt[1] + 2 * kCellPaddingPt);
    if (c.wraps) {
      EXPECT_LT(m.wrapped_pt[1], m.widest_pt[1]);
      // Two lines of the cell hold the widest text.
      EXPECT_GE(2 * (m.wrapped_pt[1] - 2 * kCellPaddingPt), m.widest_pt[1]);
    } else {
      EXPECT_EQ(m.wrapped_pt[1], m.one_line_pt[1]);
    }
  }
}

TEST(ColumnWidthsTest, WrappedColumnKeepsItsTitleOnOneLine) {
  // A remark of 16 em, its title of 12: wider than half the remark and an em, narrower than it.
  const std::string remark = "转学至外省，档案待寄出后由原班主";
  const std::string title = "家庭住址与备注说明及其他";
  const ColumnMeasures with_title = Measured(Remarks(40, remark, [](int i) { return i == 3; }, title));
  const ColumnMeasures short_title = Measured(Remarks(40, remark, [](int i) { return i == 3; }));
  EXPECT_LT(short_title.wrapped_pt[1], with_title.wrapped_pt[1]);
  EXPECT_LT(with_title.wrapped_pt[1], with_title.one_line_pt[1]);
  // The title on one line in bold: as wide as a column of nothing but the title.
  const ColumnMeasures title_only = Measured({{"编号", title}, {"A1", "无"}, {"A2", "无"}});
  EXPECT_GE(with_title.wrapped_pt[1], title_only.one_line_pt[1] - 0.01);
}

TEST(ColumnWidthsTest, WrappedWidthsOnlyWhenTheOneLineWidthsOverflowThePage) {
  // The remark on one line: 36 em, some 400 pt with its code column, on 510 pt of A4 and
  // 1106 pt of A3 landscape.
  const ColumnMeasures m = Measured(Remarks(40, kLongCjk, [](int i) { return i == 3; }));
  const PageSetup a4;
  const PageSetup a3_landscape{.paper = Paper::kA3, .orientation = Orientation::kLandscape};
  EXPECT_EQ(m.WidthsFor(1, a4), m.one_line_pt);
  EXPECT_EQ(m.WidthsFor(2, a4), m.wrapped_pt);
  EXPECT_EQ(m.WidthsFor(2, a3_landscape), m.one_line_pt);
  EXPECT_EQ(m.WidthsFor(3, a3_landscape), m.wrapped_pt);
  // Groups fitted to the paper are counted with the wrapped widths: more of them.
  const int32_t fitted = GroupsThatFit(a3_landscape, m.wrapped_pt, 100);
  EXPECT_GT(fitted, GroupsThatFit(a3_landscape, m.one_line_pt, 100));
  EXPECT_EQ(m.WidthsFor(fitted, a3_landscape), m.wrapped_pt);
}

TEST(ColumnWidthsTest, TwoLineRowsAreThoseWithATextWiderThanItsCell) {
  const Cells cells = Remarks(40, kLongCjk, [](int i) { return i == 3 || i == 17; });
  const Grid source = GridOf(cells);
  const PageSetup setup;
  Grid result(ResultGridDesign());
  PagePlan plan;
  const Status laid = SplitIntoColumns(source, result, {.groups = 2, .rows_per_page = 10, .key_column = 0}, &plan);
  ASSERT_TRUE(laid.ok()) << laid.message();
  PrintDocument document;
  ASSERT_TRUE(test_support::IsOk(MeasurePrintDocument(result, plan, setup, &document)));
  // The rows that hold the long remark, wherever the plan placed them.
  std::vector<int64_t> expected;
  for (int32_t row = 1; row < result.RowCount(); ++row) {
    for (int32_t col = 0; col < result.ColCount(); ++col) {
      if (result.CellView(row, col) == kLongCjk) {
        expected.push_back(row);
        break;
      }
    }
  }
  ASSERT_EQ(expected.size(), 2u);
  EXPECT_EQ(document.layout.two_line_rows, expected);
  EXPECT_LT(document.layout.columns[1].width_pt, MeasureResultColumns(result, plan, setup).one_line_pt[1]);

  // Without an outlier no row is two lines, and the widths are the one-line widths.
  const Grid plain = GridOf(Remarks(40, "无", [](int) { return false; }));
  const Status plain_laid = SplitIntoColumns(plain, result, {.groups = 2, .rows_per_page = 10}, &plan);
  ASSERT_TRUE(plain_laid.ok()) << plain_laid.message();
  ASSERT_TRUE(test_support::IsOk(MeasurePrintDocument(result, plan, setup, &document)));
  EXPECT_TRUE(document.layout.two_line_rows.empty());
  const std::vector<double> one_line = MeasureResultColumns(result, plan, setup).one_line_pt;
  for (size_t c = 0; c < one_line.size(); ++c) EXPECT_EQ(document.layout.columns[c].width_pt, one_line[c]);
}

}  // namespace
}  // namespace parvex
