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
#include "print/page_setup.h"
#include "print/progress.h"

class QPagedPaintDevice;

namespace parvex {

class PageRenderer;

// The smallest type size that prints readably; smaller pages get a warning.
inline constexpr double kSmallestReadableTypePt = 7;

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
  // done. False with a one-line `error` when the layout refuses its columns or the page leaves
  // room for fewer than two rows.
  bool PlanRows(std::string* error);
  // The options the document is laid out with: those given, with the groups and rows per page
  // worked out once PlanRows has run.
  const LayoutOptions& layout_options() const { return options_; }
  const PageSetup& page_setup() const { return setup_; }
  // The printed columns of laying out the source with the job's options (for a page setup
  // preview). False with the layout's refusal.
  bool PrintedColumns(std::vector<PrintColumn>* columns, std::string* error) const;

  // Makes `*result` and `*plan` the document, `plan` carrying the printed widths measured on
  // `*result`. `laid_out` says what they hold: the options they
  // were laid out with, or none when they hold no layout of `source`. When those are the job's
  // options both are kept; otherwise `source` is laid out again into them. False with a one-line
  // `error`, both left as they were, when the rows cannot be planned or the layout is refused.
  // Both must outlive the job's writing.
  bool Ready(Grid* result, PagePlan* plan, const std::optional<LayoutOptions>& laid_out, std::string* error);
  // True when the last Ready laid the source out again.
  bool relaid_out() const { return relaid_out_; }
  // What the readied document prints, for a closing message: pages, groups, rows per page and
  // the type size after the page's scale ("2 页，每页 3 栏 × 40 行，字号 10 pt"); empty before
  // Ready has succeeded.
  std::string Summary() const;
  // The type size the pages print at (see kSmallestReadableTypePt), the font size after the page's scale, to 0.1 pt; 0 when
  // nothing is ready.
  double PrintedTypeSize() const;

  // The outputs of the readied document (progress.h, page_renderer.h, xlsx_writer.h).
  WriteOutcome WritePdf(const std::string& path, std::string* error, const Progress& progress = {}) const;
  WriteOutcome WriteXlsx(const std::string& path, std::string* error, const Progress& progress = {}) const;
  WriteOutcome Paint(QPagedPaintDevice* device, std::string* error, const Progress& progress = {}) const;
  // The pages of the readied document, drawn one at a time where they are wanted (a preview);
  // nothing, with a one-line `error`, when nothing is ready. The document must outlive it.
  std::unique_ptr<PageRenderer> Renderer(std::string* error) const;

 private:
  // False with `error` when Ready has not succeeded: an output of nothing is a failure.
  bool IsReady(std::string* error) const;

  const Grid& source_;
  LayoutOptions options_;
  bool auto_rows_;
  PageSetup setup_;
  bool rows_planned_ = false;
  std::vector<double> source_widths_pt_;  // measured on the source when planning needs them
  bool relaid_out_ = false;
  const Grid* result_ = nullptr;
  const PagePlan* plan_ = nullptr;
};

}  // namespace parvex

#endif  // PARVEX_PRINT_PRINT_JOB_H_
