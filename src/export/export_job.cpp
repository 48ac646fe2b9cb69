#include "export/export_job.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>

#include "base/status.h"
#include "grid/clipboard.h"
#include "grid/grid_designs.h"
#include "grid/table_text_writer.h"
#include "html/html_table_writer.h"
#include "layout/commands.h"
#include "layout/page_plan.h"
#include "port/path.h"
#include "port/replace_file.h"
#include "print/progress.h"
#if PARVEX_HAS_PRINT
#include "print/page_renderer.h"
#include "print/print_job.h"
#include "print/xlsx_writer.h"
#endif

namespace parvex {

struct PrintDocument;

bool ExportRequest::Wants(ExportFormat format) const {
  return std::any_of(targets.begin(), targets.end(), [&](const ExportTarget& t) { return t.format == format; });
}

namespace {

// The laid-out table every writer reads: the result grid, its page plan and, when a print
// output was asked for, the print document measured on them.
struct LaidOutTable {
  const Grid& result;
  const PagePlan& plan;
  const PrintDocument* printed = nullptr;
};

// Where a writer's output goes: the temporary file of a replacement, or a stream (the text to
// standard output), and the name its errors give it.
struct Destination {
  const port::ReplacementPath* file = nullptr;
  std::ostream* stream = nullptr;
  std::string name;
};

// One output format.
class ExportWriter {
 public:
  virtual ~ExportWriter() = default;
  virtual WriteOutcome Write(const LaidOutTable& table, const Destination& to, std::string* error) const = 0;
};

// Passes text pieces on to a stream, remembering the first failure and its cause.
class StreamSink : public TextSink {
 public:
  explicit StreamSink(std::ostream& out) : out_(out) {}
  void Append(std::string_view piece) override {
    if (failed_ || piece.empty()) return;
    // errno is the only word on why an ostream failed; a stale value must not be reported.
    errno = 0;
    out_.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    if (!out_) Fail();
  }
  // Flushes the stream; false with the cause in `error` when a write failed.
  bool Finish(const std::string& name, std::string* error) {
    if (!failed_) {
      errno = 0;
      out_.flush();
      if (!out_) Fail();
    }
    if (failed_) *error = "cannot write " + name + ": " + cause_;
    return !failed_;
  }

