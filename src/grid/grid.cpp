#include "grid/grid.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>

#include "grid/table_text_reader.h"
#include "grid/table_text_writer.h"

namespace parvex {
namespace {

// Dropped cells are left in the pool until they outnumber the live ones (and are many).
constexpr size_t kCompactAtGarbage = 4096;

}  // namespace

Grid::Grid(const GridDesign& design) : design_(design) {
  RestoreDesign();
  rows_.assign(1, Row{});
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

void Grid::InsertHeights(size_t at, size_t count, int32_t height) {
  if (row_heights_.empty()) {
    if (height == uniform_height_ || count == 0) return;
    row_heights_.assign(rows_.size(), uniform_height_);
  }
  row_heights_.insert(row_heights_.begin() + static_cast<std::ptrdiff_t>(at), count, height);
}

void Grid::MaterializeWidths() {
  if (!col_widths_.empty()) return;
  col_widths_.assign(static_cast<size_t>(col_count_), other_width_);
  if (col_count_ > 0) col_widths_[0] = first_width_;
}

bool Grid::HasHiddenColumns() const {
  if (col_widths_.empty()) return (col_count_ > 0 && first_width_ == 0) || (col_count_ > 1 && other_width_ == 0);
  return std::find(col_widths_.begin(), col_widths_.end(), 0) != col_widths_.end();
}

bool Grid::HasHiddenRows() const {
  if (row_heights_.empty()) return !rows_.empty() && uniform_height_ == 0;
  return std::find(row_heights_.begin(), row_heights_.end(), 0) != row_heights_.end();
}

void Grid::ResetHeights(int32_t height) {
  uniform_height_ = height;
  row_heights_.clear();
  row_heights_.shrink_to_fit();
}

void Grid::SetCanSelection(bool on) {
  can_selection_ = on;
  if (!on) selection_.reset();
}

bool Grid::IsInside(int32_t row, int32_t col) const {
  return row >= 0 && col >= 0 && row < RowCount() && col < ColCount();
}

const CellRef* Grid::CellsAt(uint32_t address) const {
  if (address < kSharedBase) return cells_.data() + address;
  for (const SharedCells& shared : shared_) {
    if (address - shared.base < shared.cells->size()) return shared.cells->data() + (address - shared.base);
  }
  assert(false && "a run refers to cells this grid does not share");
  return nullptr;
}

CellRef Grid::CellAt(int32_t row, int32_t col) const {
  if (!IsInside(row, col)) return {};
  const std::span<const Run> runs = RunsOf(rows_[static_cast<size_t>(row)]);
  // The last run that starts at or before the column.
  auto it = std::upper_bound(runs.begin(), runs.end(), col, [](int32_t c, const Run& run) { return c < run.col; });
  if (it == runs.begin()) return {};
  --it;
  const auto k = static_cast<uint32_t>(col - it->col);
  if (k >= it->count) return {};
  if (!it->is_line()) return CellsAt(it->first)[k];
  // The k-th TAB-separated piece of the line.
  const std::string_view line = texts_.View(CellRef{it->first, it->bytes});
  size_t begin = 0;
  for (uint32_t skip = 0; skip < k; ++skip) {
    const size_t tab = line.find('\t', begin);
    if (tab == std::string_view::npos) return {};  // the bytes changed under a mapped file
    begin = tab + 1;
  }
  const size_t end = std::min(line.find('\t', begin), line.size());
  if (end == begin) return {};
  return CellRef{it->first + static_cast<uint32_t>(begin), static_cast<uint32_t>(end - begin)};
}

void Grid::GetRowCells(int32_t row, std::vector<CellRef>* cells) const {
  cells->clear();
  ForEachRun(row, [&](const CellRun& run) {
    cells->resize(static_cast<size_t>(run.col));
    AppendRunCells(run, cells);
  });
}

void Grid::AppendRunCells(const CellRun& run, std::vector<CellRef>* cells) {
  if (run.line.empty()) {
    cells->insert(cells->end(), run.cells.begin(), run.cells.end());
    return;
  }
  AppendLineCells(run.line, run.line_offset, run.count, cells);
}

std::string_view Grid::CellView(int32_t row, int32_t col) const { return texts_.View(CellAt(row, col)); }

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
  CellRef cell;
  if (!texts_.Add(value, &cell)) {
    CompactTexts();
    if (!texts_.Add(value, &cell)) return false;
  }
  if (cell.empty() && CellAt(row, col).empty()) return true;  // nothing to write
  // Unless it lands on an own cell, writing may turn the row into one run of own cells from its
  // first stored column to its last.
  const Row& current = rows_[static_cast<size_t>(row)];
  const bool own_cell = current.col != kRunList && current.is_own() && col >= current.col &&
                        static_cast<uint32_t>(col - current.col) < current.count;
  const std::span<const Run> runs = RunsOf(current);
  if (!own_cell) {
    int64_t span = 1;
    if (!runs.empty()) {
      const int64_t lo = std::min<int64_t>(col, runs.front().col);
      const int64_t hi = std::max<int64_t>(col + 1, int64_t{runs.back().col} + runs.back().count);
      span = hi - lo;
    }
    if (StoredCells() + span > kMaxCells) return false;
  }
  *MutableCell(row, col) = cell;
  return true;
}

CellRef* Grid::MutableCell(int32_t row, int32_t col) {
  CompactCellsIfWasteful();
  Row& r = rows_[static_cast<size_t>(row)];
  const bool own_run = r.col != kRunList && r.count > 0 && r.is_own() && col >= r.col;
  if (own_run) {
    const auto offset = static_cast<uint32_t>(col - r.col);
    if (offset < r.count) return &cells_[r.first + offset];
    if (r.first + r.count == cells_.size()) {
      // The row ends the pool: it grows in place.
      cells_.resize(r.first + offset + 1);
      r.count = offset + 1;
      return &cells_[r.first + offset];
    }
  }
  Rewrite(static_cast<size_t>(row), col);
  const Row& rewritten = rows_[static_cast<size_t>(row)];
  return &cells_[rewritten.first + static_cast<uint32_t>(col - rewritten.col)];
}

void Grid::Release(const Row& row) {
  for (const Run& run : RunsOf(row)) {
    if (run.is_own()) {
      garbage_ += run.count;
    } else {
      shared_live_ -= run.count;
    }
  }
}

void Grid::Rewrite(size_t row, int32_t col, int32_t insert_at, int32_t erase_at) {
  const Row old = rows_[row];
  const std::span<const Run> runs = RunsOf(old);
  int32_t lo = col;
  int64_t hi = int64_t{col} + 1;
  if (!runs.empty()) {
    lo = std::min(lo, runs.front().col);
    hi = std::max(hi, int64_t{runs.back().col} + runs.back().count);
  }
  if (insert_at >= 0 && insert_at < hi) ++hi;
  if (erase_at >= 0 && erase_at < hi) --hi;
  // Own cells are addressed below kSharedBase; edits that would pass it (far beyond kMaxCells)
  // fail as running out of memory does, before anything changes.
  if (cells_.size() + static_cast<size_t>(hi - lo) >= kSharedBase) throw std::bad_alloc();
  // Gathered apart first, so that running out of memory changes nothing.
  std::vector<CellRef>& dense = rewrite_scratch_;
  dense.assign(static_cast<size_t>(hi - lo), CellRef{});
  std::vector<CellRef>& piece = run_scratch_;
  for (const Run& run : runs) {
    piece.clear();
    AppendRunCells(ToCellRun(run), &piece);
    for (uint32_t k = 0; k < run.count; ++k) {
      int64_t c = int64_t{run.col} + k;
      if (c == erase_at) continue;
      if (erase_at >= 0 && c > erase_at) --c;
      if (insert_at >= 0 && c >= insert_at) ++c;
      dense[static_cast<size_t>(c - lo)] = piece[k];
    }
  }
  const auto first = static_cast<uint32_t>(cells_.size());
  cells_.insert(cells_.end(), dense.begin(), dense.end());
  Release(old);
  rows_[row] = Row{first, static_cast<uint32_t>(hi - lo), lo};
}

void Grid::CompactCellsIfWasteful() {
  if (garbage_ > kCompactAtGarbage && garbage_ > cells_.size() / 2) CompactCells();
}

void Grid::CompactCells() {
  std::vector<CellRef> packed;
  packed.reserve(cells_.size() - garbage_);
  std::vector<Run> runs;
  auto pack = [&](Run& run) {
    if (!run.is_own()) return;
    const auto first = static_cast<uint32_t>(packed.size());
    packed.insert(packed.end(), cells_.begin() + run.first, cells_.begin() + run.first + run.count);
    run.first = first;
  };
  for (Row& row : rows_) {
    if (row.col != kRunList) {
      pack(row);
      continue;
    }
    const auto first = static_cast<uint32_t>(runs.size());
    for (uint32_t k = 0; k < row.count; ++k) {
      runs.push_back(runs_[row.first + k]);
      pack(runs.back());
    }
    row.first = first;
  }
  cells_ = std::move(packed);
  runs_ = std::move(runs);
  garbage_ = 0;
}

void Grid::CompactTexts() {
  // Only worth it, and only possible, when the live texts fit a fresh address space.
  uint64_t live = 0;
  for (const Row& row : rows_) {
    for (const Run& run : RunsOf(row)) {
      if (run.is_line()) {
        live += run.bytes;
        continue;
      }
      const CellRef* cells = CellsAt(run.first);
      for (uint32_t k = 0; k < run.count; ++k) live += cells[k].size();
    }
  }
  if (live + (uint64_t{1} << 20) >= texts_.used()) return;
  // Shared cells and lines cannot be rewritten: every row takes its own copy first.
  for (size_t r = 0; r < rows_.size(); ++r) {
    const std::span<const Run> runs = RunsOf(rows_[r]);
    if (std::any_of(runs.begin(), runs.end(), [](const Run& run) { return !run.is_own(); })) {
      Rewrite(r, runs.front().col);
    }
  }
  shared_.clear();
  CompactCells();
  TextStore fresh;
  for (CellRef& cell : cells_) {
    if (cell.empty()) continue;
    const bool added = fresh.Add(texts_.View(cell), &cell);
    assert(added);
    (void)added;
  }
  texts_ = std::move(fresh);
}

void Grid::MakeNonEmptyForInsert() {
  // A grid without rows (columns) and without fixed cells first gets one fixed row and one
  // fixed column, as the grid control this model follows does.
  if (head_rows_ != 0 || head_cols_ != 0) return;
  head_rows_ = 1;
  if (rows_.empty()) {
    InsertHeights(rows_.size(), 1, kDefaultRowHeight);
    rows_.push_back(Row{});
  }
  head_cols_ = 1;
  if (col_count_ == 0) {
    col_widths_.clear();
    first_width_ = kInsertedColumnWidth;
    col_count_ = 1;
  }
}

bool Grid::InsertRow(std::optional<int32_t> position) {
  if (RowCount() >= kMaxRows) return false;
  if (rows_.empty()) MakeNonEmptyForInsert();
  int32_t pos = position.value_or(-1);
  if (pos < head_rows_ || pos >= RowCount()) pos = -1;
  const int32_t height = rows_.empty() ? kDefaultRowHeight : HeightOf(0);
  if (pos < 0) {
    InsertHeights(rows_.size(), 1, height);
    rows_.push_back(Row{});
  } else {
    InsertHeights(static_cast<size_t>(pos), 1, height);
    rows_.insert(rows_.begin() + pos, Row{});
  }
  selection_.reset();
  return true;
}

bool Grid::InsertColumn(std::optional<int32_t> position) {
  if (ColCount() >= kMaxCols) return false;
  if (col_count_ == 0) MakeNonEmptyForInsert();
  int32_t pos = position.value_or(-1);
  if (pos < head_cols_ || pos >= ColCount()) pos = -1;
  if (pos < 0) {
    // Cells past a row's stored ones are empty: an appended column costs no cell.
    if (col_count_ == 0) {
      first_width_ = kInsertedColumnWidth;  // the new column is column 0
    } else if (!col_widths_.empty() || other_width_ != kInsertedColumnWidth) {
      MaterializeWidths();
      col_widths_.push_back(kInsertedColumnWidth);
    }
    ++col_count_;
  } else {
    // Runs right of the new column move over; a row with a run it cuts through is rewritten
    // with an empty cell in between.
    for (size_t r = 0; r < rows_.size(); ++r) {
      const std::span<const Run> runs = RunsOf(rows_[r]);
      if (std::any_of(runs.begin(), runs.end(), [&](const Run& run) { return run.col < pos && pos - run.col < static_cast<int64_t>(run.count); })) {
        Rewrite(r, pos, pos);
        continue;
      }
      for (Run& run : MutableRunsOf(rows_[r])) {
        if (run.col >= pos) ++run.col;
      }
    }
    CompactCellsIfWasteful();
    if (!col_widths_.empty() || pos == 0 || other_width_ != kInsertedColumnWidth) {
      MaterializeWidths();
      col_widths_.insert(col_widths_.begin() + pos, kInsertedColumnWidth);
    }
    ++col_count_;
  }
  selection_.reset();
  return true;
}

bool Grid::DeleteRow(int32_t row) {
  if (row < 0 || row >= RowCount()) return false;
  Release(rows_[static_cast<size_t>(row)]);
  rows_.erase(rows_.begin() + row);
  if (!row_heights_.empty()) row_heights_.erase(row_heights_.begin() + row);
  if (row < head_rows_) --head_rows_;
  selection_.reset();
  if (cursor_.row >= 0) {
    if (cursor_.row == RowCount()) --cursor_.row;  // it was on the last row
    if (cursor_.row < head_rows_ || cursor_.row < 0) cursor_ = CellPos{};
  }
  CompactCellsIfWasteful();
  return true;
}

bool Grid::DeleteColumn(int32_t col) {
  if (col < 0 || col >= ColCount()) return false;
  // Runs right of the column move back. A row of one run of own cells that holds it closes the
  // gap in place; any other row that holds it is rewritten without the cell.
  for (size_t r = 0; r < rows_.size(); ++r) {
    Row& row = rows_[r];
    const std::span<const Run> runs = RunsOf(row);
    if (std::none_of(runs.begin(), runs.end(), [&](const Run& run) { return run.col <= col && col - run.col < static_cast<int64_t>(run.count); })) {
      for (Run& run : MutableRunsOf(row)) {
        if (run.col > col) --run.col;
      }
    } else if (row.col != kRunList && row.is_own()) {
      const auto begin = cells_.begin() + row.first;
      std::copy(begin + (col - row.col) + 1, begin + row.count, begin + (col - row.col));
      --row.count;
      ++garbage_;
    } else {
      Rewrite(r, col, -1, col);
    }
  }
  if (!col_widths_.empty()) {
    col_widths_.erase(col_widths_.begin() + col);
  } else if (col == 0 && col_count_ > 1) {
    first_width_ = other_width_;  // column 1 becomes column 0
  }
  --col_count_;
  if (col < head_cols_) --head_cols_;
  selection_.reset();
  if (cursor_.col >= 0) {
    if (cursor_.col == ColCount()) --cursor_.col;  // it was on the last column
    if (cursor_.col < head_cols_ || cursor_.col < 0) cursor_ = CellPos{};
  }
  CompactCellsIfWasteful();
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
  if (col_widths_.empty()) {
    if (col == 0) {
      first_width_ = width;
      return true;
    }
    if (width == other_width_) return true;
    MaterializeWidths();
  }
  col_widths_[static_cast<size_t>(col)] = width;
  return true;
}

bool Grid::SetRowHeight(int32_t row, int32_t height) {
  if (row < 0 || row >= RowCount() || height < 0) return false;
  if (row_heights_.empty()) {
    if (height == uniform_height_) return true;
    row_heights_.assign(rows_.size(), uniform_height_);
  }
  row_heights_[static_cast<size_t>(row)] = height;
  return true;
}

void Grid::SetWidths(int32_t cols, int32_t width, bool apply_width) {
  col_count_ = cols;
  col_widths_.clear();
  col_widths_.shrink_to_fit();
  first_width_ = col_width_;
  other_width_ = kInsertedColumnWidth;
  if (apply_width && width >= 2) first_width_ = other_width_ = width;
}

void Grid::ResetContent() {
  const int32_t rows = RowCount();
  const int32_t cols = ColCount();
  RestoreDesign();
  ClearCells();
  rows_.assign(static_cast<size_t>(rows), Row{});
  ResetHeights(row_height_);
  SetWidths(cols, col_width_, true);
  first_width_ = other_width_ = col_width_;
  head_rows_ = std::clamp(design_.head_row_count, 0, rows);
  head_cols_ = std::clamp(design_.head_col_count, 0, cols);
}

bool Grid::ResizeAndClear(int32_t rows, int32_t cols, int32_t width, bool apply_width) {
  const int32_t r = std::max(rows, 1);
  const int32_t c = std::max(cols, 1);
  if (r > kMaxRows || c > kMaxCols) return false;
  RestoreDesign();
  ClearCells();
  rows_.assign(static_cast<size_t>(r), Row{});
  rows_.shrink_to_fit();
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

bool Grid::CopySelectionToClipboard(Clipboard& clipboard) const {
  std::optional<CellRect> rect = selection_;
  if (!can_selection_ && IsInside(cursor_.row, cursor_.col)) {
    rect = CellRect{cursor_.row, cursor_.col, cursor_.row, cursor_.col};
  }
  if (!rect) return true;
  return clipboard.WriteTextFrom([&](TextSink& sink) { WriteTableText(*this, *rect, sink); });
}

bool Grid::PasteFromClipboard(Clipboard& clipboard) {
  if (!is_edit_) return false;
  CellPos start = cursor_;
  if (!IsInside(start.row, start.col)) start = CellPos{head_rows_, head_cols_};
  if (!IsInside(start.row, start.col)) return false;
  std::optional<std::string> text = clipboard.ReadText();
  if (!text || text->empty()) return false;
  ParsedTable table;
  std::string error;
  if (!ParseTableText(std::move(*text), &table, &error)) return false;

  // The pieces keep their bytes: the parsed text becomes one more chunk of this grid's store.
  uint32_t base = 0;
  if (!texts_.Adopt(table.bytes, &base)) {
    CompactTexts();
    if (!texts_.Adopt(table.bytes, &base)) return false;
  }
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
    GetRowCells(row, &before);
    for (size_t k = 0; k < pieces; ++k) {
      CellRef cell = cells[k];
      cell.offset += base;
      // An empty piece clears its cell; one that holds nothing is empty already.
      const auto target = static_cast<size_t>(target_cols[k]);
      if (cell.empty() && (target >= before.size() || before[target].empty())) continue;
      *MutableCell(row, target_cols[k]) = cell;
    }
    ++row;
  }
  selection_.reset();
  // Each paste keeps its whole text, pieces that fell outside included; once the store has grown
  // well past what it held after the last clean-up, keep only the texts that cells still use.
  if (texts_.used() > 2 * texts_after_compaction_ + (uint64_t{64} << 20)) {
    CompactTexts();
    texts_after_compaction_ = texts_.used();
  }
  return true;
}

void Grid::ClearCells() {
  texts_.Clear();
  cells_.clear();
  cells_.shrink_to_fit();
  garbage_ = 0;
  shared_.clear();
  shared_live_ = 0;
  runs_.clear();
  runs_.shrink_to_fit();
}

bool Grid::AdoptTable(ParsedTable&& table, int32_t width, bool apply_width) {
  const size_t rows = std::max<size_t>(table.lines.size(), 1);
  if (rows > static_cast<size_t>(kMaxRows) || table.cols > kMaxCols ||
      static_cast<int64_t>(table.cells.size()) > kMaxCells) {
    return false;
  }
  TextStore texts;
  uint32_t base = 0;
  if (!texts.Adopt(table.bytes, &base)) return false;
  assert(base == 0);
  RestoreDesign();
  ClearCells();
  texts_ = std::move(texts);
  texts_after_compaction_ = texts_.used();
  // A plain line stays a line of the text; the other lines' cells become shared cells as they
  // lie, each row referring to its line's cells up to the last non-empty one.
  if (table.cells.capacity() > table.cells.size() + table.cells.size() / 4) table.cells.shrink_to_fit();
  const CellRef* cells = table.cells.data();
  rows_ = std::vector<Row>(rows);
  for (size_t r = 0; r < table.lines.size(); ++r) {
    const TableLine& line = table.lines[r];
    Row& row = rows_[r];
    row = Row{line.first, line.count, 0, line.bytes};
    if (!row.is_line()) {
      while (row.count > 0 && cells[row.first + row.count - 1].empty()) --row.count;
      row.first += kSharedBase;
    }
    shared_live_ += row.count;
  }
  std::vector<TableLine>().swap(table.lines);
  if (!table.cells.empty()) {
    shared_.push_back(SharedCells{kSharedBase, std::make_shared<const std::vector<CellRef>>(std::move(table.cells))});
  }
  ResetHeights(row_height_);
  SetWidths(std::max(table.cols, 1), width, apply_width);
  return true;
}

void Grid::StartSharing(const Grid& other, int32_t cols, int32_t width, bool apply_width) {
  RestoreDesign();
  ClearCells();
  texts_.ShareAll(other.texts_);
  texts_after_compaction_ = texts_.used();
  shared_ = other.shared_;
  rows_.clear();
  ResetHeights(row_height_);
  SetWidths(cols, width, apply_width);
}

void Grid::AppendCellsOf(const Grid& other, int32_t row, int32_t at) {
  assert(!rows_.empty() && row >= 0 && row < other.RowCount());
  for (const Run& run : other.RunsOf(other.rows_[static_cast<size_t>(row)])) {
    Run moved{run.first, run.count, run.col + at, run.bytes};
    assert(int64_t{moved.col} + moved.count <= col_count_);
    if (!run.is_own()) {
      shared_live_ += run.count;
    } else {
      // The other grid's own cells may change under it: this grid takes a copy.
      moved.first = static_cast<uint32_t>(cells_.size());
      cells_.insert(cells_.end(), other.cells_.begin() + run.first, other.cells_.begin() + run.first + run.count);
    }
    Row& last = rows_.back();
    if (last.col != kRunList && last.count == 0) {
      last = moved;
    } else if (last.col != kRunList) {
      // A second run: the row's runs go to runs_, where the runs of the last row are the last.
      const auto first = static_cast<uint32_t>(runs_.size());
      runs_.push_back(last);
      runs_.push_back(moved);
      last = Row{first, 2, kRunList};
    } else {
      assert(last.first + last.count == runs_.size());
      runs_.push_back(moved);
      ++last.count;
    }
  }
}

void Grid::Reserve(int64_t rows, int64_t runs) {
  rows_.reserve(rows_.size() + static_cast<size_t>(rows));
  runs_.reserve(runs_.size() + static_cast<size_t>(runs));
}

namespace {

template <typename T>
std::span<std::byte> Unused(std::vector<T>& v) {
  return {reinterpret_cast<std::byte*>(v.data() + v.size()), (v.capacity() - v.size()) * sizeof(T)};
}

}  // namespace

std::span<std::byte> Grid::ReservedRows() { return Unused(rows_); }
std::span<std::byte> Grid::ReservedRuns() { return Unused(runs_); }

void Grid::AppendEmptyRows(int32_t count) {
  if (count <= 0) return;
  InsertHeights(rows_.size(), static_cast<size_t>(count), row_height_);
  rows_.resize(rows_.size() + static_cast<size_t>(count), Row{});
}

}  // namespace parvex
