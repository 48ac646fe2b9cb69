// Grid: the table model every command works on. A rectangle of text cells addressed by 0-based
// row and column, with per-row heights and per-column widths in pixels, an optional cursor cell
// and a rectangular selection. Out-of-range indexes give no value, false and no change.
#ifndef PARVEX_GRID_GRID_H_
#define PARVEX_GRID_GRID_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "grid/clipboard.h"
#include "grid/parsed_table.h"
#include "grid/size_pattern.h"
#include "grid/text_store.h"

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

  int32_t RowCount() const { return static_cast<int32_t>(rows_.size()); }
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

  // Puts the selected rectangle on the clipboard in the clipboard text format (table_text.h).
  // With nothing selected the clipboard is not touched and the result is true. False when the
  // clipboard refused the text.
  bool CopySelectionToClipboard(Clipboard& clipboard) const;

  // Distributes the clipboard's table text over the cells from the cursor cell on (the first
  // cell past the fixed ones when there is none), stepping over hidden rows and columns. The grid
  // never grows: what falls outside is dropped. Cells that no piece reaches keep their text; the
  // selection is cleared. False, and no change, when IsEdit is off, there is no text or the text
  // is too large to read as a table.
  bool PasteFromClipboard(Clipboard& clipboard);

  // ---- Bulk access for the import, the layout and the export. ----

  // A run of stored cells of a row: columns `col` .. `col + count - 1`. Either `cells` holds
  // them, or they are the TAB-separated pieces of `line`, a line of table text that needs no
  // trimming or quoting and does not end in an empty piece, whose first byte is at
  // `line_offset` in the grid's texts.
  struct CellRun {
    int32_t col = 0;
    uint32_t count = 0;
    std::span<const CellRef> cells;
    std::string_view line;
    uint32_t line_offset = 0;
  };
  // Calls `visit(const CellRun&)` for the stored cells of `row`, left to right; every column no
  // run covers is empty. Nothing for a row outside the grid.
  template <typename Visit>
  void ForEachRun(int32_t row, Visit&& visit) const;
  // Appends the run's cells to `cells`, cutting its line when it has one.
  static void AppendRunCells(const CellRun& run, std::vector<CellRef>* cells);
  // The cell at (row, col); the empty cell when nothing is stored there or it lies outside.
  CellRef CellAt(int32_t row, int32_t col) const;
  // The row's cells from column 0 to its last stored one, for reading a whole row: cheaper than
  // CellAt column by column.
  void GetRowCells(int32_t row, std::vector<CellRef>* cells) const;
  std::string_view Text(CellRef cell) const { return texts_.View(cell); }
  const TextStore& texts() const { return texts_; }

  // How a row keeps its cells. A run: columns `col` .. `col + count - 1` hold the cells at
  // `first` .. `first + count - 1`, or, when `bytes` is not 0, the pieces of the plain line of
  // `bytes` bytes at text offset `first` (see CellRun).
  struct Run {
    uint32_t first = 0;
    uint32_t count = 0;
    int32_t col = 0;
    uint32_t bytes = 0;
    bool is_line() const { return bytes != 0; }
    bool is_own() const { return bytes == 0 && first < kSharedBase; }
  };
  // Replaces the content by the table's lines, `cols` columns wide. Design values restored,
  // every row RowHeight high, widths as ResizeAndClear gives them. False, and no change, beyond
  // the limits. The grid keeps the bytes and the cells as they are: it copies none.
  bool AdoptTable(ParsedTable&& table, int32_t width, bool apply_width);

  // Clears the grid to design values, no rows and `cols` columns (widths as ResizeAndClear
  // gives them), sharing `other`'s texts and imported cells, so that rows built from `other`'s
  // rows with AppendCellsOf refer to them instead of copying them.
  void StartSharing(const Grid& other, int32_t cols, int32_t width, bool apply_width);
  // Appends `count` empty rows of RowHeight.
  void AppendEmptyRows(int32_t count);
  // Puts the stored cells of `other`'s row `row`, moved `at` columns to the right, into this
  // grid's last row, right of what it holds. `other` is the grid this one started sharing; the
  // last row must have room for them.
  void AppendCellsOf(const Grid& other, int32_t row, int32_t at);
  // Makes room for `rows` more rows and `runs` more runs in the lists of rows made of several,
  // so that appending them moves nothing.
  void Reserve(int64_t rows, int64_t runs);
  // How many runs rows keep in lists, over one per row: at most what appending all rows of this
  // grid elsewhere takes beyond a run each.
  int64_t ListedRuns() const { return static_cast<int64_t>(runs_.size()); }
  // The room Reserve made, for Prefault: fresh memory the appending is about to fill.
  std::span<std::byte> ReservedRows();
  std::span<std::byte> ReservedRuns();
  // Cells stored so far, shared ones counted for every row that refers to them (the measure
  // kMaxCells bounds).
  int64_t StoredCells() const { return static_cast<int64_t>(cells_.size() - garbage_) + shared_live_; }

 private:
  // Cells are addressed by 32 bits: this grid's own cells, which edits write to, below
  // kSharedBase; cells shared read-only with other grids (an imported table's, which its layout
  // refers to) from kSharedBase on.
  static constexpr uint32_t kSharedBase = 0x80000000u;
  // A row is one run (no stored cell: count 0) or, when `col` is kRunList, the runs
  // runs_[first .. first + count), ascending and apart.
  using Row = Run;
  static constexpr int32_t kRunList = -1;
  struct SharedCells {
    uint32_t base = 0;
    std::shared_ptr<const std::vector<CellRef>> cells;
  };

  std::span<const Run> RunsOf(const Row& row) const {
    if (row.col == kRunList) return {runs_.data() + row.first, row.count};
    return {&row, row.count == 0 ? 0u : 1u};
  }
  std::span<Run> MutableRunsOf(Row& row) {
    if (row.col == kRunList) return {runs_.data() + row.first, row.count};
    return {&row, row.count == 0 ? 0u : 1u};
  }
  const CellRef* CellsAt(uint32_t address) const;
  CellRun ToCellRun(const Run& run) const {
    CellRun out{run.col, run.count, {}, {}, 0};
    if (run.is_line()) {
      out.line = texts_.View(CellRef{run.first, run.bytes});
      out.line_offset = run.first;
    } else {
      out.cells = std::span<const CellRef>(CellsAt(run.first), run.count);
    }
    return out;
  }
  // Forgets the row's cells: own ones become garbage, shared ones are no longer counted.
  void Release(const Row& row);
  // Rewrites `row` as one run of own cells from its first stored column (or `col`) to its last
  // (or `col`), with an empty cell put in before column `insert_at` or the cell at column
  // `erase_at` taken out when those are not negative.
  void Rewrite(size_t row, int32_t col, int32_t insert_at = -1, int32_t erase_at = -1);
  void ClearCells();

  void RestoreDesign();
  int32_t HeightOf(size_t row) const { return heights_.Get(row); }
  int32_t WidthOf(size_t col) const { return widths_.Get(col); }
  // Every row `height` high.
  void ResetHeights(int32_t height) { heights_.Reset(rows_.size(), height, height); }
  void SetWidths(int32_t cols, int32_t width, bool apply_width);
  CellRef* MutableCell(int32_t row, int32_t col);  // makes the cell an own, writable one
  void CompactCells();
  // Compacts once dropped cells outnumber the live ones (and are many).
  void CompactCellsIfWasteful();
  void CompactTexts();
  void MakeNonEmptyForInsert();

  GridDesign design_;
  int32_t head_rows_ = 0;
  int32_t head_cols_ = 0;
  int32_t row_height_ = kDefaultRowHeight;
  int32_t col_width_ = 50;
  bool is_edit_ = true;
  bool can_selection_ = true;

  TextStore texts_;
  uint64_t texts_after_compaction_ = 0;  // texts_.used() after the last clean-up or new table
  std::vector<CellRef> cells_;        // own cells
  size_t garbage_ = 0;                // own cells no row refers to any more
  std::vector<SharedCells> shared_;   // ascending base
  int64_t shared_live_ = 0;           // shared cells that rows refer to, once per row
  std::vector<Run> runs_;             // the runs of rows that have several
  // Rewrite's buffers: the row's cells, and one run's.
  std::vector<CellRef> rewrite_scratch_;
  std::vector<CellRef> run_scratch_;
  std::vector<Row> rows_;
  // Rows are nearly always one height, and columns follow the two patterns a resize leaves
  // (column 0 ColWidth wide, the others alike): a layout of 32767 groups has millions of columns.
  SizePattern heights_;
  SizePattern widths_;

  std::optional<CellRect> selection_;
  CellPos cursor_;
};

template <typename Visit>
void Grid::ForEachRun(int32_t row, Visit&& visit) const {
  if (row < 0 || row >= RowCount()) return;
  for (const Run& run : RunsOf(rows_[static_cast<size_t>(row)])) visit(ToCellRun(run));
}

}  // namespace parvex

#endif  // PARVEX_GRID_GRID_H_
