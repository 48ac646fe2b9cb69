// A plain reader of table text, written from the rules at the top of grid/table_text.h and
// nothing else: field by field, byte by byte, no shortcuts. The tests and the table_text fuzz
// target compare ParseTableText's readings with it; TableOf puts a ParsedTable in the same form.
#ifndef PARVEX_TESTS_SUPPORT_TABLE_TEXT_REFERENCE_H_
#define PARVEX_TESTS_SUPPORT_TABLE_TEXT_REFERENCE_H_

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/status.h"
#include "grid/grid.h"
#include "grid/parsed_table.h"
#include "grid/table_text_reader.h"

namespace parvex::test_support {

// A table as cell texts, kept compact so that tables of millions of cells stay cheap.
struct TextTable {
  bool ok = true;
  std::string error;              // when not ok; the rest is then empty
  std::string bytes;              // the cell texts one after the other
  std::vector<uint64_t> cell_ends;  // cell k is bytes[cell_ends[k - 1], cell_ends[k])
  std::vector<uint64_t> line_ends;  // line r is cells [line_ends[r - 1], line_ends[r])
  int64_t cols = 1;

  friend bool operator==(const TextTable&, const TextTable&) = default;

  size_t LineCount() const { return line_ends.size(); }
  std::vector<std::string> Line(size_t r) const {
    std::vector<std::string> cells;
    for (uint64_t k = r == 0 ? 0 : line_ends[r - 1]; k < line_ends[r]; ++k) {
      const uint64_t from = k == 0 ? 0 : cell_ends[k - 1];
      cells.push_back(bytes.substr(from, cell_ends[k] - from));
    }
    return cells;
  }
  void AddCell(std::string_view cell) {
    bytes.append(cell);
    cell_ends.push_back(bytes.size());
  }
  void EndLine() { line_ends.push_back(cell_ends.size()); }
  void Refuse(std::string why) {
    *this = TextTable{};
    ok = false;
    error = std::move(why);
  }
};

inline TextTable ParseTableTextReference(std::string_view text) {
  TextTable table;
  const size_t n = text.size();
  if (n > static_cast<size_t>(kMaxTextBytes)) {
    table.Refuse("a text of " + std::to_string(n) + " bytes exceeds the limit of " + std::to_string(kMaxTextBytes) + " bytes");
    return table;
  }
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; };
  // What may follow the quote that closes a quoted cell.
  auto field_end_at = [&](size_t pos) {
    return pos == n || text[pos] == '\t' || text[pos] == '\n' || (text[pos] == '\r' && pos + 1 < n && text[pos + 1] == '\n');
  };
  size_t line_cells = 0;
  size_t i = 0;
  while (i < n) {
    // A field begins at i.
    std::string cell;
    bool quoted = false;
    if (text[i] == '"') {
      // The closing quote is the last of a run of quotes of odd length (the pairs before it are
      // escaped quotes) that a field's end follows; the runs are counted from after the opening.
      size_t close = std::string_view::npos;
      size_t j = i + 1;
      while (j < n && close == std::string_view::npos) {
        if (text[j] != '"') {
          ++j;
          continue;
        }
        size_t run_end = j;
        while (run_end < n && text[run_end] == '"') ++run_end;
        if ((run_end - j) % 2 == 1 && field_end_at(run_end)) close = run_end - 1;
        j = run_end;
      }
      if (close != std::string_view::npos) {
        for (size_t k = i + 1; k < close; ++k) {
          cell += text[k];
          if (text[k] == '"' && k + 1 < close && text[k + 1] == '"') ++k;
        }
        i = close + 1;
        if (i < n && text[i] == '\r') ++i;  // the CR of the CR LF after it
        quoted = true;
      }
    }
    if (!quoted) {
      while (i < n && text[i] != '\t' && text[i] != '\n') cell += text[i++];
    }
    size_t begin = 0;
    size_t end = cell.size();
    while (begin < end && blank(cell[begin])) ++begin;
    while (end > begin && blank(cell[end - 1])) --end;
    if (end - begin > CellRef::kMaxSize) {
      table.Refuse("a cell of " + std::to_string(end - begin) + " bytes exceeds the limit of " +
                   std::to_string(CellRef::kMaxSize) + " bytes");
      return table;
    }
    if (static_cast<int64_t>(table.cell_ends.size()) >= kMaxCells) {
      table.Refuse("more than " + std::to_string(kMaxCells) + " cells");
      return table;
    }
    table.AddCell(std::string_view(cell).substr(begin, end - begin));
    ++line_cells;

    // The field ends at a TAB, a LF or the end of the text; a TAB that is the last byte of
    // its line opens no further cell.
    bool line_ends = true;
    if (i < n && text[i] == '\n') {
      ++i;
    } else if (i < n) {
      ++i;  // the TAB
      if (i < n && text[i] == '\n') {
        ++i;
      } else if (i < n) {
        line_ends = false;
      }
    }
    if (line_ends) {
      table.cols = std::max<int64_t>(table.cols, static_cast<int64_t>(line_cells));
      if (table.line_ends.size() >= static_cast<size_t>(kMaxRows)) {
        table.Refuse("more than " + std::to_string(kMaxRows) + " rows");
        return table;
      }
      table.EndLine();
      line_cells = 0;
    }
  }
  if (table.cols > kMaxCols) {
    table.Refuse(std::to_string(table.cols) + " columns exceed the limit of " + std::to_string(kMaxCols));
  }
  return table;
}

