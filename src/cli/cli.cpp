#include "cli/cli.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <utility>

#include "cli/input.h"
#include "command/command_result.h"
#include "command/settings.h"
#include "grid/grid.h"
#include "grid/grid_designs.h"
#include "grid/text_to_integer.h"
#include "import/import.h"
#include "layout/commands.h"
#include "export/export_job.h"
#include "port/replace_file.h"
#include "print/page_setup.h"

#ifndef PARVEX_HAS_PRINT
#error "PARVEX_HAS_PRINT comes from parvex_cli_lib's compile definitions"
#endif
#if PARVEX_HAS_PRINT
#include <QGuiApplication>

#endif

#ifndef PARVEX_VERSION
#error "PARVEX_VERSION comes from parvex_core's compile definitions"
#endif

namespace parvex {
namespace {

constexpr std::string_view kProgram = "parvex-cli";

// What the command line asked for.
struct Options {
  Settings settings;
  std::string input = "-";
  std::optional<std::string> output;
  bool quiet = false;
  std::optional<std::string> pdf;
  std::optional<std::string> xlsx;
  std::optional<std::string> html;
  InputKind input_kind = InputKind::kAuto;
  bool auto_rows = false;  // rows per page from the page setup
  PageSetup page;
  bool print_outputs() const { return pdf.has_value() || xlsx.has_value(); }
  bool file_outputs() const { return print_outputs() || html.has_value(); }
  // The laid-out text is written unless only files were asked for.
  bool text_output() const { return !file_outputs() || output.has_value(); }
};

// "auto", in any case, for --rows.
bool IsAuto(std::string_view text) {
  return text.size() == 4 && std::equal(text.begin(), text.end(), "auto", [](char a, char b) {
           return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
         });
}

// A plain decimal number such as "12" or "7.5": no sign, exponent, hex or white space.
std::optional<double> ParseDecimal(std::string_view text) {
  if (text.empty() || text.size() > 32) return std::nullopt;
  int dots = 0;
  for (char c : text) {
    if (c == '.') {
      ++dots;
    } else if (c < '0' || c > '9') {
      return std::nullopt;
    }
  }
  if (dots > 1 || text == ".") return std::nullopt;
  const std::string copy(text);
  return std::strtod(copy.c_str(), nullptr);
}

// TOP,RIGHT,BOTTOM,LEFT in millimetres.
std::optional<MarginsMm> ParseMargins(std::string_view text) {
  double values[4] = {};
  for (int i = 0; i < 4; ++i) {
    const size_t comma = text.find(',');
    if ((comma == std::string_view::npos) != (i == 3)) return std::nullopt;
    const std::optional<double> value = ParseDecimal(text.substr(0, comma));
    if (!value.has_value()) return std::nullopt;
    values[i] = *value;
    if (comma != std::string_view::npos) text.remove_prefix(comma + 1);
  }
  return MarginsMm{values[0], values[1], values[2], values[3]};
}

// An option value must be what a user could type into the edit box: an optional sign and
// decimal digits, nothing else. A long run of digits is fine; the box clamps it.
bool IsIntegerText(std::string_view text) {
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Errors must fit on one line, whatever a library or the core put into them.
std::string OneLine(std::string text) {
  std::replace_if(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// Turns CLI11's parse errors into our one line.
std::string DescribeParseError(const CLI::ParseError& e, const CLI::App& app) {
  const std::string what = OneLine(e.what());
  if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr) {
    // After "--" every argument is a FILE, so a second one there is unexpected, not unknown.
    bool after_separator = false;
    for (const std::string& extra : app.remaining()) {
      if (extra == "--") {
        after_separator = true;
        continue;
      }
      if (!after_separator && extra.size() > 1 && extra.front() == '-') return "unknown option '" + extra + "'";
      return "unexpected argument '" + extra + "' (only one FILE is read)";
    }
    return what;
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) != nullptr && what.find("missing") != std::string::npos) {
    return "option " + what.substr(0, what.find(':')) + " needs a value";
  }
  return what;
}

struct ParseOutcome {
  std::optional<int> exit_status;  // set when the run ends here (help, version, usage error)
  Options options;
};

ParseOutcome ParseCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  ParseOutcome outcome;
  Options& options = outcome.options;
  Settings& settings = options.settings;

  CLI::App app("Lays a long, narrow table out in column groups side by side, pages of R rows, "
               "the title row over every group. Reads tab-separated text as a spreadsheet "
               "copies it and writes the laid-out text to paste back.",
               std::string(kProgram));
  app.set_help_flag("-h,--help", "Print this help and exit");
  // A file name such as /tmp/table.txt is a FILE, never the option "tmp/table.txt".
  app.allow_windows_style_options(false);
  bool version = false;
  app.add_flag("--version", version, "Print the version and exit");

  std::string groups = settings.group_count;
  std::string rows = settings.rows_per_page;
  std::string key = settings.key_column;
  std::string width = settings.column_width;
  bool no_key = false;
  bool no_pad = false;
  bool no_title = false;
  std::string output;
  std::string pdf;
  std::string xlsx;
  std::string html;
  std::string input_kind = "auto";
  std::string paper = std::string(PaperName(options.page.paper));
  bool landscape = false;
  std::string margins;
  std::string font_size;
  std::string header;
  bool balance = true;

  auto take_last = [](CLI::Option* option) {
    // Given twice, the later value counts, so a script can override a default it was handed.
    return option->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  };
  CLI::Option* groups_option =
      take_last(app.add_option("-n,--groups", groups,
                               "Column groups side by side (0 or less: 1); auto: as many as fit the printed "
                               "page's width at the columns' printed widths"))
          ->type_name("N")
          ->capture_default_str();
  CLI::Option* rows_option =
      take_last(app.add_option("-r,--rows", rows,
                               "Data rows per page (below 2: 46); auto: as many as fit the printed page "
                               "(the default with --pdf or --xlsx)"))
          ->type_name("R")
          ->capture_default_str();
  CLI::Option* key_option =
      take_last(app.add_option("-k,--key", key,
                               "Start a new page when column K (the first is 1) changes value; 0: never"))
          ->type_name("K")
          ->capture_default_str();
  CLI::Option* no_key_option = app.add_flag("--no-key", no_key, "Never start a page on a change of value");
  key_option->excludes(no_key_option);
  app.add_flag("--no-pad", no_pad, "Do not fill a page cut short by a change of value with empty rows");
  app.add_flag("--no-title", no_title, "The first row is data, not a title row");
  CLI::Option* width_option =
      take_last(app.add_option("-w,--width", width, "Column width in pixels of the laid-out grid"))
          ->type_name("W")
          ->capture_default_str();
  take_last(app.add_option("-o,--output", output, "Write the result to FILE (replaced only on success) "
                                                  "instead of standard output (-: standard output)"))
      ->type_name("FILE");
  app.add_flag("-q,--quiet", options.quiet, "Do not print the closing message on standard error");
  take_last(app.add_option("--pdf", pdf, "Write the pages as a PDF to FILE instead of the text"))->type_name("FILE");
  take_last(app.add_option("--xlsx", xlsx,
                           "Write the layout as a workbook with its page setup done to FILE instead of the text"))
      ->type_name("FILE");
  take_last(app.add_option("--html", html,
                           "Write the layout as an HTML table, every cell marked as text, to FILE instead of "
                           "the text (the clipboard's second flavour)"))
      ->type_name("FILE");
  take_last(app.add_option("--input", input_kind,
                           "Read FILE as an HTML table (html), as table text (text), or as whichever it "
                           "holds (auto: HTML when it begins as an HTML document and holds a table)"))
      ->type_name("html|text|auto")
      ->capture_default_str();
  take_last(app.add_option("--paper", paper, "Paper of the printed page: A4, A3, A5, B5, Letter or Legal"))
      ->type_name("NAME")
      ->capture_default_str();
  app.add_flag("--landscape", landscape, "Print across the long side of the paper");
  take_last(app.add_option("--margins", margins, "Page margins in millimetres (default 15,15,15,15)"))
      ->type_name("TOP,RIGHT,BOTTOM,LEFT");
  take_last(app.add_option("--font-size", font_size, "Type size of the printed cells in points (default 10)"))
      ->type_name("PT");
  take_last(app.add_option("--header", header, "Print TEXT over the table on every page of the PDF and the workbook"))
      ->type_name("TEXT");
  app.add_flag("--balance,!--no-balance", balance,
               "Spread every page that ends before it is full (the last, and one cut short by a change of "
               "value) evenly over its groups in the PDF and the workbook (the default); --no-balance: fill "
               "group 0 first");
  app.add_option("FILE", options.input, "Table text to read; - or none: standard input")->type_name("");
  app.footer("Exit status: 0 on success, 2 on bad usage, unreadable input or a refused layout.");

  std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them last first
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    const std::string help = app.help();
    out << help;
    if (help.empty() || help.back() != '\n') out << '\n';
    outcome.exit_status = kExitOk;
    return outcome;
  } catch (const CLI::ParseError& e) {
    err << kProgram << ": " << DescribeParseError(e, app) << '\n';
    outcome.exit_status = kExitFailure;
    return outcome;
  }
  if (version) {
    out << "Parvex " << PARVEX_VERSION << '\n';
    outcome.exit_status = kExitOk;
    return outcome;
  }

