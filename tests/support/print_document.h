// The print outputs' tests' shortcuts. MeasureAndWrite makes a laid-out grid's print document and
// writes it in one call, for the tests of one writer: a refusal of the document is the writer's
// failure. The document prints the grid's own column widths and no two-line rows, so the
// writer's tests need no print font.
#ifndef PARVEX_TESTS_SUPPORT_PRINT_DOCUMENT_H_
#define PARVEX_TESTS_SUPPORT_PRINT_DOCUMENT_H_

#include <functional>
#include <string>
#include <utility>

#include "base/status.h"
#include "grid/grid_designs.h"
#include "layout/page_plan.h"
#include "port/replace_file.h"
#include "print/print_layout.h"
#include "print/progress.h"

namespace parvex::test_support {

// Writes a file through `write`, which fills the temporary file of the replacement it is given,
// and moves it over `path` once `write` is done, as the export job does for one file.
inline Status WriteReplacing(const std::string& path,
                             const std::function<Status(const port::ReplacementPath&)>& write) {
  port::ReplacementPath file;
  std::string error;
  if (!file.Open(path, &error)) return Status::Failed(error);
  if (Status written = write(file); !written.ok()) return written;
  if (!file.Commit(&error)) return Status::Failed(error);
  return {};
}

// Calls `write(file, document, args...)` on the document of `result` laid out by `plan` on
// `setup`, `file` a replacement of `path` that is committed when the write is done; the outcome,
// with a failure's message in `error`.
template <typename Write, typename... Args>
Status::Code MeasureAndWrite(Write write, const std::string& path, const Grid& result, const PagePlan& plan,
                             const PageSetup& setup, std::string* error, Args&&... args) {
  PrintDocument document;
  Status written = PrintDocumentOf(result, plan, setup, {}, {}, &document);
  if (written.ok()) {
    written = WriteReplacing(
        path, [&](const port::ReplacementPath& file) { return write(file, document, std::forward<Args>(args)...); });
  }
  *error = written.message();
  return written.code();
}

// The rows per page that make one page block of laying out `source` with `options` fill one
// printed page of `setup` at the grid's column widths. Failed with the one-line refusal.
inline Status AutoRowsPerPage(const Grid& source, const LayoutOptions& options, const PageSetup& setup, int32_t* rows) {
  PagePlan plan;
  if (Status s = PlanColumns(source, options, ResultGridDesign(), &plan); !s.ok()) return s;
  return RowsPerPage(setup, PrintLayoutOf(plan).columns, plan.has_title, rows);
}

}  // namespace parvex::test_support

#endif  // PARVEX_TESTS_SUPPORT_PRINT_DOCUMENT_H_
