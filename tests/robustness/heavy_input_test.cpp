// Inputs at the sizes people paste by accident: a 50 MB line, 100,000 columns, 10,000,000 empty
// lines. Each runs parvex-cli in-process and checks the whole answer. Label "heavy"; a sanitizer
// build skips them (they take seconds in a release build, minutes under the sanitizers).
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "command/command_result.h"
#include "command/settings.h"
#include "grid/grid.h"
#include "grid/grid_designs.h"
#include "import/import.h"
#include "layout/split_into_columns.h"
#include "support/cli_run.h"
#include "support/same_bytes.h"
#include "support/table_text_reference.h"

namespace parvex {
namespace {

using test_support::CliRun;
using test_support::RunCli;
using test_support::SameBytes;

#ifdef PARVEX_SANITIZED
#define SKIP_UNDER_SANITIZERS() GTEST_SKIP() << "too slow under the sanitizers"
#else
#define SKIP_UNDER_SANITIZERS() (void)0
#endif

TEST(HeavyInputTest, FiftyMegabyteLineIsOneCell) {
  SKIP_UNDER_SANITIZERS();
  std::string line(50u << 20, 'x');
  for (size_t k = 0; k < line.size(); k += 4099) line[k] = static_cast<char>('\xe5' + k % 3);  // not all ASCII
  // A title row only: one group gives it back as it came.
  const CliRun one = RunCli({"-q", "-n", "1"}, line + "\r\n");
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_TRUE(SameBytes(one.out, line));
  // Two groups: the title over both, the separator empty between them.
  const CliRun two = RunCli({"-q", "-n", "2"}, line);
  ASSERT_EQ(two.status, 0) << two.err;
  ASSERT_EQ(two.out.size(), 2 * line.size() + 2);
  EXPECT_TRUE(SameBytes(std::string_view(two.out).substr(0, line.size()), line));
  EXPECT_EQ(two.out.substr(line.size(), 2), "\t\t");
  EXPECT_TRUE(SameBytes(std::string_view(two.out).substr(line.size() + 2), line));
}

// The same size cut into 17 million short cells: two groups fit, five pass the column limit and
// are refused with the limit and what to change.
TEST(HeavyInputTest, LineOfMillionsOfCells) {
  SKIP_UNDER_SANITIZERS();
  // Just narrow enough that two groups and their separator fit the column limit.
  constexpr size_t kCells = static_cast<size_t>(kMaxCols) / 2 - 1;
  std::string line;
  line.reserve(kCells * 3);
  for (size_t k = 0; k < kCells; ++k) line += "ab\t";
  const CliRun two = RunCli({"-q", "-n", "2"}, line);
  ASSERT_EQ(two.status, 0) << two.err;
  // Each group writes the line's cells; the TAB that ended the line opened no cell.
  const std::string cells = line.substr(0, line.size() - 1);
  ASSERT_EQ(two.out.size(), 2 * cells.size() + 2);
  EXPECT_TRUE(SameBytes(two.out, cells + "\t\t" + cells));

  const CliRun five = RunCli({"-q", "-n", "5"}, line);
  EXPECT_EQ(five.status, 2);
  EXPECT_EQ(five.out, "");
  EXPECT_NE(five.err.find("limit"), std::string::npos) << five.err;
  EXPECT_NE(five.err.find("fewer column groups"), std::string::npos) << five.err;

  // A 50 MB line of 17 million cells is wider than a grid holds: refused, with the limit named.
  std::string wide;
  wide.reserve(50u << 20);
  while (wide.size() + 3 <= (50u << 20)) wide += "ab\t";
  const CliRun refused = RunCli({"-q"}, wide);
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.out, "");
  EXPECT_NE(refused.err.find(std::to_string(kMaxCols)), std::string::npos) << refused.err;
}

// One column past the grid's column limit: the import is refused with the limit named, and the
// source grid keeps the table it held.
TEST(HeavyInputTest, ImportPastTheColumnLimitKeepsTheSourceGrid) {
  SKIP_UNDER_SANITIZERS();
  Grid source(SourceGridDesign());
  ASSERT_TRUE(ImportText(source, Settings{}, "Name\tClass\r\nAnn\tA\r\n").status.ok());
  std::string line(static_cast<size_t>(kMaxCols), '\t');
  line += 'x';
  const CommandResult refused = ImportText(source, Settings{}, std::move(line));
  EXPECT_FALSE(refused.status.ok());
  EXPECT_NE(refused.status.message().find(std::to_string(kMaxCols)), std::string::npos) << refused.status.message();
  EXPECT_EQ(refused.status.message().find('\n'), std::string::npos);
  ASSERT_EQ(source.RowCount(), 2);
  ASSERT_EQ(source.ColCount(), 2);
  EXPECT_EQ(source.CellView(1, 0), "Ann");
  EXPECT_EQ(source.CellView(1, 1), "A");
}

TEST(HeavyInputTest, HundredThousandColumns) {
  SKIP_UNDER_SANITIZERS();
  constexpr int kCols = 100000;
  std::string input;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < kCols; ++c) {
      if (c > 0) input += '\t';
      input += (r == 0 ? "t" : "d") + std::to_string(c % 1000);
    }
    input += "\r\n";
  }
  // Two groups, key column 3: the key never changes, so all three data rows fill group 0.
  const CliRun run = RunCli({"-q"}, input);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 3);
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\t'), 4 * (2 * kCols));
  std::istringstream lines(run.out);
  std::string line;
  for (int r = 0; std::getline(lines, line); ++r) {
    const std::string first = (r == 0 ? "t0\tt1\t" : "d0\td1\t");
    EXPECT_EQ(line.compare(0, first.size(), first), 0) << "row " << r;
    const std::string tail = r == 0 ? "\tt999" : std::string(static_cast<size_t>(kCols), '\t');
    EXPECT_EQ(line.compare(line.size() - tail.size(), tail.size(), tail), 0) << "row " << r;
  }
}

