// Fuzzes the grid's own operations: a random sequence of them runs on a Grid and on a plain
// model (vectors of strings), and after every step the two must agree on counts, fixed rows and
// columns, cells, widths, heights, cursor and selection (cell by cell); a copy must write what
// the model says.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "grid/clipboard.h"
#include "grid/grid.h"
#include "grid/grid_builder.h"
#include "grid/table_text_reader.h"
#include "support/grid_helpers.h"
#include "support/memory_clipboard.h"

namespace {

using parvex::CellPos;
using parvex::CellRect;
using parvex::Grid;

[[noreturn]] void Fail(const char* what, size_t step) {
  std::fprintf(stderr, "invariant broken at step %zu: %s\n", step, what);
  std::abort();
}

// Reads the fuzz input as a stream of small numbers; zeros once it runs out.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool done() const { return pos_ >= size_; }
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  // An index from -2 to 13: mostly inside a small grid, sometimes just outside it.
  int32_t Index() { return static_cast<int32_t>(Byte() % 16) - 2; }
  std::string Bytes(size_t max) {
    const size_t n = std::min<size_t>(Byte() % (max + 1), size_ - std::min(pos_, size_));
    std::string text(reinterpret_cast<const char*>(data_) + pos_, n);
    pos_ += n;
    return text;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// What a grid holds, kept the simplest way.
struct Model {
  parvex::GridDesign design;
  std::vector<std::vector<std::string>> cells;  // rows x cols
  std::vector<int32_t> heights;
  std::vector<int32_t> widths;
  int32_t head_rows = 0;
  int32_t head_cols = 0;
  bool is_edit = true;
  bool can_selection = true;
  CellPos cursor;
  // One flag per cell, rows x cols; empty when nothing is selected. Every change of the grid's
  // shape clears the selection, so the flags never outlive the shape they were made for.
  std::vector<std::vector<bool>> selected;

  int32_t rows() const { return static_cast<int32_t>(heights.size()); }
  int32_t cols() const { return static_cast<int32_t>(widths.size()); }
  bool Inside(int32_t r, int32_t c) const { return r >= 0 && c >= 0 && r < rows() && c < cols(); }

  void Restore() {
    head_rows = 0;
    head_cols = 0;
    is_edit = design.is_edit;
    can_selection = design.can_selection;
    cursor = CellPos{};
    selected.clear();
  }
  void Clear(int32_t r, int32_t c) {
    cells.assign(static_cast<size_t>(r), std::vector<std::string>(static_cast<size_t>(c)));
    heights.assign(static_cast<size_t>(r), design.row_height);
  }
  void FixedForInsert() {
    if (head_rows != 0 || head_cols != 0) return;
    head_rows = 1;
    if (rows() == 0) {
      cells.emplace_back(static_cast<size_t>(cols()));
      heights.push_back(parvex::kDefaultRowHeight);
    }
    head_cols = 1;
    if (cols() == 0) {
      for (auto& row : cells) row.emplace_back();
      widths.push_back(parvex::kInsertedColumnWidth);
    }
  }
  void InsertRow(std::optional<int32_t> position) {
    if (rows() == 0) FixedForInsert();
    int32_t pos = position.value_or(-1);
    if (pos < head_rows || pos >= rows()) pos = rows();
    const int32_t height = rows() == 0 ? parvex::kDefaultRowHeight : heights[0];
    cells.insert(cells.begin() + pos, std::vector<std::string>(static_cast<size_t>(cols())));
    heights.insert(heights.begin() + pos, height);
    selected.clear();
  }
  void InsertColumn(std::optional<int32_t> position) {
    if (cols() == 0) FixedForInsert();
    int32_t pos = position.value_or(-1);
    if (pos < head_cols || pos >= cols()) pos = cols();
    for (auto& row : cells) row.insert(row.begin() + pos, std::string());
    widths.insert(widths.begin() + pos, parvex::kInsertedColumnWidth);
    selected.clear();
  }
  bool DeleteRow(int32_t r) {
    if (r < 0 || r >= rows()) return false;
    cells.erase(cells.begin() + r);
    heights.erase(heights.begin() + r);
    if (r < head_rows) --head_rows;
    selected.clear();
    if (cursor.row >= 0) {
      if (cursor.row == rows()) --cursor.row;
      if (cursor.row < head_rows || cursor.row < 0) cursor = CellPos{};
    }
    return true;
  }
  bool DeleteColumn(int32_t c) {
    if (c < 0 || c >= cols()) return false;
    for (auto& row : cells) row.erase(row.begin() + c);
    widths.erase(widths.begin() + c);
    if (c < head_cols) --head_cols;
    selected.clear();
    if (cursor.col >= 0) {
      if (cursor.col == cols()) --cursor.col;
      if (cursor.col < head_cols || cursor.col < 0) cursor = CellPos{};
    }
    return true;
  }
  void ResetContent() {
    const int32_t r = rows();
    const int32_t c = cols();
    Restore();
    Clear(r, c);
    widths.assign(static_cast<size_t>(c), design.col_width);
    head_rows = std::clamp(design.head_row_count, 0, r);
    head_cols = std::clamp(design.head_col_count, 0, c);
  }
  void ResizeAndClear(int32_t r, int32_t c, int32_t width, bool apply) {
    Restore();
    Clear(std::max(r, 1), std::max(c, 1));
    widths.assign(static_cast<size_t>(std::max(c, 1)), parvex::kInsertedColumnWidth);
    widths[0] = design.col_width;
    if (apply && c >= 1 && width >= 2) std::fill(widths.begin(), widths.end(), width);
  }
  bool IsSelected(int32_t r, int32_t c) const {
    return Inside(r, c) && !selected.empty() && selected[static_cast<size_t>(r)][static_cast<size_t>(c)];
  }
  // The smallest rectangle holding every selected cell; none when no cell is.
  std::optional<CellRect> Bounds() const {
    std::optional<CellRect> bounds;
    for (int32_t r = 0; r < rows(); ++r) {
      for (int32_t c = 0; c < cols(); ++c) {
        if (!IsSelected(r, c)) continue;
        if (!bounds) bounds = CellRect{r, c, r, c};
        bounds->first_row = std::min(bounds->first_row, r);
        bounds->first_col = std::min(bounds->first_col, c);
        bounds->last_row = std::max(bounds->last_row, r);
        bounds->last_col = std::max(bounds->last_col, c);
      }
    }
    return bounds;
  }
  // Whether index `i` of an axis with `fixed` leading fixed indexes is inside the span from
  // `first` to `last`, taken cell by cell from the selection's rule rather than from the
  // grid's clamp-and-raise steps: a negative bound selects nothing; a fixed index is never
  // selected; a bound inside the fixed band stands for the first movable index, so a span
  // that ends inside the band still reaches that index; a span that is reversed, or that
  // starts past the grid, holds no index. Clamping to the grid needs no step: only indexes
  // inside the grid are asked about.
  static bool InSpan(int32_t i, int32_t first, int32_t last, int32_t fixed) {
    if (first < 0 || last < 0 || i < fixed) return false;
    return i >= first && (i <= last || i == fixed);
  }
  void SelectRange(int32_t r1, int32_t c1, std::optional<int32_t> last_row, std::optional<int32_t> last_col) {
    if (!can_selection) return;
    const int32_t r2 = last_row.value_or(r1);
    const int32_t c2 = last_col.value_or(c1);
    selected.assign(static_cast<size_t>(rows()), std::vector<bool>(static_cast<size_t>(cols())));
    for (int32_t r = 0; r < rows(); ++r) {
      for (int32_t c = 0; c < cols(); ++c) {
        selected[static_cast<size_t>(r)][static_cast<size_t>(c)] =
            InSpan(r, r1, r2, head_rows) && InSpan(c, c1, c2, head_cols);
      }
    }
  }
  void SetCursorCell(int32_t r, int32_t c) {
    selected.clear();
    cursor = Inside(r, c) ? CellPos{r, c} : CellPos{};
  }
  // The copy's text of a rectangle in the clipboard format.
  std::string Text(const CellRect& rect) const {
    std::string out;
    bool first_line = true;
    for (int32_t r = rect.first_row; r <= rect.last_row; ++r) {
      if (heights[static_cast<size_t>(r)] == 0) continue;
      if (!first_line) out += '\n';
      first_line = false;
      bool first_cell = true;
      for (int32_t c = rect.first_col; c <= rect.last_col; ++c) {
        if (widths[static_cast<size_t>(c)] == 0) continue;
        if (!first_cell) out += '\t';
        first_cell = false;
        const std::string& text = cells[static_cast<size_t>(r)][static_cast<size_t>(c)];
        if (!text.empty() && (text[0] == '"' || text.find_first_of("\t\n\r") != std::string::npos)) {
          out += '"';
          for (char ch : text) out += ch == '"' ? std::string("\"\"") : std::string(1, ch);
          out += '"';
        } else {
          out += text;
        }
      }
    }
    return out;
  }
  bool Paste(const std::optional<std::string>& text) {
    if (!is_edit) return false;
    CellPos start = cursor;
    if (!Inside(start.row, start.col)) start = CellPos{head_rows, head_cols};
    if (!Inside(start.row, start.col) || !text || text->empty()) return false;
    parvex::ParsedTable table;
    if (!parvex::ParseTableText(*text, &table).ok()) return false;
    std::vector<int32_t> target_cols;
    for (int32_t c = start.col; c < cols() && static_cast<int32_t>(target_cols.size()) < table.cols; ++c) {
      if (widths[static_cast<size_t>(c)] != 0) target_cols.push_back(c);
    }
    int32_t r = start.row;
    std::vector<parvex::CellRef> scratch;
    for (size_t line = 0; line < table.lines.size(); ++line) {
      while (r < rows() && heights[static_cast<size_t>(r)] == 0) ++r;
      if (r >= rows()) break;
      const auto pieces = table.LineCells(line, &scratch);
      for (size_t k = 0; k < pieces.size() && k < target_cols.size(); ++k) {
        cells[static_cast<size_t>(r)][static_cast<size_t>(target_cols[k])] =
            std::string(table.bytes.data() + pieces[k].offset, pieces[k].size());
      }
      ++r;
    }
    selected.clear();
    return true;
  }
};

void Compare(const Grid& grid, const Model& model, size_t step) {
  if (grid.RowCount() != model.rows() || grid.ColCount() != model.cols()) Fail("counts", step);
  if (grid.HeadRowCount() != model.head_rows || grid.HeadColCount() != model.head_cols) Fail("fixed rows/cols", step);
  if (grid.IsEdit() != model.is_edit || grid.CanSelection() != model.can_selection) Fail("switches", step);
  if (grid.CursorCell() != model.cursor) Fail("cursor", step);
  if (grid.Selection() != model.Bounds()) Fail("selection", step);
  // One cell around the grid too: outside is never selected.
  for (int32_t r = -1; r <= model.rows(); ++r) {
    for (int32_t c = -1; c <= model.cols(); ++c) {
      if (grid.IsSelected(r, c) != model.IsSelected(r, c)) Fail("selected cells", step);
    }
  }
  if (parvex::test_support::CellsOf(grid) != model.cells) Fail("cells", step);
  int64_t stored = 0;
  for (int32_t r = 0; r < grid.RowCount(); ++r) {
    grid.store().ForEachRun(r, [&](const parvex::CellRun& run) { stored += run.count; });
  }
  if (stored != grid.store().StoredCells()) Fail("stored cells", step);
  for (int32_t r = 0; r < model.rows(); ++r) {
    if (grid.GetRowHeight(r) != model.heights[static_cast<size_t>(r)]) Fail("row height", step);
  }
  for (int32_t c = 0; c < model.cols(); ++c) {
    if (grid.GetColumnWidth(c) != model.widths[static_cast<size_t>(c)]) Fail("column width", step);
  }
  if (grid.GetRowHeight(model.rows()).has_value() || grid.GetColumnWidth(-1).has_value()) Fail("outside sizes", step);
}

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

const char* const kTexts[] = {"", "a", "b c", "x\ty", "\"q", "line\nbreak", "cr\rx", " pad ", "\xd0\xd5\xc3\xfb",
                              "\xe5\xa7\x93", "\"\"", "\"a\"\tb"};
constexpr int32_t kMaxSide = 24;  // keeps the model and the comparison cheap

}  // namespace

// The replay test builds every target into one program, each entry point under its own name.
#ifndef PARVEX_FUZZ_ENTRY
#define PARVEX_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

extern "C" int PARVEX_FUZZ_ENTRY(const uint8_t* data, size_t size) {
  Input in(data, size);
  Model model;
  model.design.col_width = (in.Byte() & 1) != 0 ? 30 : 50;
  Grid grid(model.design);
  model.Clear(1, 1);
  model.widths.assign(1, model.design.col_width);
  parvex::test_support::MemoryClipboard clipboard;
  Compare(grid, model, 0);

  for (size_t step = 1; !in.done() && step < 400; ++step) {
    const uint8_t op = in.Byte() % 17;
    switch (op) {
      case 0: {
        const int32_t r = in.Index();
        const int32_t c = in.Index();
        const std::string text = kTexts[in.Byte() % (sizeof(kTexts) / sizeof(kTexts[0]))];
        const bool inside = model.Inside(r, c);
        if (grid.SetCellText(r, c, std::string_view(text)) != inside) Fail("SetCellText result", step);
        if (inside) model.cells[static_cast<size_t>(r)][static_cast<size_t>(c)] = text;
        break;
      }
      case 1: {
        // No value copies nothing: the cell keeps its text.
        const int32_t r = in.Index();
        const int32_t c = in.Index();
        const std::optional<std::string> value = grid.GetCellText(r, model.cols() + std::abs(c));
        if (value.has_value()) Fail("GetCellText outside the grid", step);
        if (grid.SetCellText(r, c, value)) Fail("SetCellText of no value", step);
        break;
      }
      case 2:
      case 3: {
        const uint8_t how = in.Byte();
        std::optional<int32_t> pos;
        if ((how & 1) != 0) pos = in.Index();
        const bool rows = op == 2;
        if ((rows ? model.rows() : model.cols()) >= kMaxSide) break;
        const bool done = rows ? grid.InsertRow(pos) : grid.InsertColumn(pos);
        if (!done) Fail("insert refused", step);
        if (rows) {
          model.InsertRow(pos);
        } else {
          model.InsertColumn(pos);
        }
        break;
      }
      case 4: {
        const int32_t r = in.Index();
        if (grid.DeleteRow(r) != model.DeleteRow(r)) Fail("DeleteRow result", step);
        break;
      }
      case 5: {
        const int32_t c = in.Index();
        if (grid.DeleteColumn(c) != model.DeleteColumn(c)) Fail("DeleteColumn result", step);
        break;
      }
      case 6: {
        const int32_t c = in.Index();
        const int32_t width = static_cast<int32_t>(in.Byte() % 8) - 1;
        const bool ok = c >= 0 && c < model.cols() && width >= 0;
        if (grid.SetColumnWidth(c, width) != ok) Fail("SetColumnWidth result", step);
        if (ok) model.widths[static_cast<size_t>(c)] = width;
        break;
      }
      case 7: {
        const int32_t r = in.Index();
        const int32_t height = static_cast<int32_t>(in.Byte() % 8) - 1;
        const bool ok = r >= 0 && r < model.rows() && height >= 0;
        if (grid.SetRowHeight(r, height) != ok) Fail("SetRowHeight result", step);
        if (ok) model.heights[static_cast<size_t>(r)] = height;
        break;
      }
      case 8:
        grid.ResetContent();
        model.ResetContent();
        break;
      case 9: {
        const int32_t r = in.Index() % 8;
        const int32_t c = in.Index() % 8;
        const int32_t width = static_cast<int32_t>(in.Byte() % 6) - 1;
        const bool apply = (in.Byte() & 1) != 0;
        if (!grid.ResizeAndClear(r, c, width, apply)) Fail("ResizeAndClear refused", step);
        model.ResizeAndClear(r, c, width, apply);
        break;
      }
      case 10: {
        const uint8_t how = in.Byte();
        const int32_t r1 = in.Index();
        const int32_t c1 = in.Index();
        std::optional<int32_t> r2;
        std::optional<int32_t> c2;
        if ((how & 1) != 0) r2 = in.Index();
        if ((how & 2) != 0) c2 = in.Index();
        grid.SelectRange(r1, c1, r2, c2);
        model.SelectRange(r1, c1, r2, c2);
        break;
      }
      case 11: {
        const int32_t r = in.Index();
        const int32_t c = in.Index();
        grid.SetCursorCell(r, c);
        model.SetCursorCell(r, c);
        break;
      }
      case 12: {
        clipboard.set_text(std::string("before"));
        if (!grid.CopySelectionToClipboard(clipboard)) Fail("copy failed", step);
        std::optional<CellRect> rect = model.Bounds();
        if (!model.can_selection && model.Inside(model.cursor.row, model.cursor.col)) {
          rect = CellRect{model.cursor.row, model.cursor.col, model.cursor.row, model.cursor.col};
        }
        const std::string expected = rect ? model.Text(*rect) : std::string("before");
        if (clipboard.text() != expected) Fail("copied text", step);
        break;
      }
      case 13: {
        std::optional<std::string> text;
        if ((in.Byte() & 7) != 0) text = in.Bytes(40);
        clipboard.set_text(text);
        if (grid.PasteFromClipboard(clipboard) != model.Paste(text)) Fail("paste result", step);
        break;
      }
      case 14: {
        const bool on = (in.Byte() & 1) != 0;
        grid.SetIsEdit(on);
        model.is_edit = on;
        break;
      }
      case 15: {
        const bool on = (in.Byte() & 1) != 0;
        grid.SetCanSelection(on);
        model.can_selection = on;
        if (!on) model.selected.clear();
        break;
      }
      case 16: {
        // The grid becomes its content twice side by side with an empty column between, built
        // as a layout builds its result: from an imported table's shared cells, or from a grid
        // whose cells are its own (or shared by an earlier step).
        const int32_t rows = model.rows();
        const int32_t cols = model.cols();
        if (rows == 0 || cols == 0 || 2 * cols + 1 > kMaxSide) break;
        Grid source;
        if ((in.Byte() & 1) != 0) {
          parvex::ParsedTable table;
          std::string bytes;
          for (const auto& row : model.cells) {
            // A row that can be a plain line of the text is one, as the reader makes it.
            auto plain_piece = [](const std::string& text) {
              return text.find_first_of("\t\n\r\"") == std::string::npos &&
                     (text.empty() || (!IsBlank(text.front()) && !IsBlank(text.back())));
            };
            if (!row.empty() && !row.back().empty() && std::all_of(row.begin(), row.end(), plain_piece)) {
              const auto first = static_cast<uint32_t>(bytes.size());
              for (size_t c = 0; c < row.size(); ++c) bytes += (c > 0 ? "\t" : "") + row[c];
              table.lines.push_back(parvex::TableLine{first, static_cast<uint32_t>(row.size()), static_cast<uint32_t>(bytes.size() - first)});
              continue;
            }
            table.lines.push_back(parvex::TableLine{static_cast<uint32_t>(table.cells.size()), static_cast<uint32_t>(row.size()), 0});
            for (const std::string& text : row) {
              const uint32_t flag = parvex::TextNeedsQuotes(text) ? parvex::CellRef::kQuoteFlag : 0;
              table.cells.push_back(parvex::CellRef{static_cast<uint32_t>(bytes.size()), static_cast<uint32_t>(text.size()) | flag});
              bytes += text;
            }
          }
          table.bytes = parvex::TextBuffer(std::move(bytes));
          table.cols = cols;
          if (!parvex::GridBuilder::AdoptTable(source, std::move(table), 0, false)) Fail("AdoptTable refused", step);
        } else {
          source = grid;
        }
        const int32_t width = static_cast<int32_t>(in.Byte() % 6) - 1;
        const bool apply = (in.Byte() & 1) != 0;
        parvex::GridBuilder builder(grid.design(), source, 2 * cols + 1, width, apply);
        const auto old = model.cells;
        model.ResizeAndClear(rows, 2 * cols + 1, width, apply);
        for (int32_t r = 0; r < rows; ++r) {
          builder.AppendEmptyRows(1);
          builder.AppendCellsOf(r, 0);
          builder.AppendCellsOf(r, cols + 1);
          for (size_t c = 0; c < static_cast<size_t>(cols); ++c) {
            model.cells[static_cast<size_t>(r)][c] = old[static_cast<size_t>(r)][c];
            model.cells[static_cast<size_t>(r)][static_cast<size_t>(cols) + 1 + c] = old[static_cast<size_t>(r)][c];
          }
        }
        grid = builder.Finish();
        break;
      }
    }
    Compare(grid, model, step);
  }
  return 0;
}