  // Each value goes through what the edit box does when it loses the focus; the command then
  // reads the box's text as the window's command does.
  const std::pair<CLI::Option*, std::pair<const std::string*, std::string*>> values[] = {
      {groups_option, {&groups, &settings.group_count}},
      {rows_option, {&rows, &settings.rows_per_page}},
      {key_option, {&key, &settings.key_column}},
      {width_option, {&width, &settings.column_width}},
  };
  if (rows_option->count() > 0 && IsAuto(rows)) {
    options.auto_rows = true;
  }
  if (groups_option->count() > 0 && IsAuto(groups)) options.page.auto_groups = true;
  for (const auto& [option, texts] : values) {
    if (option->count() == 0 || (option == rows_option && options.auto_rows) ||
        (option == groups_option && options.page.auto_groups)) {
      continue;
    }
    if (!IsIntegerText(*texts.first)) {
      err << kProgram << ": invalid value '" << OneLine(*texts.first) << "' for " << option->get_name()
          << ": not an integer\n";
      outcome.exit_status = kExitFailure;
      return outcome;
    }
    *texts.second = NormalizeEditBoxText(*texts.first);
  }
  if (no_key) settings.break_by_key = false;
  if (key_option->count() > 0) settings.break_by_key = true;
  if (no_pad) settings.pad_short_pages = false;
  if (no_title) settings.has_title_row = false;
  if (app.count("--output") > 0) {
    if (output.empty()) {
      err << kProgram << ": option --output needs a file name\n";
      outcome.exit_status = kExitFailure;
      return outcome;
    }
    // "-o -" names standard output, as FILE "-" names standard input.
    if (output != "-") options.output = output;
  }

