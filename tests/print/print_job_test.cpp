#include "print/print_job.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/status.h"
#include "export/export_job.h"
#include "grid/grid_designs.h"
#include "print/print_layout.h"
#include "support/grid_helpers.h"
#include "support/is_ok.h"
#include "support/temp_dir_test.h"

namespace parvex {
namespace {

namespace fs = std::filesystem;
using test_support::Cells;
using test_support::CellsOf;
using test_support::GridOf;

// A title and `n` numbered rows.
Cells Numbers(int n) {
  Cells cells = {{"No"}};
  for (int i = 1; i <= n; ++i) cells.push_back({std::to_string(i)});
  return cells;
}

class PrintJobTest : public test_support::TempDirTest {};

// A job whose layout differs from the one shown lays the table out for itself: what the user sees
// and copies stays as it was.
TEST_F(PrintJobTest, ReadyLaysOutAgainApartOnlyWhenTheOptionsDiffer) {
  const Grid source = GridOf(Numbers(100));
  const LayoutOptions options{.groups = 2, .rows_per_page = 46};
  struct Case {
    const char* name;
    bool auto_rows;
    bool laid_out;  // the grid holds the layout with `options`
    bool relaid;
    int32_t rows_per_page;
  };
  const Case cases[] = {
      {"typed rows, laid out: kept", false, true, false, 46},
      {"typed rows, nothing laid out: laid out", false, false, true, 46},
      {"auto rows differ from the layout's: laid out again", true, true, true, 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Grid result(ResultGridDesign());
    PagePlan plan;
    const Status laid = SplitIntoColumns(source, result, options, &plan);
    ASSERT_TRUE(laid.ok()) << laid.message();
    const Cells before = CellsOf(result);
    const PagePlan plan_before = plan;
    PrintJob job(source, options, c.auto_rows, PageSetup{.balance_pages = false});
    ASSERT_TRUE(test_support::IsOk(job.Ready(result, plan, c.laid_out ? std::optional(options) : std::nullopt)));
    EXPECT_EQ(job.layout_options().rows_per_page, c.rows_per_page);
    EXPECT_EQ(CellsOf(result), before);
    EXPECT_EQ(plan, plan_before);
    const PrintDocument& document = *job.document();
    EXPECT_EQ(document.result == &result, !c.relaid);
    // The pages are the layout's: the same as laying out with the job's options now.
    PagePlan fresh;
    const Status planned = PlanLayout(source, job.layout_options(), ResultGridDesign(), &fresh);
    ASSERT_TRUE(planned.ok()) << planned.message();
    EXPECT_EQ(document.layout.blocks, PrintLayoutOf(fresh).blocks);
    EXPECT_EQ(document.result->RowCount(), fresh.rows);
  }
}

TEST_F(PrintJobTest, FailuresLeaveTheLayoutAsItWasAndReadyNothing) {
  const Grid source = GridOf(Numbers(10));
  Grid result = GridOf({{"old"}}, ResultGridDesign());
  PagePlan plan;
  plan.geometry.groups = 9;

  PrintJob unready(source, {.groups = 2}, false, PageSetup{});
  EXPECT_TRUE(test_support::FailsWith(unready.Paint(nullptr), "not been laid out"));

  PrintJob no_room(source, {.groups = 2}, true, PageSetup{.margins = {140, 15, 140, 15}});
  EXPECT_TRUE(test_support::FailsWith(no_room.Ready(result, plan, std::nullopt), "at least 2 must"));

  Grid wide(SourceGridDesign());
  ASSERT_TRUE(wide.ResizeAndClear(2, 100000, 0, false));
  PrintJob refused(wide, {.groups = 200}, false, PageSetup{});
  EXPECT_TRUE(test_support::FailsWith(refused.Ready(result, plan, std::nullopt), "layout refused"));

  EXPECT_EQ(CellsOf(result), (Cells{{"old"}}));
  EXPECT_EQ(plan.geometry.groups, 9);
  EXPECT_EQ(refused.document(), nullptr);
}

// Balancing belongs to the page setup: options that carry it from an earlier print do not count.
TEST_F(PrintJobTest, PageSetupDecidesBalancing) {
  const Grid source = GridOf(Numbers(85));
  const LayoutOptions plain{.groups = 2, .rows_per_page = 40};
  LayoutOptions balanced = plain;
  balanced.balance_short_pages = true;
  struct Case {
    const char* name;
    LayoutOptions laid_out;
    bool balance;
    bool relaid;
    int32_t last_page_rows;
  };
  const Case cases[] = {
      {"balanced from a plain layout", plain, true, true, 3},
      {"balanced kept", balanced, true, false, 3},
      {"plain from a balanced layout", balanced, false, true, 5},
      {"plain kept", plain, false, false, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Grid result(ResultGridDesign());
    PagePlan plan;
    const Status laid = SplitIntoColumns(source, result, c.laid_out, &plan);
    ASSERT_TRUE(laid.ok()) << laid.message();
    PrintJob job(source, c.laid_out, false, PageSetup{.balance_pages = c.balance});
    ASSERT_TRUE(test_support::IsOk(job.Ready(result, plan, c.laid_out)));
    EXPECT_EQ(job.layout_options().balance_short_pages, c.balance);
    const PrintDocument& document = *job.document();
    EXPECT_EQ(document.result == &result, !c.relaid);  // laid out again into a grid of its own
    ASSERT_EQ(document.PageCount(), 2);
    EXPECT_EQ(document.layout.blocks[1].row_count, c.last_page_rows);
    EXPECT_EQ(document.result->RowCount(), 1 + 40 + c.last_page_rows);
  }
}

TEST_F(PrintJobTest, WritesTheReadiedDocument) {
  const Grid source = GridOf(Numbers(130));
  Grid result(ResultGridDesign());
  PagePlan plan;
  PrintJob job(source, {.groups = 2}, true, PageSetup{});
  ASSERT_TRUE(test_support::IsOk(job.Ready(result, plan, std::nullopt)));
  // 40 rows fill an A4 page at 10 pt: 80 rows, then 50 balanced over the two groups.
  EXPECT_EQ(job.document()->result->RowCount(), 1 + 40 + 25);
  const fs::path pdf = dir_ / "out.pdf";
  const fs::path xlsx = dir_ / "out.xlsx";
  EXPECT_TRUE(test_support::IsOk(
      ExportPrinted(*job.document(), {{ExportFormat::kPdf, pdf.string()}, {ExportFormat::kXlsx, xlsx.string()}}, {})));
  EXPECT_TRUE(fs::exists(pdf));
  EXPECT_TRUE(fs::exists(xlsx));
  EXPECT_TRUE(ExportPrinted(*job.document(), {{ExportFormat::kPdf, pdf.string()}}, [](int64_t, int64_t) {
                return false;
              }).cancelled());
}

}  // namespace
}  // namespace parvex
