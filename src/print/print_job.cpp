#include "print/print_job.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/status.h"
#include "grid/grid_designs.h"
#include "print/column_widths.h"
#include "print/page_renderer.h"
#include "print/print_layout.h"

namespace parvex {

PrintJob::PrintJob(const Grid& source, const LayoutOptions& options, bool auto_rows, const PageSetup& setup)
    : source_(source), options_(options), auto_rows_(auto_rows), setup_(setup) {
  // Balancing is the page setup's: the options the window last printed with may carry it.
  options_.balance_short_pages = setup_.balance_pages;
}

Status PrintJob::PlanRows() {
  if (rows_planned_) return {};
  if (setup_.auto_groups || auto_rows_) {
    PagePlan plan;
    if (Status s = PlanColumns(source_, options_, ResultGridDesign(), &plan); !s.ok()) return s;
    source_measures_ = MeasureSourceColumns(source_, plan, setup_);
    const ColumnMeasures& measures = *source_measures_;
    if (setup_.auto_groups) {
      // No more groups than the result grid has columns for. Counted at the wrapped widths:
      // when the one-line widths fit as many groups, WidthsFor prints those.
      const int32_t limit = plan.geometry.MostGroupsWithin(kMaxCols);
      options_.groups = GroupsThatFit(setup_, measures.wrapped_pt, limit);
      if (Status s = PlanColumns(source_, options_, ResultGridDesign(), &plan); !s.ok()) return s;
    }
    source_widths_pt_ = measures.WidthsFor(plan.geometry.groups, setup_);
    if (auto_rows_) {
      const std::vector<PrintColumn> columns = PrintLayoutOf(plan, source_widths_pt_).columns;
      int32_t lines = 0;
      if (Status s = RowsPerPage(setup_, columns, plan.has_title, &lines); !s.ok()) return s;
      options_.rows_per_page = lines;
      PageGeometry geometry;
      if (Status s = ComputePageGeometry(setup_, columns, std::nullopt, &geometry); !s.ok()) return s;
      std::vector<int64_t> two_lines =
          TwoLineRows(source_, {plan.geometry.source_columns, 1}, plan.first_data_row, measures, geometry.columns,
                      setup_);
      if (!two_lines.empty()) {
        for (int64_t& row : two_lines) row -= plan.first_data_row;
        int32_t rows = 0;
        if (Status s = RowsPerPageWithTwoLineRows(source_, options_, lines, two_lines, &rows); !s.ok()) return s;
        options_.rows_per_page = rows;
      }
    }
  }
  rows_planned_ = true;
  return {};
}

Status PrintJob::PrintedColumns(std::vector<PrintColumn>* columns) const {
  PagePlan plan;
  if (Status s = PlanColumns(source_, options_, ResultGridDesign(), &plan); !s.ok()) return s;
  *columns =
      PrintLayoutOf(plan, source_widths_pt_.empty() ? ColumnWidthsFromContents(source_, plan, setup_) : source_widths_pt_)
          .columns;
  return {};
}

Status PrintJob::Ready(const Grid& result, const PagePlan& plan, const std::optional<LayoutOptions>& laid_out) {
  relaid_out_ = false;
  document_.reset();
  if (Status s = PlanRows(); !s.ok()) return s;
  const Grid* printed = &result;
  const PagePlan* printed_plan = &plan;
  PagePlan own_plan;
  if (laid_out != options_) {
    auto own = std::make_unique<Grid>(ResultGridDesign());
    if (Status s = SplitIntoColumns(source_, *own, options_, &own_plan); !s.ok()) return s;
    own_result_ = std::move(own);
    printed = own_result_.get();
    printed_plan = &own_plan;
    relaid_out_ = true;
  }
  // Measured on what is printed: the result grid may have been edited since it was laid out.
  PrintDocument document;
  // A layout of the job's own holds the source's texts: what planning measured holds for it.
  const ColumnMeasures* measured = relaid_out_ && source_measures_.has_value() ? &*source_measures_ : nullptr;
  if (Status s = MeasurePrintDocument(*printed, *printed_plan, setup_, &document, measured); !s.ok()) return s;
  document_ = std::move(document);
  groups_ = printed_plan->geometry.groups;
  rows_per_page_ = printed_plan->rows_per_page;
  return {};
}

Status PrintJob::IsReady() const {
  if (document_.has_value()) return {};
  return Status::Failed("nothing is ready to print: the table has not been laid out");
}

double PrintJob::PrintedTypeSize() const { return document_.has_value() ? document_->TypeSize() : 0; }

std::string PrintJob::Summary() const {
  if (!document_.has_value()) return {};
  char text[160];
  std::snprintf(text, sizeof text, "%lld 页，每页 %d 栏 × %d 行，字号 %g pt",
                static_cast<long long>(document_->PageCount()), groups_, rows_per_page_, document_->TypeSize());
  return text;
}

Status PrintJob::Paint(QPagedPaintDevice* device, const Progress& progress) const {
  if (Status s = IsReady(); !s.ok()) return s;
  return PaintPages(device, *document_, progress);
}

}  // namespace parvex
