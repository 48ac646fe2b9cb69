// The print outputs' tests' shortcuts. MeasureAndWrite makes a laid-out grid's print document and
// writes it in one call, for the tests of one writer: a refusal of the document is the writer's
// kFailed. The document prints the grid's own column widths and no two-line rows, so the
// writer's tests need no print font.
#ifndef PARVEX_TESTS_SUPPORT_PRINT_DOCUMENT_H_
#define PARVEX_TESTS_SUPPORT_PRINT_DOCUMENT_H_

#include <string>
#include <utility>

#include "base/status.h"
#include "grid/grid_designs.h"
#include "layout/page_plan.h"
#include "print/print_layout.h"
#include "print/progress.h"

namespace parvex::test_support {

// Calls `write(file, document, error, args...)` on the document of `result` laid out by `plan`
// on `setup`, `file` a replacement of `path` that is committed when the write is done.
template <typename Write, typename... Args>
WriteOutcome MeasureAndWrite(Write write, const std::string& path, const Grid& result,
                                     const PagePlan& plan, const PageSetup& setup, std::string* error,
                                     Args&&... args) {
  PrintDocument document;
  if (!PrintDocumentOf(result, plan, setup, {}, {}, &document, error)) return WriteOutcome::kFailed;
  return WriteReplacing(path, error, [&](const port::ReplacementPath& file) {
    return write(file, document, error, std::forward<Args>(args)...);
  });
}

// The rows per page that make one page block of laying out `source` with `options` fill one
// printed page of `setup` at the grid's column widths. False with a one-line `error`.
inline bool AutoRowsPerPage(const Grid& source, const LayoutOptions& options, const PageSetup& setup, int32_t* rows,
                            std::string* error) {
  PagePlan plan;
  if (const Status planned = PlanColumns(source, options, ResultGridDesign(), &plan); !planned.ok()) {
    *error = planned.message();
    return false;
  }
  return RowsPerPage(setup, PrintLayoutOf(plan).columns, plan.has_title, rows, error);
}

}  // namespace parvex::test_support

#endif  // PARVEX_TESTS_SUPPORT_PRINT_DOCUMENT_H_
