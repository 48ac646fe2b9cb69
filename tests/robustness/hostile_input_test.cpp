// Input nobody planned for: NUL bytes, invalid UTF-8, quotes that never close, lone CRs, settings
// at every edge of their range, layouts too large to hold. Each gets a clear result, never a
// crash or a hang.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "cli/cli.h"
#include "command/command_result.h"
#include "command/settings.h"
#include "grid/clipboard.h"
#include "grid/grid.h"
#include "grid/grid_designs.h"
#include "grid/text_to_integer.h"
#include "import/import.h"
#include "layout/commands.h"
#include "layout/split_into_columns.h"
#include "robustness/reference_layout.h"
#include "robustness/table_gen.h"
#include "support/cli_run.h"
#include "support/grid_helpers.h"
#include "support/memory_clipboard.h"

namespace parvex {
namespace {

using test_support::Cells;
using test_support::CellsOf;

using test_support::CliRun;
using test_support::RunCli;

// A failed run: exit status 2, nothing on standard output, exactly one line on standard error.
void ExpectRefusedOnOneLine(const CliRun& run, const std::string& needle) {
  EXPECT_EQ(run.status, kExitFailure);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_TRUE(!run.err.empty() && run.err.back() == '\n') << run.err;
  EXPECT_NE(run.err.find(needle), std::string::npos) << run.err;
}

Cells Imported(const std::string& text) {
  Grid source(SourceGridDesign());
  const CommandResult result = ImportText(source, Settings{}, text);
  EXPECT_TRUE(result.status.ok()) << result.status.message();
  return CellsOf(source);
}

TEST(HostileCliInputTest, NulBytesAreRefusedOnOneLine) {
  const std::string inputs[] = {
      std::string("\0", 1),
      std::string("a\0b\tc\r\n", 7),
      std::string("Name\tClass\r\nAnn\tA\r\n\0", 20),
      std::string("\0\0\0\0", 4) + std::string(100000, 'x'),
  };
  for (const std::string& input : inputs) {
    SCOPED_TRACE(input.size());
    ExpectRefusedOnOneLine(RunCli({}, input), "NUL");
    ExpectRefusedOnOneLine(RunCli({"-q", "-n", "1"}, input), "NUL");
  }
}

// In one group of 46 rows a table of a few rows comes out as it went in, LF-separated, so the
// bytes can be compared whole.
TEST(HostileCliInputTest, InvalidUtf8AndGbkPassThroughByteForByte) {
  const std::string inputs[] = {
      "\xff\xfe\tx\n\xc3\t\xe4\xb8",                         // bare bytes, a cut-off sequence
      "\xc0\xaf\tover\n\xed\xa0\x80\tsurrogate\n\xf8\x88\x80\x80\x80\tfive",  // overlong, surrogate, 5-byte
      "\xd0\xd5\xc3\xfb\t\xb0\xe0\xbc\xb6\n\xd5\xc5\xc8\xfd\t\xd2\xbb\xb0\xe0",  // GBK
      "\xe5\xa7\x93\xe5\x90\x8d\t\xa3\xb1\n\x80\x80\x80\t\xef\xbb\xbf",          // UTF-8, GBK digit, lone continuations, BOM
  };
  for (const std::string& input : inputs) {
    SCOPED_TRACE(input);
    const CliRun run = RunCli({"-q", "-n", "1", "--no-key"}, input);
    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.out, input);
  }
}

struct CellsCase {
  const char* name;
  std::string text;
  Cells cells;
};

TEST(HostileImportTest, QuotesThatNeverCloseAreTakenLiterally) {
  const CellsCase cases[] = {
      {"open quote to the end", "\"abc\tdef\r\nghi", {{"\"abc", "def"}, {"ghi", ""}}},
      {"a lone quote", "\"", {{"\""}}},
      {"three quotes", "\"\"\"", {{"\"\"\""}}},
      {"quote followed by text", "\"a\"b\tc", {{"\"a\"b", "c"}}},
      {"open quotes on every line", "x\t\"open\n\"also\n", {{"x", "\"open"}, {"\"also", ""}}},
      {"closing quote followed by a space", "\"a\" \tb", {{"\"a\"", "b"}}},
      {"a quote closing on a later line keeps the line break", "\"a\nb\"\tc", {{"a\nb", "c"}}},
  };
  for (const CellsCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Imported(c.text), c.cells);
  }
}