  const std::pair<const char*, std::pair<const std::string*, std::optional<std::string>*>> files[] = {
      {"--pdf", {&pdf, &options.pdf}}, {"--xlsx", {&xlsx, &options.xlsx}}, {"--html", {&html, &options.html}}};
  for (const auto& [name, texts] : files) {
    if (app.count(name) == 0) continue;
    if (texts.first->empty() || *texts.first == "-") {
      err << kProgram << ": option " << name << " needs a file name\n";
      outcome.exit_status = kExitFailure;
      return outcome;
    }
    *texts.second = *texts.first;
  }
  if (options.print_outputs() && rows_option->count() == 0) options.auto_rows = true;
  if (!PARVEX_HAS_PRINT) {
    const char* missing = options.pdf.has_value()    ? "--pdf: this build has no PDF output"
                          : options.xlsx.has_value() ? "--xlsx: this build has no .xlsx output"
                          : options.auto_rows        ? "--rows auto: this build has no page layout to fit"
                          : options.page.auto_groups ? "--groups auto: this build has no page layout to fit"
                                                     : nullptr;
    if (missing != nullptr) {
      err << kProgram << ": " << missing << '\n';
      outcome.exit_status = kExitFailure;
      return outcome;
    }
  }

  auto usage_error = [&](const std::string& message) {
    err << kProgram << ": " << OneLine(message) << '\n';
    outcome.exit_status = kExitFailure;
    return outcome;
  };
  if (input_kind == "html") {
    options.input_kind = InputKind::kHtml;
  } else if (input_kind == "text") {
    options.input_kind = InputKind::kText;
  } else if (input_kind != "auto") {
    return usage_error("invalid value '" + input_kind + "' for --input: not one of html, text, auto");
  }
  const std::optional<Paper> paper_value = PaperFromName(paper);
  if (!paper_value.has_value()) {
    return usage_error("invalid value '" + paper + "' for --paper: not one of A4, A3, A5, B5, Letter, Legal");
  }
  options.page.paper = *paper_value;
  if (landscape) options.page.orientation = Orientation::kLandscape;
  if (app.count("--margins") > 0) {
    const std::optional<MarginsMm> value = ParseMargins(margins);
    if (!value.has_value()) {
      return usage_error("invalid value '" + margins +
                         "' for --margins: not four lengths in millimetres, TOP,RIGHT,BOTTOM,LEFT");
    }
    options.page.margins = *value;
  }
  if (app.count("--font-size") > 0) {
    const std::optional<double> value = ParseDecimal(font_size);
    if (!value.has_value()) return usage_error("invalid value '" + font_size + "' for --font-size: not a number");
    options.page.font_size_pt = *value;
  }
  options.page.header = header;
  options.page.balance_pages = balance;
  if (Status s = ValidatePageSetup(options.page); !s.ok()) return usage_error(s.message());
  return outcome;
}

#if PARVEX_HAS_PRINT
// Qt's own warnings are not for our standard error: a run writes one line there or none.
void DropQtMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

// A Qt application for drawing the PDF, on the offscreen platform: no display is needed, and a
// run that writes no PDF never starts Qt.
class OffscreenGui {
 public:
  OffscreenGui() {
    if (QCoreApplication::instance() != nullptr) return;
    previous_handler_ = qInstallMessageHandler(DropQtMessage);
    installed_handler_ = true;
    // Qt takes the options it reads out of argv: give it them afresh for every run.
    argc_ = 3;
    argv_[0] = program_;
    argv_[1] = platform_option_;
    argv_[2] = platform_;
    argv_[3] = nullptr;
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
  }
  ~OffscreenGui() {
    app_.reset();
    if (installed_handler_) qInstallMessageHandler(previous_handler_);
  }
  OffscreenGui(const OffscreenGui&) = delete;
  OffscreenGui& operator=(const OffscreenGui&) = delete;

