// Generated tables for the robustness tests: random shapes and cell texts that stress the
// clipboard format (empty cells, quotes, TAB, LF and CR inside cells, UTF-8 and GBK bytes), the
// text a spreadsheet would put on the clipboard for them, and a strict reader of the text the
// export writes.
#ifndef PARVEX_TESTS_ROBUSTNESS_TABLE_GEN_H_
#define PARVEX_TESTS_ROBUSTNESS_TABLE_GEN_H_

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "grid/table_text.h"
#include "grid/text_store.h"

namespace parvex::test_support {

using Table = std::vector<std::vector<std::string>>;

// Appends `text` as a quoted cell to `out`.
inline void AppendQuoted(std::string_view text, std::string* out) {
  PutQuoted(text, [out](std::string_view piece) { out->append(piece); });
}

// The text of `table` as a spreadsheet copies it: cells quoted only where they must be, rows
// ended by `line_end`, the last one too when `end_last` is set.
inline std::string TableToText(const Table& table, std::string_view line_end = "\n", bool end_last = false) {
  std::string out;
  for (size_t r = 0; r < table.size(); ++r) {
    for (size_t c = 0; c < table[r].size(); ++c) {
      if (c > 0) out += '\t';
      if (TextNeedsQuotes(table[r][c])) {
        AppendQuoted(table[r][c], &out);
      } else {
        out += table[r][c];
      }
    }
    if (r + 1 < table.size() || end_last) out += line_end;
  }
  return out;
}

// Reads the export's text strictly: rows at every LF outside quotes, cells at every TAB outside
// quotes (so every row has as many cells as the grid had columns), a cell that begins with '"'
// read up to its closing quote with "" as one quote. Nullopt when a quote is left open or a
// closing quote is followed by anything but TAB, LF or the end.
inline std::optional<Table> ReadExport(std::string_view text) {
  Table table(1, std::vector<std::string>(1));
  size_t i = 0;
  while (i < text.size()) {
    std::string& cell = table.back().back();
    if (cell.empty() && text[i] == '"' && (i == 0 || text[i - 1] == '\t' || text[i - 1] == '\n')) {
      ++i;
      while (true) {
        if (i >= text.size()) return std::nullopt;
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            cell += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        cell += text[i++];
      }
      if (i < text.size() && text[i] != '\t' && text[i] != '\n') return std::nullopt;
      continue;
    }
    if (text[i] == '\t') {
      table.back().emplace_back();
    } else if (text[i] == '\n') {
      table.emplace_back(1);
    } else {
      cell += text[i];
    }
    ++i;
  }
  return table;
}

// Random tables whose cells the import keeps exactly: no white space at either end of a cell.
class TableGenerator {
 public:
  explicit TableGenerator(uint32_t seed) : rng_(seed) {}

  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(int percent) { return Pick(1, 100) <= percent; }

  // One cell text; empty in about `empty_percent` of the cases.
  std::string Cell(int empty_percent = 25) {
    if (Chance(empty_percent)) return {};
    static const char* const kPieces[] = {
        "a",  "Zhang", "42",  "1,5",          "x y",          "\"",           "\"\"",   "q\"t", "\t",
        "\n", "\r\n",  "\r",  "\xe5\xa7\x93", "\xe4\xb8\x80", "\xd0\xd5\xc3\xfb", "\xb0\xe0", "'",   "\\",
        ";",  "-",     " ",   "\xe3\x80\x80", "\xff\xfe",     "\xc3",
    };
    std::string text;
    const int pieces = Pick(1, 4);
    for (int k = 0; k < pieces; ++k) text += kPieces[Pick(0, static_cast<int>(std::size(kPieces)) - 1)];
    // The import trims white space at both ends; a letter there keeps the cell exact.
    auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    if (blank(text.front())) text.insert(text.begin(), 'b');
    if (blank(text.back())) text.push_back('e');
    return text;
  }

  // `rows` x `cols` cells; with `full_last_column` no row ends in an empty cell.
  Table Make(int rows, int cols, int empty_percent, bool full_last_column) {
    Table table(static_cast<size_t>(rows));
    for (auto& row : table) {
      for (int c = 0; c < cols; ++c) {
        row.push_back(Cell(c + 1 == cols && full_last_column ? 0 : empty_percent));
      }
    }
    return table;
  }

 private:
  std::mt19937 rng_;
};

}  // namespace parvex::test_support

#endif  // PARVEX_TESTS_ROBUSTNESS_TABLE_GEN_H_
