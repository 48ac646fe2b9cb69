#include "grid/grid.h"

#include <algorithm>
#include <vector>

#include "grid/table_text_reader.h"
#include "grid/table_text_writer.h"

namespace parvex {

Grid::Grid(const GridDesign& design) : design_(design) {
  RestoreDesign();
  store_.Clear(1);
  ResetHeights(row_height_);
  SetWidths(1, 0, false);
  head_rows_ = std::clamp(design_.head_row_count, 0, 1);
  head_cols_ = std::clamp(design_.head_col_count, 0, 1);
}

void Grid::RestoreDesign() {
  row_height_ = design_.row_height;
  col_width_ = design_.col_width;
  is_edit_ = design_.is_edit;
  can_selection_ = design_.can_selection;
  head_rows_ = 0;
  head_cols_ = 0;
  selection_.reset();
  cursor_ = CellPos{};
}

bool Grid::HasHiddenColumns() const { return widths_.Contains(0); }

bool Grid::HasHiddenRows() const { return heights_.Contains(0); }

void Grid::SetCanSelection(bool on) {
  can_selection_ = on;
  if (!on) selection_.reset();
}

bool Grid::IsInside(int32_t row, int32_t col) const {
  return row >= 0 && col >= 0 && row < RowCount() && col < ColCount();
}

std::string_view Grid::CellView(int32_t row, int32_t col) const {
  if (!IsInside(row, col)) return {};
  return store_.Text(store_.CellAt(row, col));
}

std::optional<std::string> Grid::GetCellText(int32_t row, int32_t col) const {
  if (!IsInside(row, col)) return std::nullopt;
  return std::string(CellView(row, col));
}

bool Grid::SetCellText(int32_t row, int32_t col, const std::optional<std::string>& value) {
  if (!value) return false;
  return SetCellText(row, col, std::string_view(*value));
}

bool Grid::SetCellText(int32_t row, int32_t col, std::string_view value) {
  if (!IsInside(row, col)) return false;
  return store_.SetText(row, col, value, kMaxCells);
}

void Grid::MakeNonEmptyForInsert() {
  // A grid without rows (columns) and without fixed cells first gets one fixed row and one
  // fixed column, as the grid control this model follows does.
  if (head_rows_ != 0 || head_cols_ != 0) return;
  head_rows_ = 1;
  if (RowCount() == 0) {
    heights_.Insert(0, 1, kDefaultRowHeight);
    store_.InsertRows(0, 1);
  }
  head_cols_ = 1;
  if (ColCount() == 0) widths_.Insert(0, 1, kInsertedColumnWidth);
}

bool Grid::InsertRow(std::optional<int32_t> position) {
  if (RowCount() >= kMaxRows) return false;
  if (RowCount() == 0) MakeNonEmptyForInsert();
  int32_t pos = position.value_or(-1);
  if (pos < head_rows_ || pos >= RowCount()) pos = RowCount();
  const int32_t height = RowCount() == 0 ? kDefaultRowHeight : HeightOf(0);
  heights_.Insert(static_cast<size_t>(pos), 1, height);
  store_.InsertRows(static_cast<size_t>(pos), 1);
  selection_.reset();
  return true;
}

bool Grid::InsertColumn(std::optional<int32_t> position) {
  if (ColCount() >= kMaxCols) return false;
  if (ColCount() == 0) MakeNonEmptyForInsert();
  int32_t pos = position.value_or(-1);
  if (pos < head_cols_ || pos >= ColCount()) pos = ColCount();
  // Cells past a row's stored ones are empty: an appended column costs no cell.
  if (pos < ColCount()) store_.InsertColumn(pos);
  widths_.Insert(static_cast<size_t>(pos), 1, kInsertedColumnWidth);
  selection_.reset();
  return true;
}

bool Grid::DeleteRow(int32_t row) {
  if (row < 0 || row >= RowCount()) return false;
  store_.EraseRow(static_cast<size_t>(row));
  heights_.Erase(static_cast<size_t>(row));
  if (row < head_rows_) --head_rows_;
  selection_.reset();
  if (cursor_.row >= 0) {
    if (cursor_.row == RowCount()) --cursor_.row;  // it was on the last row
    if (cursor_.row < head_rows_ || cursor_.row < 0) cursor_ = CellPos{};
  }
  return true;
}

bool Grid::DeleteColumn(int32_t col) {
  if (col < 0 || col >= ColCount()) return false;
  store_.EraseColumn(col);
  widths_.Erase(static_cast<size_t>(col));
  if (col < head_cols_) --head_cols_;
  selection_.reset();
  if (cursor_.col >= 0) {
    if (cursor_.col == ColCount()) --cursor_.col;  // it was on the last column
    if (cursor_.col < head_cols_ || cursor_.col < 0) cursor_ = CellPos{};
  }
  return true;
}

std::optional<int32_t> Grid::GetColumnWidth(int32_t col) const {
  if (col < 0 || col >= ColCount()) return std::nullopt;
  return WidthOf(static_cast<size_t>(col));
}

std::optional<int32_t> Grid::GetRowHeight(int32_t row) const {
  if (row < 0 || row >= RowCount()) return std::nullopt;
  return HeightOf(static_cast<size_t>(row));
}

bool Grid::SetColumnWidth(int32_t col, int32_t width) {
  if (col < 0 || col >= ColCount() || width < 0) return false;
  widths_.Set(static_cast<size_t>(col), width);
  return true;
}

bool Grid::SetRowHeight(int32_t row, int32_t height) {
  if (row < 0 || row >= RowCount() || height < 0) return false;
  heights_.Set(static_cast<size_t>(row), height);
  return true;
}

void Grid::SetWidths(int32_t cols, int32_t width, bool apply_width) {
  if (apply_width && width >= 2) {
    widths_.Reset(static_cast<size_t>(cols), width, width);
  } else {
    widths_.Reset(static_cast<size_t>(cols), col_width_, kInsertedColumnWidth);
  }
}

void Grid::ResetContent() {
  const int32_t rows = RowCount();
  const int32_t cols = ColCount();
  RestoreDesign();
  store_.Clear(static_cast<size_t>(rows));
  ResetHeights(row_height_);
  widths_.Reset(static_cast<size_t>(cols), col_width_, col_width_);
  head_rows_ = std::clamp(design_.head_row_count, 0, rows);
  head_cols_ = std::clamp(design_.head_col_count, 0, cols);
}

bool Grid::ResizeAndClear(int32_t rows, int32_t cols, int32_t width, bool apply_width) {
  const int32_t r = std::max(rows, 1);
  const int32_t c = std::max(cols, 1);
  if (r > kMaxRows || c > kMaxCols) return false;
  RestoreDesign();
  store_.Clear(static_cast<size_t>(r));
  ResetHeights(row_height_);
  // The width goes to the columns asked for: none when zero columns were asked for.
  SetWidths(c, width, apply_width && cols >= 1);
  return true;
}

void Grid::SelectRange(int32_t first_row, int32_t first_col, std::optional<int32_t> last_row,
                       std::optional<int32_t> last_col) {
  if (!can_selection_) return;
  int32_t r1 = first_row;
  int32_t c1 = first_col;
  int32_t r2 = std::min(last_row.value_or(r1), RowCount() - 1);
  int32_t c2 = std::min(last_col.value_or(c1), ColCount() - 1);
  auto raise = [](int32_t& v, int32_t fixed) {
    if (v >= 0 && v < fixed) v = fixed;
  };
  raise(r1, head_rows_);
  raise(r2, head_rows_);
  raise(c1, head_cols_);
  raise(c2, head_cols_);
  selection_.reset();
  if (r1 >= 0 && c1 >= 0 && r2 >= 0 && c2 >= 0 && r2 < RowCount() && c2 < ColCount() && r1 <= r2 && c1 <= c2) {
    selection_ = CellRect{r1, c1, r2, c2};
  }
}

bool Grid::IsSelected(int32_t row, int32_t col) const {
  return selection_ && row >= selection_->first_row && row <= selection_->last_row &&
         col >= selection_->first_col && col <= selection_->last_col;
}

void Grid::SetCursorCell(int32_t row, int32_t col) {
  selection_.reset();
  cursor_ = IsInside(row, col) ? CellPos{row, col} : CellPos{};
}

bool Grid::CopySelectionToClipboard(Clipboard& clipboard, const CopyFlavours* flavours) const {
  std::optional<CellRect> rect = selection_;
  if (!can_selection_ && IsInside(cursor_.row, cursor_.col)) {
    rect = CellRect{cursor_.row, cursor_.col, cursor_.row, cursor_.col};
  }
  if (!rect) return true;
  if (flavours != nullptr) return flavours->Write(*this, *rect, clipboard);
  return clipboard.Write([&](TextSink& sink) { WriteTableText(*this, *rect, sink); }, {}, {});
}

bool Grid::PasteFromClipboard(Clipboard& clipboard) {
  if (!is_edit_) return false;
  CellPos start = cursor_;
  if (!IsInside(start.row, start.col)) start = CellPos{head_rows_, head_cols_};
  if (!IsInside(start.row, start.col)) return false;
  std::optional<std::string> text = clipboard.ReadText();
  if (!text || text->empty()) return false;
  ParsedTable table;
  if (!ParseTableText(std::move(*text), &table).ok()) return false;

  // The pieces keep their bytes: the parsed text becomes part of this grid's texts.
  uint32_t base = 0;
  if (!store_.AdoptText(table.bytes, &base)) return false;
  std::vector<int32_t> target_cols;
  for (int32_t c = start.col; c < ColCount() && static_cast<int32_t>(target_cols.size()) < table.cols; ++c) {
    if (WidthOf(static_cast<size_t>(c)) != 0) target_cols.push_back(c);
  }
  int32_t row = start.row;
  std::vector<CellRef> scratch;
  std::vector<CellRef> before;  // the row's cells before the paste: pieces land in distinct columns
  for (size_t line = 0; line < table.lines.size(); ++line) {
    while (row < RowCount() && HeightOf(static_cast<size_t>(row)) == 0) ++row;
    if (row >= RowCount()) break;
    const std::span<const CellRef> cells = table.LineCells(line, &scratch);
    const size_t pieces = std::min<size_t>(cells.size(), target_cols.size());
    store_.GetRowCells(row, &before);
    for (size_t k = 0; k < pieces; ++k) {
      CellRef cell = cells[k];
      cell.offset += base;
      // An empty piece clears its cell; one that holds nothing is empty already.
      const auto target = static_cast<size_t>(target_cols[k]);
      if (cell.empty() && (target >= before.size() || before[target].empty())) continue;
      store_.SetCell(row, target_cols[k], cell);
    }
    ++row;
  }
  selection_.reset();
  // Each paste keeps its whole text, pieces that fell outside included.
  store_.CompactTextsIfGrown();
  return true;
}

}  // namespace parvex