// A reading that searched from every open quote to the end of the text would take quadratic time
// on these; they must stay linear (a hang shows as the test's timeout).
TEST(HostileImportTest, ManyUnclosedQuotesReadInOnePass) {
  std::string fields;
  for (int k = 0; k < 200000; ++k) fields += "\"a\t";
  const Cells one_line = Imported(fields);
  ASSERT_EQ(one_line.size(), 1u);
  ASSERT_EQ(one_line[0].size(), 200000u);
  EXPECT_EQ(one_line[0][199999], "\"a");

  std::string lines;
  for (int k = 0; k < 200000; ++k) lines += "\"q\tw\"x\n";
  const Cells many = Imported(lines);
  ASSERT_EQ(many.size(), 200000u);
  EXPECT_EQ(many[123456], (std::vector<std::string>{"\"q", "w\"x"}));

  // Every other quote closes the one before it: "<TAB>" cells, trimmed to nothing.
  std::string pairs;
  for (int k = 0; k < 100000; ++k) pairs += "\"\t";
  const Cells paired = Imported(pairs);
  ASSERT_EQ(paired.size(), 1u);
  EXPECT_EQ(paired[0].size(), 50000u);
  EXPECT_TRUE(std::all_of(paired[0].begin(), paired[0].end(), [](const std::string& s) { return s.empty(); }));
}

TEST(HostileImportTest, CrWithoutLfIsCellContent) {
  const CellsCase cases[] = {
      {"CR inside a cell", "a\rb\tc", {{"a\rb", "c"}}},
      {"a lone CR", "\r", {{""}}},
      {"CRs only", "\r\r\r", {{""}}},
      {"CRs before the LF are trimmed", "a\r\r\nb", {{"a"}, {"b"}}},
      {"old Mac line ends make one row", "a\tb\rc\td\r", {{"a", "b\rc", "d"}}},
  };
  for (const CellsCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Imported(c.text), c.cells);
  }
  // The export quotes a cell holding a CR, so a spreadsheet pastes it back whole.
  const CliRun run = RunCli({"-q", "-n", "1", "--no-key"}, "x\ry\tz\r");
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, "\"x\ry\"\tz");
}

TEST(HostileImportTest, NulBytesInTheCoreAreOrdinaryBytes) {
  const std::string text("a\0b\t\0\r\n", 7);
  EXPECT_EQ(Imported(text), (Cells{{std::string("a\0b", 3), std::string("\0", 1)}}));
}

// --groups, --rows and --key at every edge: the run succeeds and lays the table out as the edit
// boxes would read the values (clamped to -32768..32767, then N < 1 -> 1, R < 2 -> 46, K outside
// the columns -> no breaks).
TEST(HostileCliSettingsTest, EveryEdgeOfNRAndKLaysOut) {
  const char* const kValues[] = {"-32768", "-1", "0", "1", "2", "32767", "99999999999", "-99999999999"};
  const test_support::Table table = {{"Name", "Class"}, {"Ann", "A"}, {"Ben", "A"}, {"Cai", "B"},
                                {"Dan", "B"},      {"Eva", "C"}, {"", "C"}};
  const std::string input = test_support::TableToText(table, "\r\n", true);
  auto clamp = [](const char* v) { return TextToInteger(NormalizeEditBoxText(v)); };
  struct Combo {
    const char* n;
    const char* r;
    const char* k;
  };
  std::vector<Combo> combos;
  for (const char* v : kValues) {
    combos.push_back({v, "3", "2"});
    combos.push_back({"2", v, "2"});
    combos.push_back({"2", "3", v});
  }
  combos.push_back({"-32768", "-32768", "-32768"});
  combos.push_back({"32767", "32767", "32767"});
  combos.push_back({"99999999999", "2", "1"});
  for (const Combo& c : combos) {
    SCOPED_TRACE(std::string("-n ") + c.n + " -r " + c.r + " -k " + c.k);
    const CliRun run = RunCli({"-q", "-n", c.n, "-r", c.r, "-k", c.k, "-w", c.n}, input);
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.err, "");
    const auto read = test_support::ReadExport(run.out);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, reference::Lay(table, 2, reference::Normalised(clamp(c.n), clamp(c.r), clamp(c.k), true, true, true)));
  }
}

