#include "print/print_job.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "grid/grid_designs.h"
#include "print/column_widths.h"
#include "print/page_renderer.h"
#include "print/print_layout.h"
#include "print/xlsx_writer.h"

namespace parvex {

PrintJob::PrintJob(const Grid& source, const LayoutOptions& options, bool auto_rows, const PageSetup& setup)
    : source_(source), options_(options), auto_rows_(auto_rows), setup_(setup) {
  // Balancing is the page setup's: the options the window last printed with may carry it.
  options_.balance_short_pages = setup_.balance_pages;
}

bool PrintJob::PlanRows(std::string* error) {
  if (rows_planned_) return true;
  if (setup_.auto_groups || auto_rows_) {
    PagePlan plan;
    if (!PlanColumns(source_, options_, ResultGridDesign(), &plan, error)) return false;
    const ColumnMeasures measures = MeasureSourceColumns(source_, plan, setup_);
    if (setup_.auto_groups) {
      // No more groups than the result grid has columns for. Counted at the wrapped widths:
      // when the one-line widths fit as many groups, WidthsFor prints those.
      const int32_t limit = plan.geometry.MostGroupsWithin(kMaxCols);
      options_.groups = GroupsThatFit(setup_, measures.wrapped_pt, limit);
      if (!PlanColumns(source_, options_, ResultGridDesign(), &plan, error)) return false;
    }
    source_widths_pt_ = measures.WidthsFor(plan.geometry.groups, setup_);
    if (auto_rows_) {
      plan.printed_widths_pt = source_widths_pt_;
      const std::vector<PrintColumn> columns = PrintLayoutOf(plan).columns;
      int32_t lines = 0;
      if (!RowsPerPage(setup_, columns, plan.has_title, &lines, error)) return false;
      options_.rows_per_page = lines;
      PageGeometry geometry;
      if (!ComputePageGeometry(setup_, columns, std::nullopt, &geometry, error)) return false;
      std::vector<int64_t> two_lines =
          TwoLineRows(source_, {plan.geometry.source_columns, 1}, plan.first_data_row, measures, geometry.columns,
                      setup_);
      if (!two_lines.empty()) {
        for (int64_t& row : two_lines) row -= plan.first_data_row;
        int32_t rows = 0;
        if (!RowsPerPageWithTwoLineRows(source_, options_, lines, two_lines, &rows, error)) return false;
        options_.rows_per_page = rows;
      }
    }
  }
  rows_planned_ = true;
  return true;
}

bool PrintJob::PrintedColumns(std::vector<PrintColumn>* columns, std::string* error) const {
  PagePlan plan;
  if (!PlanColumns(source_, options_, ResultGridDesign(), &plan, error)) return false;
  plan.printed_widths_pt =
      source_widths_pt_.empty() ? ColumnWidthsFromContents(source_, plan, setup_) : source_widths_pt_;
  *columns = PrintLayoutOf(plan).columns;
  return true;
}

bool PrintJob::Ready(Grid* result, PagePlan* plan, const std::optional<LayoutOptions>& laid_out,
                     std::string* error) {
  relaid_out_ = false;
  result_ = nullptr;
  plan_ = nullptr;
  if (!PlanRows(error)) return false;
  if (laid_out != options_) {
    if (!SplitIntoColumns(source_, *result, options_, error, plan)) return false;
    relaid_out_ = true;
  }
  // Measured on what is printed: the result grid may have been edited since it was laid out.
  MeasurePrintedRows(*result, setup_, plan);
  result_ = result;
  plan_ = plan;
  return true;
}

bool PrintJob::IsReady(std::string* error) const {
  if (result_ != nullptr && plan_ != nullptr) return true;
  *error = "nothing is ready to print: the table has not been laid out";
  return false;
}

double PrintJob::PrintedTypeSize() const {
  if (result_ == nullptr || plan_ == nullptr) return 0;
  const PrintLayout layout = PrintLayoutOf(*plan_);
  PageGeometry geometry;
  std::string error;
  if (!ComputePageGeometry(setup_, layout.columns, layout.TallestBlockLines() + (layout.has_title ? 1 : 0),
                           &geometry, &error)) {
    return 0;
  }
  return std::round(setup_.font_size_pt * geometry.scale() * 10) / 10;
}

std::string PrintJob::Summary() const {
  const double type_size = PrintedTypeSize();
  if (type_size == 0) return {};
  char text[160];
  std::snprintf(text, sizeof text, "%zu 页，每页 %d 栏 × %d 行，字号 %g pt", PrintLayoutOf(*plan_).blocks.size(),
                plan_->geometry.groups, plan_->rows_per_page, type_size);
  return text;
}

WriteOutcome PrintJob::WritePdf(const std::string& path, std::string* error, const Progress& progress) const {
  if (!IsReady(error)) return WriteOutcome::kFailed;
  return parvex::WritePdf(path, *result_, *plan_, setup_, error, progress);
}

WriteOutcome PrintJob::WriteXlsx(const std::string& path, std::string* error, const Progress& progress) const {
  if (!IsReady(error)) return WriteOutcome::kFailed;
  return parvex::WriteXlsx(path, *result_, *plan_, setup_, error, progress);
}

WriteOutcome PrintJob::Paint(QPagedPaintDevice* device, std::string* error, const Progress& progress) const {
  if (!IsReady(error)) return WriteOutcome::kFailed;
  return PaintPages(device, *result_, *plan_, setup_, error, progress);
}

std::unique_ptr<PageRenderer> PrintJob::Renderer(std::string* error) const {
  if (!IsReady(error)) return nullptr;
  return PageRenderer::Create(*result_, *plan_, setup_, error);
}

}  // namespace parvex