// `parsed` in the reference's form, as ParseTableText returned it with `status`. Sets
// `*broken` to what is wrong when a cell lies outside the bytes or its quote flag is not
// TextNeedsQuotes of its text.
inline TextTable TableOf(const ParsedTable& parsed, const Status& status, std::string* broken) {
  TextTable table;
  if (!status.ok()) {
    table.Refuse(status.message());
    return table;
  }
  table.cols = parsed.cols;
  std::vector<CellRef> scratch;
  for (size_t r = 0; r < parsed.lines.size(); ++r) {
    for (const CellRef cell : parsed.LineCells(r, &scratch)) {
      if (uint64_t{cell.offset} + cell.size() > parsed.bytes.size()) {
        *broken = "a cell outside the text";
        return table;
      }
      const std::string_view text(parsed.bytes.data() + cell.offset, cell.size());
      if (cell.needs_quotes() != TextNeedsQuotes(text)) *broken = "a wrong quote flag on \"" + std::string(text) + "\"";
      table.AddCell(text);
    }
    table.EndLine();
  }
  return table;
}

// The reader's ways of reading; each must give the reference's table. A prescan from 0 bytes
// runs the second thread on every text.
struct NamedReading {
  const char* name;
  TableTextReading reading;
};
inline const NamedReading kReadings[] = {
    {"fast", {true, true, TableTextReading::kPrescanBytes}},
    {"fast, prescan always", {true, true, 0}},
    {"plain lines and prescan only", {true, false, 0}},
    {"mask-cut fields only", {false, true, 0}},
    {"field by field", {false, false, 0}},
};

// `text` as ParseTableText reads it with `reading`, in the reference's form (see TableOf).
inline TextTable ReadWith(std::string text, const TableTextReading& reading, std::string* broken) {
  ParsedTable parsed;
  const Status status = ParseTableText(std::move(text), &parsed, reading);
  return TableOf(parsed, status, broken);
}

// The first difference between two tables, for a test's message; empty when they are equal.
inline std::string Difference(const TextTable& a, const TextTable& b) {
  if (a.ok != b.ok || a.error != b.error) return "refusals: \"" + a.error + "\" and \"" + b.error + "\"";
  if (a.cols != b.cols) return "columns: " + std::to_string(a.cols) + " and " + std::to_string(b.cols);
  for (size_t r = 0; r < std::min(a.LineCount(), b.LineCount()); ++r) {
    if (a.Line(r) != b.Line(r)) return "line " + std::to_string(r);
  }
  if (a.LineCount() != b.LineCount()) return "lines: " + std::to_string(a.LineCount()) + " and " + std::to_string(b.LineCount());
  return a == b ? "" : "cells";
}

}  // namespace parvex::test_support

#endif  // PARVEX_TESTS_SUPPORT_TABLE_TEXT_REFERENCE_H_
