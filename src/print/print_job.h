// One print of a laid-out table, the same for the window and parvex-cli: work out the rows per
// page (when they follow the page), ready the document — the result grid laid out with them and
// its page plan — and write it as a PDF or an .xlsx or paint it on a printer or preview.
#ifndef PARVEX_PRINT_PRINT_JOB_H_
#define PARVEX_PRINT_PRINT_JOB_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "grid/grid.h"
#include "layout/page_plan.h"
#include "layout/split_into_columns.h"
#include "print/column_widths.h"
#include "print/page_setup.h"
#include "print/print_layout.h"
#include "print/progress.h"

class QPagedPaintDevice;

namespace parvex {

class PrintJob {
 public:
  // Prints `source` laid out with `options` on pages of `setup`. With `auto_rows` the rows per
  // page are those that make one page block fill one printed page; with `setup.auto_groups` the
  // column groups are as many as fit the paper's width at the columns' printed widths
  // (column_widths.h); with `setup.balance_pages` short pages are balanced over their groups,
  // whatever `options` say, so the document may differ from the commands' layout. `source` must
  // outlive the job. Planning and readying measure the texts in
  // the print font: they need a QGuiApplication.
  PrintJob(const Grid& source, const LayoutOptions& options, bool auto_rows, const PageSetup& setup);

  // Works out the column groups and the rows per page; Ready does it too when it has not been
  // done. Failed with a one-line message when the layout refuses its columns or the page leaves
  // room for fewer than two rows.
  Status PlanRows();
  // The options the document is laid out with: those given, with the groups and rows per page
  // worked out once PlanRows has run.
  const LayoutOptions& layout_options() const { return options_; }
  const PageSetup& page_setup() const { return setup_; }
  // The printed columns of laying out the source with the job's options (for a page setup
  // preview). Failed with the layout's refusal.
  Status PrintedColumns(std::vector<PrintColumn>* columns) const;

  // Readies the document and measures it for printing once (the printed widths, two-line rows
  // and scale every output prints with: MeasurePrintDocument). `laid_out` says what `result` and
  // `plan` hold: the options they were laid out with, or none when they hold no layout of
  // `source`. When those are the job's options the document is `result`, which must then outlive
  // the job's writing; otherwise the job lays `source` out again into a result of its own, and
  // `result` and `plan` (what the user sees and copies) stay as they are. Failed with a one-line
  // message when the rows cannot be planned, the layout is refused or the page leaves no room.
  Status Ready(const Grid& result, const PagePlan& plan, const std::optional<LayoutOptions>& laid_out);
  // What the readied document prints, for a closing message: pages, groups, rows per page and
  // the type size after the page's scale ("2 页，每页 3 栏 × 40 行，字号 10 pt"); empty before
  // Ready has succeeded.
  std::string Summary() const;
  // The type size the pages print at (see kSmallestReadableTypePt), the font size after the
  // page's scale, to 0.1 pt; 0 when nothing is ready.
  double PrintedTypeSize() const;

  // The readied document; null before Ready has succeeded.
  const PrintDocument* document() const { return document_.has_value() ? &*document_ : nullptr; }

  // Paints the readied document on a printer or another paged device (page_renderer.h); its
  // files are written by the export job (export/export_job.h).
  Status Paint(QPagedPaintDevice* device, const Progress& progress = {}) const;

 private:
  // Failed when Ready has not succeeded: an output of nothing is a failure.
  Status IsReady() const;

  const Grid& source_;
  LayoutOptions options_;
  bool auto_rows_;
  PageSetup setup_;
  bool rows_planned_ = false;
  std::optional<ColumnMeasures> source_measures_;  // of the source, when planning needs them
  std::vector<double> source_widths_pt_;          // and the widths they give
  bool relaid_out_ = false;
  // The layout Ready made of its own when the given one was not the job's; on the heap, so that
  // the document's grid stays where it is when the job moves.
  std::unique_ptr<Grid> own_result_;
  std::optional<PrintDocument> document_;  // what Ready measured
  int32_t groups_ = 0;                     // and the groups and rows per page it was laid out with
  int32_t rows_per_page_ = 0;
};

}  // namespace parvex

#endif  // PARVEX_PRINT_PRINT_JOB_H_