 private:
  void Fail() {
    failed_ = true;
    cause_ = errno != 0 ? std::strerror(errno) : "write error";
  }
  std::ostream& out_;
  bool failed_ = false;
  std::string cause_;
};

// The writers of text: what `produce` appends goes to the destination's stream or file.
WriteOutcome WriteText(const Destination& to, std::string* error, const std::function<void(TextSink&)>& produce) {
  std::ofstream file;
  std::ostream* out = to.stream;
  if (out == nullptr) {
    file.open(port::PathFromUtf8(to.file->temp_path()), std::ios::binary | std::ios::trunc);
    if (!file) {
      *error = "cannot write " + to.name + ": " + std::strerror(errno);
      return WriteOutcome::kFailed;
    }
    out = &file;
  }
  StreamSink sink(*out);
  produce(sink);
  return sink.Finish(to.name, error) ? WriteOutcome::kDone : WriteOutcome::kFailed;
}

class TableTextWriter : public ExportWriter {
 public:
  WriteOutcome Write(const LaidOutTable& table, const Destination& to, std::string* error) const override {
    return WriteText(to, error, [&](TextSink& sink) {
      if (table.result.RowCount() == 0 || table.result.ColCount() == 0) return;
      WriteTableText(table.result, {0, 0, table.result.RowCount() - 1, table.result.ColCount() - 1}, sink);
    });
  }
};

class HtmlWriter : public ExportWriter {
 public:
  WriteOutcome Write(const LaidOutTable& table, const Destination& to, std::string* error) const override {
    const Grid& result = table.result;
    if (result.RowCount() > 0 && result.ColCount() > 0) {
      const HtmlFlavourExcess excess =
          HtmlFlavourExcessOf(result, {0, 0, result.RowCount() - 1, result.ColCount() - 1});
      if (excess.limit != HtmlFlavourExcess::Limit::kNone) {
        *error = "the layout is too large for an HTML table (more than " + std::to_string(kHtmlMaxRows) + " rows, " +
                 std::to_string(kHtmlMaxCols) + " columns or about " + std::to_string(kHtmlMaxBytes >> 20) +
                 " MiB); " + to.name + " is not written";
        return WriteOutcome::kFailed;
      }
    }
    return WriteText(to, error, [&](TextSink& sink) { WriteHtmlTable(result, HtmlShapeOf(table.plan), sink); });
  }
};

#if PARVEX_HAS_PRINT
class PdfWriter : public ExportWriter {
 public:
  WriteOutcome Write(const LaidOutTable& table, const Destination& to, std::string* error) const override {
    return WritePdf(*to.file, *table.printed, error);
  }
};

class XlsxWriter : public ExportWriter {
 public:
  WriteOutcome Write(const LaidOutTable& table, const Destination& to, std::string* error) const override {
    return WriteXlsx(*to.file, *table.printed, error);
  }
};
#endif

std::unique_ptr<ExportWriter> WriterFor(ExportFormat format) {
  switch (format) {
    case ExportFormat::kText:
      return std::make_unique<TableTextWriter>();
    case ExportFormat::kHtml:
      return std::make_unique<HtmlWriter>();
#if PARVEX_HAS_PRINT
    case ExportFormat::kPdf:
      return std::make_unique<PdfWriter>();
    case ExportFormat::kXlsx:
      return std::make_unique<XlsxWriter>();
#else
    case ExportFormat::kPdf:
    case ExportFormat::kXlsx:
      break;
#endif
  }
  return nullptr;
}

}  // namespace

bool RunExport(const Grid& source, const ExportRequest& request, std::ostream& text_out, ExportReport* report,
               std::string* error) {
  *report = {};
  LayoutOptions options = request.layout;
#if PARVEX_HAS_PRINT
  std::optional<PrintJob> job;
  if (request.NeedsPrintFont()) {
    job.emplace(source, request.layout, request.auto_rows, request.page);
    if (!job->PlanRows(error)) return false;
    // The text is laid out as the pages are, with the groups and rows chosen for them; balancing
    // short pages is the printed pages' alone.
    options = job->layout_options();
    options.balance_short_pages = request.layout.balance_short_pages;
  }
#else
  if (request.NeedsPrintFont()) {
    *error = "this build has no print outputs (PDF, .xlsx, rows or groups fitted to the page)";
    return false;
  }
#endif

  // Every file is written beside its target first, so that a failed run leaves all as they were.
  std::vector<std::unique_ptr<port::ReplacementPath>> files;
  std::vector<Destination> destinations;
  for (const ExportTarget& target : request.targets) {
    Destination to;
    if (target.format == ExportFormat::kText && target.path.empty()) {
      to.stream = &text_out;
      to.name = "standard output";
    } else {
      files.push_back(std::make_unique<port::ReplacementPath>());
      if (!files.back()->Open(target.path, error)) return false;
      to.file = files.back().get();
      to.name = "'" + target.path + "'";
    }
    destinations.push_back(std::move(to));
  }

  Grid result(ResultGridDesign());
  PagePlan plan;
  if (const Status laid = SplitIntoColumns(source, result, options, &plan); !laid.ok()) {
    *error = laid.message();
    return false;
  }
  LaidOutTable table{result, plan};
  // Writes the targets that `print` says, text and HTML first.
  auto write = [&](bool print) {
    for (size_t i = 0; i < request.targets.size(); ++i) {
      const ExportFormat format = request.targets[i].format;
      if ((format == ExportFormat::kPdf || format == ExportFormat::kXlsx) != print) continue;
      const std::unique_ptr<ExportWriter> writer = WriterFor(format);
      if (writer == nullptr) {
        *error = "this build has no print outputs (PDF, .xlsx)";
        return false;
      }
      if (writer->Write(table, destinations[i], error) != WriteOutcome::kDone) return false;
    }
    return true;
  };
  if (!write(false)) return false;
#if PARVEX_HAS_PRINT
  if (request.WantsPrint()) {
    if (!job->Ready(result, plan, options, error)) return false;
    table.printed = job->document();
    if (!write(true)) return false;
  }
#endif
  for (const std::unique_ptr<port::ReplacementPath>& file : files) {
    if (!file->Commit(error)) return false;
  }

  if (request.Wants(ExportFormat::kText) || request.Wants(ExportFormat::kHtml)) {
    report->layout_message = kPreprocessMessage;
  }
#if PARVEX_HAS_PRINT
  if (request.WantsPrint()) {
    report->print_summary = job->Summary();
    report->printed_type_size = job->PrintedTypeSize();
  }
#endif
  return true;
}

}  // namespace parvex
