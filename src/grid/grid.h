// Grid: the table model every command works on. A rectangle of text cells addressed by 0-based
// row and column, with per-row heights and per-column widths in pixels, an optional cursor cell
// and a rectangular selection. Out-of-range indexes give no value, false and no change.
#ifndef PARVEX_GRID_GRID_H_
#define PARVEX_GRID_GRID_H_

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "grid/clipboard.h"
#include "grid/row_store.h"
#include "grid/size_pattern.h"

namespace parvex {

// Upper bounds that keep a grid's memory sane. Rows and columns are int32 indexes; a grid
// stores only the cells up to the last non-empty one of each row, and kMaxCells bounds those.
inline constexpr int32_t kMaxRows = 1 << 24;
inline constexpr int32_t kMaxCols = 1 << 24;
inline constexpr int64_t kMaxCells = int64_t{1} << 28;
// The most bytes of table text a grid reads, and so the most a layout may write: cell offsets
// are 32 bits.
inline constexpr int64_t kMaxTextBytes = 0xfffffffe;

// Width of a column that InsertColumn creates: twice the cell's text margin of 9 pixels.
inline constexpr int32_t kInsertedColumnWidth = 18;
// Height of a row inserted into a grid that had none.
inline constexpr int32_t kDefaultRowHeight = 24;


// The design values that ResetContent restores.
struct GridDesign {
  int32_t row_height = kDefaultRowHeight;  // RowHeight
  int32_t col_width = 50;                  // ColWidth
  int32_t head_row_count = 0;
  int32_t head_col_count = 0;
  bool is_edit = true;
  bool can_selection = true;
};

struct CellPos {
  int32_t row = -1;
  int32_t col = -1;
  friend bool operator==(const CellPos&, const CellPos&) = default;
};

struct CellRect {
  int32_t first_row = 0;
  int32_t first_col = 0;
  int32_t last_row = -1;
  int32_t last_col = -1;
  friend bool operator==(const CellRect&, const CellRect&) = default;
};

class Grid {
 public:
  // A grid in its design state: 1 x 1, one empty cell, no cursor, nothing selected.
  explicit Grid(const GridDesign& design = {});

  int32_t RowCount() const { return store_.RowCount(); }
  int32_t ColCount() const { return static_cast<int32_t>(widths_.size()); }
  int32_t HeadRowCount() const { return head_rows_; }
  int32_t HeadColCount() const { return head_cols_; }
  int32_t RowHeight() const { return row_height_; }
  int32_t ColWidth() const { return col_width_; }
  bool IsEdit() const { return is_edit_; }
  bool CanSelection() const { return can_selection_; }
  const GridDesign& design() const { return design_; }

  void SetIsEdit(bool on) { is_edit_ = on; }
  void SetCanSelection(bool on);

  // The cell's text; no value for a cell outside the grid.
  std::optional<std::string> GetCellText(int32_t row, int32_t col) const;
  // The same without a copy: valid until the grid changes; empty outside the grid.
  std::string_view CellView(int32_t row, int32_t col) const;
  bool IsInside(int32_t row, int32_t col) const;

  // Writes `value` into the cell. False, and no change, for a cell outside the grid, for no
  // value, or when the text cannot be stored.
  bool SetCellText(int32_t row, int32_t col, std::string_view value);
  bool SetCellText(int32_t row, int32_t col, const std::optional<std::string>& value);

  // Inserts an empty row (column) before `position`; appends it when the position is left out,
  // negative, at or beyond the count, or inside the fixed rows (columns). An empty grid first
  // gets one fixed row and one fixed column. Clears the selection; the cursor keeps its numbers.
  bool InsertRow(std::optional<int32_t> position = std::nullopt);
  bool InsertColumn(std::optional<int32_t> position = std::nullopt);
  bool DeleteRow(int32_t row);
  bool DeleteColumn(int32_t col);

  std::optional<int32_t> GetColumnWidth(int32_t col) const;
  std::optional<int32_t> GetRowHeight(int32_t row) const;
  // Exact width (height); false for an index outside the grid or a negative value. 0 hides it.
  bool SetColumnWidth(int32_t col, int32_t width);
  bool SetRowHeight(int32_t row, int32_t height);
  // True when some column is hidden (width 0).
  bool HasHiddenColumns() const;
  // True when some row is hidden (height 0).
  bool HasHiddenRows() const;

  // Empties every cell and restores the design values, keeping the row and column counts.
  void ResetContent();

  // The end state of the resize-and-clear sequence: design values restored, max(rows, 1) x
  // max(cols, 1) empty cells, no cursor, no selection, every row RowHeight high, column 0
  // ColWidth wide and the others kInsertedColumnWidth, then every column `width` wide when
  // `apply_width` is set and `width` is 2 or more. False, and no change, beyond the limits.
  bool ResizeAndClear(int32_t rows, int32_t cols, int32_t width, bool apply_width);

  // Makes the rectangle the selection, clamped to the grid and kept off the fixed cells; a
  // left-out last row (column) is the first. An impossible rectangle leaves nothing selected.
  void SelectRange(int32_t first_row, int32_t first_col, std::optional<int32_t> last_row = std::nullopt,
                   std::optional<int32_t> last_col = std::nullopt);
  std::optional<CellRect> Selection() const { return selection_; }
  bool IsSelected(int32_t row, int32_t col) const;
  void ClearSelection() { selection_.reset(); }

