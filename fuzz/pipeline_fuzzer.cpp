// Fuzzes the import -> layout -> export pipeline as the window and parvex-cli run it.
//
// Input: six settings bytes, then the table text.
//   byte 0, 1, 2: the group count, rows per page and key column boxes (see BoxText)
//   byte 3: bit 0 key breaks on, bit 1 padding on, bit 2 title row, bit 3 values taken raw
//           instead of through the edit box's focus-loss normalisation, bit 4 key past the table
//   byte 4: the column width box
//   byte 5: reserved (keeps seeds stable if a setting is added)
// Checks: no crash or sanitizer report; a refusal changes nothing; otherwise the result matches
// a plain model of the layout cell for cell, has N*C + N - 1 columns, every non-empty data cell
// lands exactly once, and the exported text reads back as the result grid, the SYLK flavour
// too, read as LibreOffice reads it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "command/command_result.h"
#include "command/settings.h"
#include "grid/clipboard.h"
#include "grid/grid.h"
#include "grid/grid_designs.h"
#include "grid/table_text_writer.h"
#include "grid/text_to_integer.h"
#include "import/import.h"
#include "layout/commands.h"
#include "layout/split_into_columns.h"
#include "robustness/reference_layout.h"
#include "support/grid_helpers.h"
#include "support/memory_clipboard.h"
#include "support/written_text.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

// The edges of an edit box's text: empty, zero, negative, one, two, the int16 bounds, a value
// past int32, signs, blanks and full-width digits, when the top two bits are set; otherwise a
// small number from -2 to 13. Large group counts are costly, so they come up only now and then.
std::string BoxText(uint8_t byte) {
  static const char* const kEdges[] = {
      "",      "0",      "-1",          "-32768",       "1",    "2",          "3",         "32767",
      "32768", "-32769", "99999999999", "-99999999999", " 4",   "+5",         "7x",        "\xef\xbc\x93",
      "abc",   "46",     "2147483647",  "-2147483648",  "\xa3\xb2", "  -0", "00012",    "1e3",
  };
  if ((byte & 0xc0) != 0xc0) return std::to_string(static_cast<int>(byte & 0x0f) - 2);
  return kEdges[byte % (sizeof(kEdges) / sizeof(kEdges[0]))];
}

// The white space the import trims from both ends of a cell.
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Calls visit(column, cell) for every cell the grid stores in the row.
template <typename Visit>
void ForEachStoredCell(const parvex::Grid& grid, int32_t row, Visit&& visit) {
  std::vector<parvex::CellRef> cells;
  grid.store().ForEachRun(row, [&](const parvex::CellRun& run) {
    cells.clear();
    parvex::RowStore::AppendRunCells(run, &cells);
    for (size_t k = 0; k < cells.size(); ++k) visit(static_cast<size_t>(run.col) + k, cells[k]);
  });
}

// The cells LibreOffice Calc reads from SYLK, by its rules: a C record names its column (X) and,
// or else keeps, its row (Y); its K text runs from the quote to a quote followed by a single ';'
// or else to the line's last quote; there ";;" reads as ';' and ESC SPACE ':' as LF. Rows and
// columns count from 1; a cell no record names is empty. Nullopt when a line is none of ID, C, E.
std::optional<std::map<std::pair<int64_t, int64_t>, std::string>> ReadSylk(std::string_view sylk) {
  std::map<std::pair<int64_t, int64_t>, std::string> cells;
  int64_t row = 0;
  size_t at = 0;
  while (at < sylk.size()) {
    size_t end = sylk.find_first_of("\r\n", at);
    if (end == std::string_view::npos) end = sylk.size();
    const std::string_view line = sylk.substr(at, end - at);
    at = end + (sylk.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    if (line.starts_with("ID;") || line == "E" || line.empty()) continue;
    if (!line.starts_with("C;")) return std::nullopt;
    size_t p = 2;
    auto number = [&] {
      int64_t n = 0;
      while (p < line.size() && line[p] >= '0' && line[p] <= '9') n = n * 10 + (line[p++] - '0');
      return n;
    };
    if (line.compare(p, 1, "Y") == 0) {
      ++p;
      row = number();
      if (line.compare(p++, 1, ";") != 0) return std::nullopt;
    }
    if (line.compare(p++, 1, "X") != 0) return std::nullopt;
    const int64_t col = number();
    if (line.compare(p, 3, ";K\"") != 0) return std::nullopt;
    const size_t start = p + 3;
    size_t close = std::string_view::npos;
    for (size_t q = start; q < line.size(); ++q) {
      if (line[q] != '"') continue;
      close = q;
      if (q + 1 < line.size() && line[q + 1] == ';') {
        if (q + 2 < line.size() && line[q + 2] == ';') {
          q += 2;
          close = std::string_view::npos;
        } else {
          break;
        }
      }
    }
    const std::string_view raw = line.substr(start, (close == std::string_view::npos ? line.size() : close) - start);
    std::string text;
    for (size_t q = 0; q < raw.size(); ++q) {
      if (raw.compare(q, 2, ";;") == 0) {
        text += ';';
        ++q;
      } else if (raw.compare(q, 3, "\x1b :") == 0) {
        text += '\n';
        q += 2;
      } else {
        text += raw[q];
      }
    }
    cells[{row, col}] = text;
  }
  return cells;
}

// A cell's text as Calc keeps it from the SYLK: every line break (CR LF, CR, and what the SYLK
// cannot tell from one, ESC SPACE ':') an LF, NUL bytes left out.
std::string AsReadFromSylk(std::string_view cell) {
  std::string text;
  for (size_t q = 0; q < cell.size(); ++q) {
    if (cell[q] == '\0') continue;
    if (cell[q] == '\r') {
      text += '\n';
      if (q + 1 < cell.size() && cell[q + 1] == '\n') ++q;
    } else if (cell.compare(q, 3, "\x1b :") == 0) {
      text += '\n';
      q += 2;
    } else {
      text += cell[q];
    }
  }
  return text;
}

// What each of the result's data cells holds, by (column within a group, text), counted.
using CellCount = std::map<std::pair<size_t, std::string>, int>;

}  // namespace

