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

// The laid-out table every writer reads: the result grid and its page plan (none for a print
// readied apart) and, when a print output was asked for, the print document measured on them;
// and whom a long write tells of its progress.
struct LaidOutTable {
  const Grid* result = nullptr;
  const PagePlan* plan = nullptr;
  const PrintDocument* printed = nullptr;
  Progress progress;
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
  virtual Status Write(const LaidOutTable& table, const Destination& to) const = 0;
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
  // Flushes the stream; failed with the cause when a write failed.
  Status Finish(const std::string& name) {
    if (!failed_) {
      errno = 0;
      out_.flush();
      if (!out_) Fail();
    }
    if (failed_) return Status::Failed("cannot write " + name + ": " + cause_);
    return {};
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
Status WriteText(const Destination& to, const std::function<void(TextSink&)>& produce) {
  std::ofstream file;
  std::ostream* out = to.stream;
  if (out == nullptr) {
    file.open(port::PathFromUtf8(to.file->temp_path()), std::ios::binary | std::ios::trunc);
    if (!file) return Status::Failed("cannot write " + to.name + ": " + std::strerror(errno));
    out = &file;
  }
  StreamSink sink(*out);
  produce(sink);
  return sink.Finish(to.name);
}

class TableTextWriter : public ExportWriter {
 public:
  Status Write(const LaidOutTable& table, const Destination& to) const override {
    return WriteText(to, [&](TextSink& sink) {
      const Grid& result = *table.result;
      if (result.RowCount() == 0 || result.ColCount() == 0) return;
      WriteTableText(result, {0, 0, result.RowCount() - 1, result.ColCount() - 1}, sink);
    });
  }
};

class HtmlWriter : public ExportWriter {
 public:
  Status Write(const LaidOutTable& table, const Destination& to) const override {
    const Grid& result = *table.result;
    if (result.RowCount() > 0 && result.ColCount() > 0) {
      const HtmlFlavourExcess excess =
          HtmlFlavourExcessOf(result, {0, 0, result.RowCount() - 1, result.ColCount() - 1});
      if (excess.limit != HtmlFlavourExcess::Limit::kNone) {
        return Status::Failed("the layout is too large for an HTML table (more than " + std::to_string(kHtmlMaxRows) +
                              " rows, " + std::to_string(kHtmlMaxCols) + " columns or about " +
                              std::to_string(kHtmlMaxBytes >> 20) + " MiB); " + to.name + " is not written");
      }
    }
    return WriteText(to, [&](TextSink& sink) { WriteHtmlTable(result, HtmlShapeOf(*table.plan), sink); });
  }
};

#if PARVEX_HAS_PRINT
class PdfWriter : public ExportWriter {
 public:
  Status Write(const LaidOutTable& table, const Destination& to) const override {
    return WritePdf(*to.file, *table.printed, table.progress);
  }
};

class XlsxWriter : public ExportWriter {
 public:
  Status Write(const LaidOutTable& table, const Destination& to) const override {
    return WriteXlsx(*to.file, *table.printed, table.progress);
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

bool IsPrint(ExportFormat format) { return format == ExportFormat::kPdf || format == ExportFormat::kXlsx; }

// The destinations of an export's targets: every file is written beside its target first and
// moved over it once all are complete, so that a failed run leaves all as they were.
class Destinations {
 public:
  // Opens a replacement for every target with a path; the text without one goes to `text_out`.
  Status Open(const std::vector<ExportTarget>& targets, std::ostream* text_out) {
    targets_ = &targets;
    for (const ExportTarget& target : targets) {
      Destination to;
      if (target.format == ExportFormat::kText && target.path.empty() && text_out != nullptr) {
        to.stream = text_out;
        to.name = "standard output";
      } else {
        files_.push_back(std::make_unique<port::ReplacementPath>());
        if (std::string error; !files_.back()->Open(target.path, &error)) return Status::Failed(error);
        to.file = files_.back().get();
        to.name = "'" + target.path + "'";
      }
      destinations_.push_back(std::move(to));
    }
    return {};
  }

  // Writes `table` to the targets that `print` says: the print outputs, or the others.
  Status Write(const LaidOutTable& table, bool print) const {
    for (size_t i = 0; i < targets_->size(); ++i) {
      const ExportFormat format = (*targets_)[i].format;
      if (IsPrint(format) != print) continue;
      const std::unique_ptr<ExportWriter> writer = WriterFor(format);
      if (writer == nullptr) return Status::Failed("this build has no print outputs (PDF, .xlsx)");
      if (Status s = writer->Write(table, destinations_[i]); !s.ok()) return s;
    }
    return {};
  }

  // Moves every file over its target.
  Status Commit() {
    for (const std::unique_ptr<port::ReplacementPath>& file : files_) {
      if (std::string error; !file->Commit(&error)) return Status::Failed(error);
    }
    return {};
  }

 private:
  const std::vector<ExportTarget>* targets_ = nullptr;
  std::vector<std::unique_ptr<port::ReplacementPath>> files_;
  std::vector<Destination> destinations_;
};

}  // namespace

Status RunExport(const Grid& source, const ExportRequest& request, std::ostream& text_out, ExportReport* report) {
  *report = {};
  LayoutOptions options = request.layout;
#if PARVEX_HAS_PRINT
  std::optional<PrintJob> job;
  if (request.NeedsPrintFont()) {
    job.emplace(source, request.layout, request.auto_rows, request.page);
    if (Status s = job->PlanRows(); !s.ok()) return s;
    // The text is laid out as the pages are, with the groups and rows chosen for them; balancing
    // short pages is the printed pages' alone.
    options = job->layout_options();
    options.balance_short_pages = request.layout.balance_short_pages;
  }
#else
  if (request.NeedsPrintFont()) {
    return Status::Failed("this build has no print outputs (PDF, .xlsx, rows or groups fitted to the page)");
  }
#endif

  Destinations destinations;
  if (Status s = destinations.Open(request.targets, &text_out); !s.ok()) return s;

  Grid result(ResultGridDesign());
  PagePlan plan;
  if (Status s = SplitIntoColumns(source, result, options, &plan); !s.ok()) return s;
  LaidOutTable table{&result, &plan, nullptr, request.progress};
  if (Status s = destinations.Write(table, false); !s.ok()) return s;
#if PARVEX_HAS_PRINT
  if (request.WantsPrint()) {
    if (Status s = job->Ready(result, plan, options); !s.ok()) return s;
    table.printed = job->document();
    if (Status s = destinations.Write(table, true); !s.ok()) return s;
  }
#endif
  if (Status s = destinations.Commit(); !s.ok()) return s;

  if (request.Wants(ExportFormat::kText) || request.Wants(ExportFormat::kHtml)) {
    report->layout_message = kPreprocessMessage;
  }
#if PARVEX_HAS_PRINT
  if (request.WantsPrint()) {
    report->print_summary = job->Summary();
    report->printed_type_size = job->PrintedTypeSize();
  }
#endif
  return {};
}

Status ExportPrinted(const PrintDocument& document, const std::vector<ExportTarget>& targets,
                     const Progress& progress) {
  Destinations destinations;
  if (Status s = destinations.Open(targets, nullptr); !s.ok()) return s;
  if (Status s = destinations.Write({nullptr, nullptr, &document, progress}, true); !s.ok()) return s;
  return destinations.Commit();
}

}  // namespace parvex