 private:
  // QCoreApplication keeps these for its lifetime.
  static inline char program_[] = "parvex-cli";
  static inline char platform_option_[] = "-platform";
  static inline char platform_[] = "offscreen";
  static inline char* argv_[] = {program_, platform_option_, platform_, nullptr};
  static inline int argc_ = 3;
  std::unique_ptr<QGuiApplication> app_;
  QtMessageHandler previous_handler_ = nullptr;
  bool installed_handler_ = false;
};
#endif  // PARVEX_HAS_PRINT

Status ReadInput(const Options& options, std::istream& in, TextBuffer* input) {
  TextBuffer text;
  if (options.input == "-") {
    std::string bytes;
    if (Status s = ReadStream(in, &bytes); !s.ok()) return s;
    text = TextBuffer(std::move(bytes));
  } else {
    // A file that is also an output is read, not mapped: Windows does not replace a file that
    // is mapped, and the mapping would outlive the replacement.
    bool is_output = false;
    for (const std::optional<std::string>* output : {&options.output, &options.html, &options.pdf, &options.xlsx}) {
      is_output = is_output || (output->has_value() && port::SameFile(**output, options.input));
    }
    if (is_output) {
      std::string bytes;
      if (Status s = ReadFile(options.input, &bytes); !s.ok()) return s;
      text = TextBuffer(std::move(bytes));
    } else if (Status s = MapFile(options.input, &text); !s.ok()) {
      return s;
    }
  }
  if (const size_t offset = FindNul({text.data(), text.size()}); offset != std::string_view::npos) {
    return Status::Failed("input holds a NUL byte at offset " + std::to_string(offset) + ": not a table text");
  }
  *input = std::move(text);
  return {};
}

// The export the command line asks for: the layout options as the edit boxes would give them,
// and a target for each output.
ExportRequest RequestOf(const Options& options) {
  ExportRequest request;
  request.layout = LayoutOptionsFrom(options.settings);
  request.auto_rows = options.auto_rows;
  request.page = options.page;
  if (options.text_output()) request.targets.push_back({ExportFormat::kText, options.output.value_or("")});
  if (options.html.has_value()) request.targets.push_back({ExportFormat::kHtml, *options.html});
  if (options.xlsx.has_value()) request.targets.push_back({ExportFormat::kXlsx, *options.xlsx});
  if (options.pdf.has_value()) request.targets.push_back({ExportFormat::kPdf, *options.pdf});
  return request;
}

// Says on `err`, in one line, why the run failed: exit status 2.
int Failed(std::ostream& err, const std::string& message) {
  err << kProgram << ": " << message << '\n';
  err.flush();
  return kExitFailure;
}

// Runs the command line; throws only when memory runs out.
int RunOrThrow(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
  ParseOutcome parsed = ParseCommandLine(args, out, err);
  if (parsed.exit_status.has_value()) return *parsed.exit_status;
  const Options& options = parsed.options;

  TextBuffer input;
  if (Status s = ReadInput(options, in, &input); !s.ok()) return Failed(err, s.message());
  Grid source(SourceGridDesign());
  const CommandResult imported = ImportInput(source, options.settings, std::move(input), options.input_kind);
  if (!imported.status.ok()) return Failed(err, OneLine(imported.status.message()));

  const ExportRequest request = RequestOf(options);
#if PARVEX_HAS_PRINT
  // Planning for the page and the print outputs measure texts in the print font: only they
  // start Qt.
  std::optional<OffscreenGui> gui;
  if (request.NeedsPrintFont()) gui.emplace();
#endif
  ExportReport report;
  if (Status s = RunExport(source, request, out, &report); !s.ok()) return Failed(err, OneLine(s.message()));
  if (options.quiet) return kExitOk;
  if (!report.layout_message.empty()) err << report.layout_message << '\n';
  if (!report.print_summary.empty()) {
    err << report.print_summary;
    // Smaller type than this is hard to read on paper: say so, with the ways to larger type.
    if (report.printed_type_size < kSmallestReadableTypePt) {
      err << "；字号小于 " << kSmallestReadableTypePt
          << " pt，打印出来难以阅读：可用 --landscape（横向）、减少栏数（-n）、--groups auto 或更大的纸张（--paper A3）";
    }
    err << '\n';
  }
  return kExitOk;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
  try {
    return RunOrThrow(args, in, out, err);
  } catch (const std::bad_alloc&) {
    return Failed(err, "out of memory");
  } catch (const std::exception& e) {
    return Failed(err, OneLine(e.what()));
  }
}

}  // namespace parvex