// The replay test builds every target into one program, each entry point under its own name.
#ifndef PARVEX_FUZZ_ENTRY
#define PARVEX_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

extern "C" int PARVEX_FUZZ_ENTRY(const uint8_t* data, size_t size) {
  uint8_t head[6] = {};
  const size_t head_size = size < sizeof(head) ? size : sizeof(head);
  for (size_t i = 0; i < head_size; ++i) head[i] = data[i];
  const std::string text(reinterpret_cast<const char*>(data) + head_size, size - head_size);

  parvex::Settings settings;
  const bool raw = (head[3] & 8) != 0;
  auto box = [&](uint8_t byte) { return raw ? BoxText(byte) : parvex::NormalizeEditBoxText(BoxText(byte)); };
  settings.group_count = box(head[0]);
  settings.rows_per_page = box(head[1]);
  settings.key_column = box(head[2]);
  settings.break_by_key = (head[3] & 1) != 0;
  settings.pad_short_pages = (head[3] & 2) != 0;
  settings.has_title_row = (head[3] & 4) != 0;
  settings.column_width = box(head[4]);

  parvex::Grid source(parvex::SourceGridDesign());
  const parvex::CommandResult imported = parvex::ImportText(source, settings, text);
  Check(imported.status.ok(), "a small text is always imported");
  const int32_t cols = source.ColCount();
  Check(source.RowCount() >= 1 && cols >= 1, "the source grid has at least one cell");
  if ((head[3] & 16) != 0) settings.key_column = std::to_string(cols + (head[2] & 3));

  // An accepted layout must export a text that an import can read back (at most 4 GiB less one
  // byte): every row writes a TAB between neighbouring columns. Checked on a trial layout, which
  // stores only the cells that hold text, before the export gathers the text.
  {
    parvex::Grid trial(parvex::ResultGridDesign());
    if (parvex::SplitIntoColumns(source, trial, parvex::LayoutOptionsFrom(settings)).ok()) {
      const uint64_t rows = static_cast<uint64_t>(trial.RowCount());
      const uint64_t least_bytes = rows * static_cast<uint64_t>(trial.ColCount() - 1) + rows - 1;
      Check(least_bytes <= 0xfffffffeu, "an accepted layout exports more than an import can read");
      // Texts of gigabytes are allowed but would only run the fuzzer out of memory; the heavy
      // tests cover large exports.
      if (least_bytes > (uint64_t{1} << 28)) return 0;
    }
  }

  // A clipboard and result grid that already hold something, to see a refusal keep them.
  parvex::Grid result(parvex::ResultGridDesign());
  result.SetCellText(0, 0, std::string_view("previous"));
  parvex::test_support::MemoryClipboard clipboard(std::string("clipboard before"));
  clipboard.set_keeps_sylk(true);
  const parvex::CommandResult processed = parvex::OnPreprocess(source, result, settings, clipboard);

  if (!processed.status.ok()) {
    Check(!processed.status.message().empty() && processed.status.message().find('\n') == std::string::npos,
          "a refusal is one non-empty line");
    Check(clipboard.text() == std::string("clipboard before") && clipboard.write_count() == 0,
          "a refusal leaves the clipboard alone");
    Check(result.RowCount() == 1 && result.ColCount() == 1 && result.CellView(0, 0) == "previous",
          "a refusal leaves the result grid alone");
    return 0;
  }

  const int32_t n = parvex::TextToInteger(settings.group_count);
  const int64_t groups = n < 1 ? 1 : n;
  Check(result.ColCount() == groups * cols + groups - 1, "result columns are N*C + N - 1");

  // The model is dense: compare with it only while the rectangle is small.
  if (int64_t{result.RowCount()} * result.ColCount() <= (int64_t{1} << 16)) {
    const auto model = parvex::reference::Lay(
        parvex::test_support::CellsOf(source), static_cast<size_t>(cols),
        parvex::reference::Normalised(n, parvex::TextToInteger(settings.rows_per_page),
                                      parvex::TextToInteger(settings.key_column), settings.break_by_key,
                                      settings.pad_short_pages, settings.has_title_row));
    Check(parvex::test_support::CellsOf(result) == model, "the result matches the plain layout");
  }

  const int32_t width = parvex::TextToInteger(settings.column_width);
  for (int32_t c = 0; c < result.ColCount(); ++c) {
    const int32_t expected = width >= 2 ? width : (c == 0 ? result.ColWidth() : parvex::kInsertedColumnWidth);
    Check(result.GetColumnWidth(c) == expected, "result column widths");
  }

  // Every non-empty source data cell lands once, in its own column of some group; separator
  // columns stay empty. Cells past a row's stored ones are empty, so only those are visited.
  const int32_t first_data = settings.has_title_row ? 1 : 0;
  const auto stride = static_cast<size_t>(cols) + 1;
  CellCount want;
  CellCount got;
  for (int32_t r = first_data; r < source.RowCount(); ++r) {
    ForEachStoredCell(source, r, [&](size_t c, parvex::CellRef cell) {
      if (!cell.empty()) ++want[{c, std::string(source.store().Text(cell))}];
    });
  }
  for (int32_t r = first_data; r < result.RowCount(); ++r) {
    ForEachStoredCell(result, r, [&](size_t c, parvex::CellRef cell) {
      if (cell.empty()) return;
      Check(c % stride != static_cast<size_t>(cols), "separator columns stay empty");
      ++got[{c % stride, std::string(result.store().Text(cell))}];
    });
  }
  Check(want == got, "every non-empty data cell appears exactly once");

  // The clipboard text reads back as the result: the same non-empty cells at the same places.
  // Rows and columns that end the grid empty may be missing, as the format cannot mark them.
  Check(clipboard.text().has_value(), "the export wrote the clipboard");
  Check(result.CursorCell() == parvex::CellPos{0, 0} && !result.Selection().has_value(),
        "the export leaves the cursor at (0, 0) and nothing selected");
  // Checking a large export costs far more than producing it; the small ones cover the rules.
  if (clipboard.text()->size() > (size_t{1} << 18)) return 0;
  Check(*clipboard.text() == parvex::TableText(result, {0, 0, result.RowCount() - 1, result.ColCount() - 1}),
        "the export writes the whole grid");
  parvex::Grid reread(parvex::ResultGridDesign());
  Check(parvex::ImportText(reread, settings, *clipboard.text()).status.ok(), "the export can be imported again");
  Check(reread.RowCount() <= result.RowCount() && reread.ColCount() <= result.ColCount(),
        "the reread is no larger than the result");
  auto same_cells = [](const parvex::Grid& a, const parvex::Grid& b) {
    bool same = true;
    for (int32_t r = 0; r < a.RowCount(); ++r) {
      ForEachStoredCell(a, r, [&](size_t c, parvex::CellRef ref) {
        if (ref.empty()) return;
        const std::string_view cell = a.store().Text(ref);
        Check(!IsBlank(cell.front()) && !IsBlank(cell.back()), "result cells have no outer white space");
        if (b.CellView(r, static_cast<int32_t>(c)) != cell) same = false;
      });
    }
    return same;
  };
  Check(same_cells(result, reread) && same_cells(reread, result), "export then import gives the result's cells back");

  // Every cell of the result has its record (no row or column is hidden here).
  if (clipboard.sylk().has_value()) {
    const auto read = ReadSylk(*clipboard.sylk());
    Check(read.has_value(), "the SYLK is made of ID, C and E records");
    Check(read->size() == static_cast<size_t>(result.RowCount()) * static_cast<size_t>(result.ColCount()),
          "the SYLK has a record for every cell");
    bool same = true;
    for (const auto& [place, cell] : *read) {
      if (place.first < 1 || place.first > result.RowCount() || place.second < 1 || place.second > result.ColCount() ||
          cell != AsReadFromSylk(result.CellView(static_cast<int32_t>(place.first - 1), static_cast<int32_t>(place.second - 1)))) {
        same = false;
      }
    }
    Check(same, "the SYLK reads back as the result's cells");
  }
  return 0;
}