TEST(HeavyInputTest, TenMillionEmptyLines) {
  SKIP_UNDER_SANITIZERS();
  constexpr int64_t kLines = 10000000;
  const std::string input(static_cast<size_t>(kLines), '\n');
  // One column, key column 3 past it: plain pages of 2 groups x 46 rows.
  const CliRun run = RunCli({"-q"}, input);
  ASSERT_EQ(run.status, 0) << run.err;
  const int64_t data = kLines - 1;
  const int64_t per_page = 2 * 46;
  const int64_t pages = (data + per_page - 1) / per_page;
  const int64_t rows = 1 + (pages - 1) * 46 + std::min<int64_t>(46, data - (pages - 1) * per_page);
  // Every row is three empty cells: "\t\t", rows joined by LF.
  EXPECT_EQ(static_cast<int64_t>(run.out.size()), rows * 3 - 1);
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), rows - 1);
  EXPECT_EQ(run.out.find_first_not_of("\t\n"), std::string::npos);
}

// One line past the row limit, one cell past the column limit: the fast reading, the reading
// field by field and the reference refuse alike, naming the limit.
TEST(HeavyInputTest, ReadingsRefuseAtTheLimitsAlike) {
  SKIP_UNDER_SANITIZERS();
  struct Case { const char* name; std::string text; std::string error; };
  const Case cases[] = {
      {"rows", std::string(static_cast<size_t>(kMaxRows) + 1, '\n'), "more than 16777216 rows"},
      {"columns", std::string(static_cast<size_t>(kMaxCols), '\t') + "x", "16777217 columns exceed the limit of 16777216"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const test_support::TextTable want = test_support::ParseTableTextReference(c.text);
    EXPECT_FALSE(want.ok);
    EXPECT_EQ(want.error, c.error);
    for (const TableTextReading& reading : {TableTextReading{}, TableTextReading{false, false, 0}}) {
      std::string broken;
      const test_support::TextTable got = test_support::ReadWith(c.text, reading, &broken);
      EXPECT_TRUE(got == want) << test_support::Difference(got, want);
    }
  }
}

}  // namespace
}  // namespace parvex