TEST(HostileCliSettingsTest, ValuesThatAreNotIntegersAreUsageErrors) {
  const char* const kValues[] = {"", "1e3", "0x10", "--", "+", "\xef\xbc\x93", " 4", "4 ", "NaN"};
  for (const char* option : {"-n", "-r", "-k", "-w"}) {
    for (const char* v : kValues) {
      SCOPED_TRACE(std::string(option) + " '" + v + "'");
      const CliRun run = RunCli({option, v}, "a\tb\r\n");
      EXPECT_EQ(run.status, kExitFailure);
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
  }
}

// A layout too large to hold is refused with the limit and what to change; both grids and the
// clipboard keep what they held.
TEST(HostileLayoutTest, TooWideLayoutIsRefusedAndChangesNothing) {
  struct RefusalCase {
    const char* name;
    int cols;
    const char* groups;
    const char* needle;
  };
  const RefusalCase cases[] = {
      {"past the column limit", 3000, "32767", "column"},
      {"past int32", 2, "2147483647", "int32"},
      {"past int32 with one column", 1, "99999999999", "int32"},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string title;
    for (int j = 0; j < c.cols; ++j) title += (j > 0 ? "\t" : "") + std::string("t");
    Grid source(SourceGridDesign());
    ASSERT_TRUE(ImportText(source, Settings{}, title + "\r\nx\r\n").status.ok());
    Grid result(ResultGridDesign());
    result.SetCellText(0, 0, std::string_view("kept"));
    test_support::MemoryClipboard clipboard(std::string("on the clipboard"));
    Settings settings;
    settings.group_count = c.groups;
    const Cells before = CellsOf(source);
    const CommandResult outcome = OnPreprocess(source, result, settings, clipboard);
    EXPECT_FALSE(outcome.status.ok());
    EXPECT_NE(outcome.status.message().find(c.needle), std::string::npos) << outcome.status.message();
    EXPECT_NE(outcome.status.message().find("fewer column groups"), std::string::npos) << outcome.status.message();
    EXPECT_EQ(outcome.status.message().find('\n'), std::string::npos);
    EXPECT_EQ(CellsOf(source), before);
    EXPECT_EQ(CellsOf(result), (Cells{{"kept"}}));
    EXPECT_EQ(clipboard.text(), "on the clipboard");
    EXPECT_EQ(clipboard.write_count(), 0);
  }
  // Through the command line: exit 2, one line, nothing on standard output.
  std::string wide;
  for (int j = 0; j < 3000; ++j) wide += "c\t";
  ExpectRefusedOnOneLine(RunCli({"-n", "32767"}, wide + "z\r\n"), "layout refused");
}

// A key that changes on every row pads every page to R rows: 4,200 rows of 8 KB become 137
// million rows at R = 32767, past the row limit. The refusal must point the way out: fewer rows
// per page or no padding, since more rows per page only pads more.
TEST(HostileLayoutTest, TooManyPaddedRowsIsRefusedWithAdviceThatHelps) {
  std::string text = "key\n";
  for (int r = 0; r < 4200; ++r) text += r % 2 == 0 ? "a\n" : "b\n";
  Grid source(SourceGridDesign());
  ASSERT_TRUE(ImportText(source, Settings{}, text).status.ok());
  Grid result(ResultGridDesign());
  result.SetCellText(0, 0, std::string_view("kept"));
  test_support::MemoryClipboard clipboard(std::string("on the clipboard"));
  Settings settings;
  settings.group_count = "1";
  settings.rows_per_page = "32767";
  settings.key_column = "1";
  const CommandResult outcome = OnPreprocess(source, result, settings, clipboard);
  ASSERT_FALSE(outcome.status.ok());
  EXPECT_NE(outcome.status.message().find(std::to_string(kMaxRows)), std::string::npos) << outcome.status.message();
  EXPECT_EQ(outcome.status.message().find("more rows per page"), std::string::npos) << outcome.status.message();
  EXPECT_NE(outcome.status.message().find("padding"), std::string::npos) << outcome.status.message();
  EXPECT_EQ(CellsOf(result), (Cells{{"kept"}}));
  EXPECT_EQ(clipboard.text(), "on the clipboard");
}

// Nine rows of 18 bytes, 32767 groups and pages padded to 32767 rows on every change of key: the
// grid stores only the cells holding text, but the export writes every row out with a TAB
// between neighbouring columns, 17 GB in all: more than a spreadsheet takes, more than the
// import can read back (4 GiB), more than the window's clipboard can gather. It must be
// refused, with the limit, like any layout too large to hold.
TEST(HostileLayoutTest, LayoutWhoseTextCannotBeReadBackIsRefused) {
  Grid source(SourceGridDesign());
  ASSERT_TRUE(ImportText(source, Settings{}, "k\na\nb\na\nb\na\nb\na\nb\n").status.ok());
  LayoutOptions options;
  options.groups = 32767;
  options.rows_per_page = 32767;
  options.key_column = 1;
  options.pad_short_pages = true;
  Grid result(ResultGridDesign());
  const Status laid = SplitIntoColumns(source, result, options);
  if (laid.ok()) {
    const auto rows = static_cast<uint64_t>(result.RowCount());
    const uint64_t least_bytes = rows * static_cast<uint64_t>(result.ColCount() - 1) + rows - 1;
    ADD_FAILURE() << "accepted a layout of " << result.RowCount() << " x " << result.ColCount()
                  << " whose text takes at least " << least_bytes << " bytes";
  } else {
    EXPECT_NE(laid.message().find("limit"), std::string::npos) << laid.message();
    EXPECT_EQ(result.RowCount(), 1);
  }
}

// 32767 groups of a small table are ordinary work, not a refusal.
TEST(HostileLayoutTest, MostGroupsOfASmallTableLayOut) {
  test_support::TableGenerator gen(5);
  const test_support::Table table = gen.Make(11, 6, 10, true);
  const CliRun run = RunCli({"-q", "-n", "32767", "--no-key"}, test_support::TableToText(table, "\r\n", true));
  ASSERT_EQ(run.status, kExitOk) << run.err;
  const auto read = test_support::ReadExport(run.out);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(*read, reference::Lay(table, 6, reference::Normalised(32767, 46, 0, false, true, true)));
}

// A clipboard that runs out of memory while the export writes to it, as the system clipboard does
// when a layout's text is too large to gather.
class OutOfMemoryClipboard : public Clipboard {
 public:
  std::optional<std::string> ReadText() override { return std::string("held before"); }
  bool Write(const ProduceText& text, const ProduceText& html, const ProduceText& sylk) override {
    class Sink : public TextSink {
     public:
      void Append(std::string_view) override { throw std::bad_alloc(); }
    } sink;
    text(sink);
    if (html) html(sink);
    if (sylk) sylk(sink);
    return true;
  }
};

// Running out of memory in the export is reported to the caller (which tells the user), never an
// abort of the whole program. The exception must not meet a destructor that writes again.
TEST(HostileExportTest, ExportRunningOutOfMemoryDoesNotAbort) {
  const std::string texts[] = {"a\tb\r\nc\td\r\n", std::string(3u << 20, 'x')};
  for (const std::string& text : texts) {
    SCOPED_TRACE(text.size());
    Grid source(SourceGridDesign());
    ASSERT_TRUE(ImportText(source, Settings{}, text).status.ok());
    Grid result(ResultGridDesign());
    OutOfMemoryClipboard clipboard;
    bool reported = false;
    try {
      reported = !OnPreprocess(source, result, Settings{}, clipboard).status.ok();
    } catch (const std::bad_alloc&) {
      reported = true;
    }
    EXPECT_TRUE(reported);
  }
}

}  // namespace
}  // namespace parvex
