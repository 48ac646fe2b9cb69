#include "print/print_job.h"

#include "grid/grid_designs.h"
#include "print/page_renderer.h"
#include "print/print_layout.h"
#include "print/xlsx_writer.h"

namespace parvex {

PrintJob::PrintJob(const Grid& source, const LayoutOptions& options, bool auto_rows, const PageSetup& setup)
    : source_(source), options_(options), auto_rows_(auto_rows), setup_(setup) {}

bool PrintJob::PlanRows(std::string* error) {
  if (rows_planned_) return true;
  if (auto_rows_) {
    int32_t rows = 0;
    if (!AutoRowsPerPage(source_, options_, setup_, &rows, error)) return false;
    options_.rows_per_page = rows;
  }
  rows_planned_ = true;
  return true;
}

bool PrintJob::PrintedColumns(std::vector<PrintColumn>* columns, std::string* error) const {
  PagePlan plan;
  if (!PlanColumns(source_, options_, ResultGridDesign(), &plan, error)) return false;
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
  result_ = result;
  plan_ = plan;
  return true;
}

bool PrintJob::IsReady(std::string* error) const {
  if (result_ != nullptr && plan_ != nullptr) return true;
  *error = "nothing is ready to print: the table has not been laid out";
  return false;
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

}  // namespace parvex