  // Clears the selection and makes the cell the cursor cell; a cell outside leaves none.
  void SetCursorCell(int32_t row, int32_t col);
  // (-1, -1) when there is none.
  CellPos CursorCell() const { return cursor_; }

  // Puts the selected rectangle on the clipboard: in the flavours `flavours` writes (the
  // spreadsheets' text, HTML and SYLK: html/clipboard_flavours.h), or in the clipboard text
  // format alone (table_text.h) when none is given. With nothing selected the clipboard is not
  // touched and the result is true. False when the clipboard refused the content.
  bool CopySelectionToClipboard(Clipboard& clipboard, const CopyFlavours* flavours = nullptr) const;

  // Distributes the clipboard's table text over the cells from the cursor cell on (the first
  // cell past the fixed ones when there is none), stepping over hidden rows and columns. The grid
  // never grows: what falls outside is dropped. Cells that no piece reaches keep their text; the
  // selection is cleared. False, and no change, when IsEdit is off, there is no text or the text
  // is too large to read as a table.
  bool PasteFromClipboard(Clipboard& clipboard);

  // The bytes of the texts the grid's cells refer to, for judging how large an output gets.
  int64_t TextBytes() const { return static_cast<int64_t>(store_.texts().used()); }

  // How the cells are kept, for the tests and fuzzers that check the storage itself; the
  // outputs read through RowCells and RowRuns.
  const RowStore& store() const { return store_; }

 private:
  friend class GridBuilder;
  friend class RowCells;
  friend class RowRuns;

  void RestoreDesign();
  int32_t HeightOf(size_t row) const { return heights_.Get(row); }
  int32_t WidthOf(size_t col) const { return widths_.Get(col); }
  // Every row `height` high.
  void ResetHeights(int32_t height) { heights_.Reset(static_cast<size_t>(RowCount()), height, height); }
  void SetWidths(int32_t cols, int32_t width, bool apply_width);
  void MakeNonEmptyForInsert();

  GridDesign design_;
  int32_t head_rows_ = 0;
  int32_t head_cols_ = 0;
  int32_t row_height_ = kDefaultRowHeight;
  int32_t col_width_ = 50;
  bool is_edit_ = true;
  bool can_selection_ = true;

  RowStore store_;
  // Rows are nearly always one height, and columns follow the two patterns a resize leaves
  // (column 0 ColWidth wide, the others alike): a layout of 32767 groups has millions of columns.
  SizePattern heights_;
  SizePattern widths_;

  std::optional<CellRect> selection_;
  CellPos cursor_;
};

// A grid's rows read one at a time, as the outputs read them: the cells of a whole row at once,
// without a lookup per cell.
class RowCells {
 public:
  explicit RowCells(const Grid& grid) : store_(grid.store_) {}
  void Read(int32_t row) { store_.GetRowCells(row, &cells_); }
  // The text of column `col` of the row read last; empty past its last stored cell.
  std::string_view Text(int32_t col) const { return store_.Text(Cell(col)); }
  // Whether the table text quotes that text (it holds a TAB or a line break, or starts with '"').
  bool NeedsQuotes(int32_t col) const { return Cell(col).needs_quotes(); }

 private:
  CellRef Cell(int32_t col) const {
    const auto c = static_cast<size_t>(col);
    return c < cells_.size() ? cells_[c] : CellRef{};
  }

  const RowStore& store_;
  std::vector<CellRef> cells_;
};

// A grid's rows read as the grid keeps them, for the outputs that write long rows fast: a row is
// runs of stored cells, and a run may be a plain line, its cells joined by TABs as they stand
// (none holds a TAB or a line break, none needs quotes), which an output can often copy whole.
class RowRuns {
 public:
  explicit RowRuns(const Grid& grid) : store_(grid.store_) {}

  // Reads columns `first` .. `last` of `row`, left to right:
  //   gap(from, to)                  the columns from .. to - 1, which hold nothing;
  //   line(col, text, count) -> bool a plain line of `count` cells that lies wholly inside, from
  //                                  column `col`; when it returns false its cells come one by one;
  //   cell(col, text, needs_quotes)  every other cell, empty ones among them.
  template <typename Gap, typename Line, typename Cell>
  void Read(int32_t row, int64_t first, int64_t last, Gap&& gap, Line&& line, Cell&& cell) {
    int64_t at = first;  // the next column
    store_.ForEachRun(row, [&](const CellRun& run) {
      const int64_t begin = std::max<int64_t>(run.col, at);
      const int64_t end = std::min<int64_t>(int64_t{run.col} + run.count, last + 1);
      if (begin >= end) return;
      if (at < begin) gap(at, begin);
      at = end;
      if (run.is_line() && begin == run.col && end == int64_t{run.col} + run.count &&
          line(begin, run.line, end - begin)) {
        return;
      }
      std::span<const CellRef> cells = run.cells;
      if (run.is_line()) {
        line_cells_.clear();
        RowStore::AppendRunCells(run, &line_cells_);
        cells = line_cells_;
      }
      for (int64_t c = begin; c < end; ++c) {
        const CellRef ref = cells[static_cast<size_t>(c - run.col)];
        cell(c, store_.Text(ref), ref.needs_quotes());
      }
    });
    if (at <= last) gap(at, last + 1);
  }

 private:
  const RowStore& store_;
  std::vector<CellRef> line_cells_;
};

}  // namespace parvex

#endif  // PARVEX_GRID_GRID_H_
