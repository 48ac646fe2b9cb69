// One export of a table, the same for every front end: the source laid out with typed options
// (the rows per page and the groups worked out for the printed page when asked), then written in
// any of four formats — the table text, the HTML table, a PDF and an .xlsx workbook — each by a
// writer of one interface, every file beside its target and moved over it only when all of them
// are complete.
#ifndef PARVEX_EXPORT_EXPORT_JOB_H_
#define PARVEX_EXPORT_EXPORT_JOB_H_

#include <ostream>
#include <string>
#include <vector>

#include "base/status.h"
#include "grid/grid.h"
#include "layout/split_into_columns.h"
#include "print/page_setup.h"
#include "print/progress.h"

namespace parvex {

enum class ExportFormat { kText, kHtml, kPdf, kXlsx };

// One output: a file to replace, or for the text, with no path, the job's text stream.
struct ExportTarget {
  ExportFormat format = ExportFormat::kText;
  std::string path;
};

struct ExportRequest {
  LayoutOptions layout;
  // The rows per page are those that make one page block fill one printed page of `page`;
  // with `page.auto_groups` the groups are as many as fit its width (print_job.h). Every format
  // is then laid out with them, the text too.
  bool auto_rows = false;
  PageSetup page;
  std::vector<ExportTarget> targets;
  // Told of the print outputs' progress; may cancel them.
  Progress progress;

  bool Wants(ExportFormat format) const;
  bool WantsPrint() const { return Wants(ExportFormat::kPdf) || Wants(ExportFormat::kXlsx); }
  // True when the job measures texts in the print font: it then needs a QGuiApplication.
  bool NeedsPrintFont() const { return WantsPrint() || auto_rows || page.auto_groups; }
};

// What a finished export tells the user.
struct ExportReport {
  // The layout command's closing message, when the text or the HTML was written.
  std::string layout_message;
  // What the PDF and the workbook print ("2 页，每页 3 栏 × 40 行，字号 10 pt") and the type
  // size they print at; empty and 0 without them.
  std::string print_summary;
  double printed_type_size = 0;
};

// Lays `source` out as `request` says and writes every target. The text of a target without a
// path goes to `text_out`. Failed with a one-line message (naming the file the user asked for)
// when the layout is refused or an output cannot be written; no file target is then replaced,
// and `text_out` may have received part of the text only when writing to it failed.
Status RunExport(const Grid& source, const ExportRequest& request, std::ostream& text_out, ExportReport* report);

struct PrintDocument;  // print/print_layout.h

// Writes `document`, a print readied apart (the window's, of the result grid as the user sees
// it), to `targets`, which are print outputs (PDF, .xlsx) only, each file replaced once all are
// complete. `progress` is told of the writing and may cancel it: cancelled, or failed with a
// one-line message naming the file, no target is replaced.
Status ExportPrinted(const PrintDocument& document, const std::vector<ExportTarget>& targets, const Progress& progress);

}  // namespace parvex

#endif  // PARVEX_EXPORT_EXPORT_JOB_H_
