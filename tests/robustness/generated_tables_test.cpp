// Properties of the whole import -> layout -> export road, over a few hundred generated tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "command/command_result.h"
#include "command/settings.h"
#include "grid/clipboard.h"
#include "grid/grid.h"
#include "grid/grid_designs.h"
#include "import/import.h"
#include "layout/commands.h"
#include "layout/split_into_columns.h"
#include "robustness/reference_layout.h"
#include "robustness/table_gen.h"
#include "support/grid_helpers.h"
#include "support/memory_clipboard.h"

namespace parvex {
namespace {

using test_support::Table;
using test_support::TableGenerator;

struct Outcome {
  CommandResult result;
  Grid grid{ResultGridDesign()};
  std::string text;
};

// Imports `text` and runs the preprocess command on it with the given settings.
Outcome Process(const std::string& text, const Settings& settings) {
  Grid source(SourceGridDesign());
  EXPECT_TRUE(ImportText(source, settings, text).status.ok());
  Outcome outcome;
  test_support::MemoryClipboard clipboard;
  outcome.result = OnPreprocess(source, outcome.grid, settings, clipboard);
  outcome.text = clipboard.text().value_or("");
  return outcome;
}

Settings PlainSettings(int groups, int rows_per_page, bool has_title) {
  Settings settings;
  settings.group_count = std::to_string(groups);
  settings.rows_per_page = std::to_string(rows_per_page);
  settings.break_by_key = false;
  settings.has_title_row = has_title;
  return settings;
}

// Every row as wide as the widest, as the grid holds the table.
Table Rectangular(Table table, size_t cols) {
  for (auto& row : table) row.resize(cols);
  return table;
}

TEST(GeneratedTablesTest, PlainLayoutPlacesEveryCellOnceInOrder) {
  TableGenerator gen(20261208);
  for (int round = 0; round < 300; ++round) {
    const int cols = gen.Pick(1, 6);
    const int data = gen.Pick(0, 120);
    const int groups = gen.Pick(1, 5);
    const int rows_per_page = gen.Pick(2, 12);
    const bool has_title = data == 0 || gen.Chance(70);
    Table table = gen.Make(data + (has_title ? 1 : 0), cols, 30, false);
    // A last line of one empty cell and no line end is no line at all: keep it from being empty.
    if (table.back()[0].empty()) table.back()[0] = "last";
    const std::string text = test_support::TableToText(table, gen.Chance(50) ? "\r\n" : "\n", gen.Chance(50));
    SCOPED_TRACE("round " + std::to_string(round));

    const Outcome out = Process(text, PlainSettings(groups, rows_per_page, has_title));
    ASSERT_TRUE(out.result.status.ok()) << out.result.status.message();
    const std::optional<Table> read = test_support::ReadExport(out.text);
    ASSERT_TRUE(read.has_value());

    // Data row d sits on page d / (N R), in group (d mod N R) / R, at row d mod R of the page.
    const int64_t title = has_title ? 1 : 0;
    const int64_t per_page = int64_t{groups} * rows_per_page;
    std::vector<int> seen_at(static_cast<size_t>(out.grid.RowCount()) * static_cast<size_t>(out.grid.ColCount()));
    for (int64_t d = 0; d < data; ++d) {
      const int64_t p = d % per_page;
      const int64_t row = title + (d / per_page) * rows_per_page + p % rows_per_page;
      const int64_t col0 = (p / rows_per_page) * (cols + 1);
      for (int64_t j = 0; j < cols; ++j) {
        const std::string& cell = table[static_cast<size_t>(title + d)][static_cast<size_t>(j)];
        ASSERT_LT(row, static_cast<int64_t>(read->size()));
        EXPECT_EQ((*read)[static_cast<size_t>(row)][static_cast<size_t>(col0 + j)], cell) << "data row " << d;
        ++seen_at[static_cast<size_t>(row * out.grid.ColCount() + col0 + j)];
      }
    }
    // Nothing else in the data area: cells no data row reached are empty.
    for (size_t r = static_cast<size_t>(title); r < read->size(); ++r) {
      for (size_t c = 0; c < (*read)[r].size(); ++c) {
        if (seen_at[r * static_cast<size_t>(out.grid.ColCount()) + c] == 0) {
          EXPECT_EQ((*read)[r][c], "");
        }
      }
    }
  }
}

TEST(GeneratedTablesTest, RowAndColumnCountsFollowTheFormulas) {
  TableGenerator gen(7);
  for (int round = 0; round < 300; ++round) {
    const int cols = gen.Pick(1, 5);
    const int64_t data = gen.Pick(0, 400);
    const int groups = gen.Pick(1, 6);
    const int rows_per_page = gen.Pick(2, 50);
    const Table table = gen.Make(static_cast<int>(data) + 1, cols, 60, false);
    SCOPED_TRACE("round " + std::to_string(round));

    const Outcome out = Process(test_support::TableToText(table, "\r\n", true), PlainSettings(groups, rows_per_page, true));
    ASSERT_TRUE(out.result.status.ok()) << out.result.status.message();
    const int64_t per_page = int64_t{groups} * rows_per_page;
    const int64_t pages = (data + per_page - 1) / per_page;
    const int64_t last = pages == 0 ? 0 : std::min<int64_t>(rows_per_page, data - (pages - 1) * per_page);
    const int64_t rows = pages == 0 ? 1 : 1 + (pages - 1) * rows_per_page + last;
    const int64_t result_cols = int64_t{groups} * cols + groups - 1;
    EXPECT_EQ(out.grid.RowCount(), rows);
    EXPECT_EQ(out.grid.ColCount(), result_cols);

    // The text says the same: one line per row, every line with every column.
    const std::optional<Table> read = test_support::ReadExport(out.text);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(static_cast<int64_t>(read->size()), rows);
    for (const auto& line : *read) EXPECT_EQ(static_cast<int64_t>(line.size()), result_cols);
  }
}

TEST(GeneratedTablesTest, KeyBreaksAndPaddingMatchThePlainModel) {
  TableGenerator gen(31337);
  for (int round = 0; round < 300; ++round) {
    const int cols = gen.Pick(1, 4);
    const int data = gen.Pick(0, 80);
    // Few distinct keys, so that runs of equal keys and changes both happen.
    Table table = gen.Make(data + 1, cols, 20, false);
    const int key_col = gen.Pick(0, cols - 1);
    for (size_t r = 1; r < table.size(); ++r) {
      if (gen.Chance(70) && r > 1) {
        table[r][static_cast<size_t>(key_col)] = table[r - 1][static_cast<size_t>(key_col)];
      } else {
        table[r][static_cast<size_t>(key_col)] = gen.Chance(20) ? "" : "k" + std::to_string(gen.Pick(0, 2));
      }
    }
    Settings settings;
    settings.group_count = std::to_string(gen.Pick(-1, 5));
    settings.rows_per_page = std::to_string(gen.Pick(0, 9));
    settings.key_column = std::to_string(gen.Chance(80) ? key_col + 1 : gen.Pick(-2, cols + 2));
    settings.break_by_key = gen.Chance(85);
    settings.pad_short_pages = gen.Chance(50);
    settings.has_title_row = gen.Chance(80);
    SCOPED_TRACE("round " + std::to_string(round) + " N=" + settings.group_count + " R=" + settings.rows_per_page +
                 " K=" + settings.key_column);

    const Outcome out = Process(test_support::TableToText(table, "\r\n", true), settings);
    ASSERT_TRUE(out.result.status.ok()) << out.result.status.message();
    const std::optional<Table> read = test_support::ReadExport(out.text);
    ASSERT_TRUE(read.has_value());
    const auto model = reference::Lay(
        Rectangular(table, static_cast<size_t>(cols)), static_cast<size_t>(cols),
        reference::Normalised(std::stoi(settings.group_count), std::stoi(settings.rows_per_page),
                              std::stoi(settings.key_column), settings.break_by_key, settings.pad_short_pages,
                              settings.has_title_row));
    EXPECT_EQ(*read, model);
    EXPECT_EQ(test_support::CellsOf(out.grid), model);

  }
}

// The grid's copy of an imported table gives the text back byte for byte when the text is what a
// spreadsheet writes: LF between rows, no line end after the last, cells quoted exactly when they
// hold TAB, LF or CR or begin with a quote, no white space at either end of a cell, and every row
// ending in a non-empty cell (an empty last cell cannot be told from a TAB that opens nothing).
TEST(GeneratedTablesTest, ImportThenCopyGivesTheTextBack) {
  TableGenerator gen(4242);
  for (int round = 0; round < 400; ++round) {
    const int cols = gen.Pick(1, 7);
    const Table table = gen.Make(gen.Pick(1, 30), cols, gen.Pick(0, 60), true);
    const std::string text = test_support::TableToText(table);
    SCOPED_TRACE("round " + std::to_string(round));

    Grid source(SourceGridDesign());
    Settings settings;
    test_support::MemoryClipboard clipboard(text);
    ASSERT_TRUE(OnImportData(source, settings, clipboard).status.ok());
    EXPECT_EQ(test_support::CellsOf(source), table);
    source.SelectRange(0, 0, source.RowCount() - 1, source.ColCount() - 1);
    clipboard.set_text(std::nullopt);
    ASSERT_TRUE(source.CopySelectionToClipboard(clipboard));
    EXPECT_EQ(clipboard.text(), text);

    // The export of a laid-out table in one group of enough rows is the same text.
    Grid result(ResultGridDesign());
    settings.group_count = "1";
    settings.rows_per_page = "32767";
    settings.break_by_key = false;
    ASSERT_TRUE(OnPreprocess(source, result, settings, clipboard).status.ok());
    EXPECT_EQ(clipboard.text(), text);
  }
}

// Line ends, a last line end and the quoting of cells that need none change the text, never the
// cells.
TEST(GeneratedTablesTest, AnySpellingOfATableImportsTheSameCells) {
  TableGenerator gen(99);
  for (int round = 0; round < 300; ++round) {
    const int cols = gen.Pick(1, 5);
    const Table table = gen.Make(gen.Pick(1, 20), cols, 30, true);
    SCOPED_TRACE("round " + std::to_string(round));
    // Quote every non-empty cell, needed or not.
    std::string quoted_all;
    for (size_t r = 0; r < table.size(); ++r) {
      for (size_t c = 0; c < table[r].size(); ++c) {
        if (c > 0) quoted_all += '\t';
        if (!table[r][c].empty()) test_support::AppendQuoted(table[r][c], &quoted_all);
      }
      quoted_all += "\r\n";
    }
    for (const std::string& text : {test_support::TableToText(table, "\r\n", true), test_support::TableToText(table, "\n", false),
                                    quoted_all}) {
      Grid source(SourceGridDesign());
      ASSERT_TRUE(ImportText(source, Settings{}, text).status.ok());
      EXPECT_EQ(test_support::CellsOf(source), table);
    }
  }
}

}  // namespace
}  // namespace parvex
