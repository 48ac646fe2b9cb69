#include "cli/cli.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <string_view>
#include <utility>

#include "cli/input.h"
#include "cli/output_file.h"
#include "cli/stream_clipboard.h"
#include "grid/command.h"
#include "grid/grid.h"
#include "grid/text_to_integer.h"
#include "import/import.h"
#include "layout/commands.h"
#include "layout/split_into_columns.h"

#ifndef PARVEX_VERSION
#error "PARVEX_VERSION comes from parvex_core's compile definitions"
#endif

namespace parvex {
namespace {

constexpr std::string_view kProgram = "parvex-cli";

// Why a run stops: one line for standard error.
struct Failure {
  std::string message;
};

// What the command line asked for.
struct Options {
  Settings settings;
  std::string input = "-";
  std::optional<std::string> output;
  bool quiet = false;
};

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

  auto take_last = [](CLI::Option* option) {
    // Given twice, the later value counts, so a script can override a default it was handed.
    return option->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  };
  CLI::Option* groups_option =
      take_last(app.add_option("-n,--groups", groups, "Column groups side by side (0 or less: 1)"))
          ->type_name("N")
          ->capture_default_str();
  CLI::Option* rows_option =
      take_last(app.add_option("-r,--rows", rows, "Data rows per page (below 2: 46)"))
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
  for (const auto& [option, texts] : values) {
    if (option->count() == 0) continue;
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
  return outcome;
}

void ReadInput(const Options& options, std::istream& in, std::string* text) {
  std::string error;
  const bool ok = options.input == "-" ? ReadStream(in, text, &error) : ReadFile(options.input, text, &error);
  if (!ok) throw Failure{error};
  if (const void* nul = std::memchr(text->data(), '\0', text->size()); nul != nullptr) {
    const auto offset = static_cast<const char*>(nul) - text->data();
    throw Failure{"input holds a NUL byte at offset " + std::to_string(offset) + ": not a table text"};
  }
}

int RunOrThrow(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
  ParseOutcome parsed = ParseCommandLine(args, out, err);
  if (parsed.exit_status.has_value()) return *parsed.exit_status;
  const Options& options = parsed.options;

  std::string text;
  ReadInput(options, in, &text);

  Grid source(SourceGridDesign());
  const CommandResult imported = ImportText(source, options.settings, std::move(text));
  if (!imported.ok) throw Failure{OneLine(imported.message)};

  ReplacementFile file;
  if (options.output.has_value()) {
    std::string error;
    if (!file.Open(*options.output, &error)) throw Failure{error};
  }
  std::ostream& sink = options.output.has_value() ? file.stream() : out;
  StreamClipboard clipboard(sink);
  Grid result(ResultGridDesign());
  const CommandResult processed = OnPreprocess(source, result, options.settings, clipboard);
  if (clipboard.failed()) {
    throw Failure{"cannot write " +
                  (options.output.has_value() ? "'" + *options.output + "'" : std::string("standard output")) +
                  ": " + clipboard.error()};
  }
  if (!processed.ok) throw Failure{OneLine(processed.message)};
  if (options.output.has_value()) {
    std::string error;
    if (!file.Commit(&error)) throw Failure{error};
  }
  if (!options.quiet && !processed.message.empty()) err << processed.message << '\n';
  return kExitOk;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
  try {
    return RunOrThrow(args, in, out, err);
  } catch (const Failure& failure) {
    err << kProgram << ": " << failure.message << '\n';
  } catch (const std::bad_alloc&) {
    err << kProgram << ": out of memory\n";
  } catch (const std::exception& e) {
    err << kProgram << ": " << OneLine(e.what()) << '\n';
  }
  err.flush();
  return kExitFailure;
}

}  // namespace parvex
