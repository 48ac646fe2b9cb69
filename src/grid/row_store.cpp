#include "grid/row_store.h"

#include <algorithm>
#include <limits>
#include <new>
#include <span>

#include "port/prefault.h"

namespace parvex {
namespace {

// Dropped cells are left in the pool until they outnumber the live ones (and are many).
constexpr size_t kCompactAtGarbage = 4096;
// Own cells are addressed by 32 bits.
constexpr size_t kMaxOwnCells = std::numeric_limits<uint32_t>::max();

template <typename T>
std::span<std::byte> Unused(std::vector<T>& v) {
  return {reinterpret_cast<std::byte*>(v.data() + v.size()), (v.capacity() - v.size()) * sizeof(T)};
}

}  // namespace

RowStore::RowKind RowStore::KindOf(int32_t row) const {
  if (row < 0 || row >= RowCount()) return RowKind::kNoCells;
  const Slot& slot = rows_[static_cast<size_t>(row)];
  if (slot.count() == 0) return RowKind::kNoCells;
  switch (slot.kind()) {
    case Slot::Kind::kNone: return RowKind::kNoCells;
    case Slot::Kind::kOwnCells: return RowKind::kOwnCells;
    case Slot::Kind::kSharedCells: return RowKind::kSharedCells;
    case Slot::Kind::kPlainLine: return RowKind::kPlainLine;
    case Slot::Kind::kRunList: return RowKind::kSeveralRuns;
  }
  return RowKind::kNoCells;
}

const CellRef* RowStore::SharedCellsAt(uint32_t address) const {
  for (const SharedBlock& block : shared_) {
    if (address - block.base < block.cells->size()) return block.cells->data() + (address - block.base);
  }
  assert(false && "a run refers to cells this store does not share");
  return nullptr;
}

void RowStore::AppendRunCells(const CellRun& run, std::vector<CellRef>* cells) {
  if (!run.is_line()) {
    cells->insert(cells->end(), run.cells.begin(), run.cells.end());
    return;
  }
  AppendLineCells(run.line, run.line_offset, run.count, cells);
}

void RowStore::GetRowCells(int32_t row, std::vector<CellRef>* cells) const {
  cells->clear();
  ForEachRun(row, [&](const CellRun& run) {
    cells->resize(static_cast<size_t>(run.col));
    AppendRunCells(run, cells);
  });
}

CellRef RowStore::CellAt(int32_t row, int32_t col) const {
  if (row < 0 || row >= RowCount() || col < 0) return {};
  const std::span<const Slot> runs = RunsOf(rows_[static_cast<size_t>(row)]);
  // The last run that starts at or before the column.
  auto it = std::upper_bound(runs.begin(), runs.end(), col, [](int32_t c, const Slot& run) { return c < run.col(); });
  if (it == runs.begin()) return {};
  --it;
  if (!it->covers(col)) return {};
  const auto k = static_cast<uint32_t>(col - it->col());
  switch (it->kind()) {
    case Slot::Kind::kOwnCells: return cells_[it->first() + k];
    case Slot::Kind::kSharedCells: return SharedCellsAt(it->first())[k];
    default: break;
  }
  // The k-th TAB-separated piece of the line.
  const std::string_view line = texts_.View(CellRef{it->first(), it->bytes()});
  size_t begin = 0;
  for (uint32_t skip = 0; skip < k; ++skip) {
    const size_t tab = line.find('\t', begin);
    if (tab == std::string_view::npos) return {};  // the bytes changed under a mapped file
    begin = tab + 1;
  }
  const size_t end = std::min(line.find('\t', begin), line.size());
  if (end == begin) return {};
  return CellRef{it->first() + static_cast<uint32_t>(begin), static_cast<uint32_t>(end - begin)};
}

void RowStore::Clear(size_t rows) {
  texts_.Clear();
  texts_after_compaction_ = 0;
  cells_.clear();
  cells_.shrink_to_fit();
  garbage_ = 0;
  shared_.clear();
  shared_live_ = 0;
  runs_.clear();
  runs_.shrink_to_fit();
  rows_.assign(rows, Slot{});
  rows_.shrink_to_fit();
}

void RowStore::InsertRows(size_t at, size_t count) {
  if (at == rows_.size()) {
    rows_.resize(rows_.size() + count);  // a layout appends its rows one at a time
    return;
  }
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), count, Slot{});
}

void RowStore::EraseRow(size_t row) {
  Release(rows_[row]);
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
  CompactCellsIfWasteful();
}

void RowStore::InsertColumn(int32_t col) {
  // Runs right of the new column move over; a row with a run it cuts through is rewritten with
  // an empty cell in between.
  for (size_t r = 0; r < rows_.size(); ++r) {
    const std::span<const Slot> runs = RunsOf(rows_[r]);
    if (std::any_of(runs.begin(), runs.end(), [&](const Slot& run) { return run.col() < col && run.covers(col); })) {
      Rewrite(r, col, col);
      continue;
    }
    for (Slot& run : MutableRunsOf(rows_[r])) {
      if (run.col() >= col) run.set_col(run.col() + 1);
    }
  }
  CompactCellsIfWasteful();
}

void RowStore::EraseColumn(int32_t col) {
  // Runs right of the column move back. A row of one run of own cells that holds it closes the
  // gap in place; any other row that holds it is rewritten without the cell.
  for (size_t r = 0; r < rows_.size(); ++r) {
    Slot& row = rows_[r];
    const std::span<const Slot> runs = RunsOf(row);
    if (std::none_of(runs.begin(), runs.end(), [&](const Slot& run) { return run.covers(col); })) {
      for (Slot& run : MutableRunsOf(row)) {
        if (run.col() > col) run.set_col(run.col() - 1);
      }
    } else if (row.is(Slot::Kind::kOwnCells)) {
      const auto begin = cells_.begin() + row.first();
      std::copy(begin + (col - row.col()) + 1, begin + row.count(), begin + (col - row.col()));
      row.set_count(row.count() - 1);
      ++garbage_;
    } else {
      Rewrite(r, col, -1, col);
    }
  }
  CompactCellsIfWasteful();
}

bool RowStore::SetText(int32_t row, int32_t col, std::string_view text, int64_t max_cells) {
  CellRef cell;
  if (!texts_.Add(text, &cell)) {
    CompactTexts();
    if (!texts_.Add(text, &cell)) return false;
  }
  if (cell.empty() && CellAt(row, col).empty()) return true;  // nothing to write
  // Unless it lands on an own cell, writing may turn the row into one run of own cells from its
  // first stored column to its last.
  const Slot& current = rows_[static_cast<size_t>(row)];
  if (!(current.is(Slot::Kind::kOwnCells) && current.covers(col))) {
    const std::span<const Slot> runs = RunsOf(current);
    int64_t span = 1;
    if (!runs.empty()) {
      const int64_t lo = std::min<int64_t>(col, runs.front().col());
      const int64_t hi = std::max<int64_t>(col + 1, runs.back().end());
      span = hi - lo;
    }
    if (StoredCells() + span > max_cells) return false;
  }
  *MutableCell(row, col) = cell;
  return true;
}

bool RowStore::AdoptText(const TextBuffer& bytes, uint32_t* base) {
  if (texts_.Adopt(bytes, base)) return true;
  CompactTexts();
  return texts_.Adopt(bytes, base);
}

void RowStore::CompactTextsIfGrown() {
  if (texts_.used() > 2 * texts_after_compaction_ + (uint64_t{64} << 20)) {
    CompactTexts();
    texts_after_compaction_ = texts_.used();
  }
}

CellRef* RowStore::MutableCell(int32_t row, int32_t col) {
  CompactCellsIfWasteful();
  Slot& r = rows_[static_cast<size_t>(row)];
  if (r.is(Slot::Kind::kOwnCells) && r.count() > 0 && col >= r.col()) {
    const auto offset = static_cast<uint32_t>(col - r.col());
    if (offset < r.count()) return &cells_[r.first() + offset];
    if (r.first() + r.count() == cells_.size()) {
      // The row ends the pool: it grows in place.
      cells_.resize(r.first() + offset + 1);
      r.set_count(offset + 1);
      return &cells_[r.first() + offset];
    }
  }
  Rewrite(static_cast<size_t>(row), col);
  const Slot& rewritten = rows_[static_cast<size_t>(row)];
  return &cells_[rewritten.first() + static_cast<uint32_t>(col - rewritten.col())];
}

void RowStore::Release(const Slot& row) {
  for (const Slot& run : RunsOf(row)) {
    if (run.is(Slot::Kind::kOwnCells)) {
      garbage_ += run.count();
    } else {
      shared_live_ -= run.count();
    }
  }
}

void RowStore::Rewrite(size_t row, int32_t col, int32_t insert_at, int32_t erase_at) {
  const Slot old = rows_[row];
  const std::span<const Slot> runs = RunsOf(old);
  int32_t lo = col;
  int64_t hi = int64_t{col} + 1;
  if (!runs.empty()) {
    lo = std::min(lo, runs.front().col());
    hi = std::max(hi, runs.back().end());
  }
  if (insert_at >= 0 && insert_at < hi) ++hi;
  if (erase_at >= 0 && erase_at < hi) --hi;
  // Edits that would pass the own cells' address space (far beyond kMaxCells) fail as running
  // out of memory does, before anything changes.
  if (cells_.size() + static_cast<size_t>(hi - lo) >= kMaxOwnCells) throw std::bad_alloc();
  // Gathered apart first, so that running out of memory changes nothing.
  std::vector<CellRef>& dense = rewrite_scratch_;
  dense.assign(static_cast<size_t>(hi - lo), CellRef{});
  std::vector<CellRef>& piece = run_scratch_;
  for (const Slot& run : runs) {
    piece.clear();
    AppendRunCells(ToCellRun(run), &piece);
    for (uint32_t k = 0; k < run.count(); ++k) {
      int64_t c = int64_t{run.col()} + k;
      if (c == erase_at) continue;
      if (erase_at >= 0 && c > erase_at) --c;
      if (insert_at >= 0 && c >= insert_at) ++c;
      dense[static_cast<size_t>(c - lo)] = piece[k];
    }
  }
  const auto first = static_cast<uint32_t>(cells_.size());
  cells_.insert(cells_.end(), dense.begin(), dense.end());
  Release(old);
  rows_[row] = Slot::OwnCells(lo, first, static_cast<uint32_t>(hi - lo));
}

void RowStore::CompactCellsIfWasteful() {
  if (garbage_ > kCompactAtGarbage && garbage_ > cells_.size() / 2) CompactCells();
}

void RowStore::CompactCells() {
  std::vector<CellRef> packed;
  packed.reserve(cells_.size() - garbage_);
  std::vector<Slot> runs;
  auto pack = [&](Slot& run) {
    if (!run.is(Slot::Kind::kOwnCells)) return;
    const auto first = static_cast<uint32_t>(packed.size());
    packed.insert(packed.end(), cells_.begin() + run.first(), cells_.begin() + run.first() + run.count());
    run.set_first(first);
  };
  for (Slot& row : rows_) {
    if (!row.is(Slot::Kind::kRunList)) {
      pack(row);
      continue;
    }
    const auto first = static_cast<uint32_t>(runs.size());
    for (uint32_t k = 0; k < row.count(); ++k) {
      runs.push_back(runs_[row.first() + k]);
      pack(runs.back());
    }
    row.set_first(first);
  }
  cells_ = std::move(packed);
  runs_ = std::move(runs);
  garbage_ = 0;
}

void RowStore::CompactTexts() {
  // Only worth it, and only possible, when the live texts fit a fresh address space.
  uint64_t live = 0;
  for (const Slot& row : rows_) {
    for (const Slot& run : RunsOf(row)) {
      if (run.is(Slot::Kind::kPlainLine)) {
        live += run.bytes();
        continue;
      }
      for (const CellRef cell : ToCellRun(run).cells) live += cell.size();
    }
  }
  if (live + (uint64_t{1} << 20) >= texts_.used()) return;
  // Shared cells and lines cannot be rewritten: every row takes its own copy first.
  for (size_t r = 0; r < rows_.size(); ++r) {
    const std::span<const Slot> runs = RunsOf(rows_[r]);
    if (std::any_of(runs.begin(), runs.end(), [](const Slot& run) { return !run.is(Slot::Kind::kOwnCells); })) {
      Rewrite(r, runs.front().col());
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

bool RowStore::Adopt(ParsedTable&& table) {
  TextStore texts;
  uint32_t base = 0;
  if (!texts.Adopt(table.bytes, &base)) return false;
  assert(base == 0);
  Clear(0);
  texts_ = std::move(texts);
  texts_after_compaction_ = texts_.used();
  // Each row refers to its line's cells up to the last non-empty one.
  if (table.cells.capacity() > table.cells.size() + table.cells.size() / 4) table.cells.shrink_to_fit();
  const CellRef* cells = table.cells.data();
  std::vector<Slot> rows;
  rows.reserve(std::max<size_t>(table.lines.size(), 1));
  {
    // A row each is a million rows' worth of fresh memory: fault it in on the second core while
    // the rows are filled.
    const Prefault prefault({std::span<std::byte>(reinterpret_cast<std::byte*>(rows.data()), rows.capacity() * sizeof(Slot))});
    for (const TableLine& line : table.lines) {
      Slot row;
      if (line.is_plain()) {
        row = Slot::PlainLine(0, line.first, line.bytes, line.count);
      } else {
        uint32_t count = line.count;
        while (count > 0 && cells[line.first + count - 1].empty()) --count;
        if (count > 0) row = Slot::SharedCells(0, line.first, count);
      }
      shared_live_ += row.count();
      rows.push_back(row);
    }
  }
  if (rows.empty()) rows.emplace_back();
  rows_ = std::move(rows);
  std::vector<TableLine>().swap(table.lines);
  if (!table.cells.empty()) {
    shared_.push_back(SharedBlock{0, std::make_shared<const std::vector<CellRef>>(std::move(table.cells))});
  }
  return true;
}

void RowStore::ShareFrom(const RowStore& other) {
  Clear(0);
  texts_.ShareAll(other.texts_);
  texts_after_compaction_ = texts_.used();
  shared_ = other.shared_;
}

void RowStore::AppendRunsOf(const RowStore& other, int32_t row, int32_t at) {
  assert(!rows_.empty() && row >= 0 && row < other.RowCount());
  for (const Slot& run : other.RunsOf(other.rows_[static_cast<size_t>(row)])) {
    Slot moved = run;
    moved.set_col(run.col() + at);
    if (run.is(Slot::Kind::kOwnCells)) {
      // The other store's own cells may change under it: this store takes a copy.
      moved.set_first(static_cast<uint32_t>(cells_.size()));
      cells_.insert(cells_.end(), other.cells_.begin() + run.first(), other.cells_.begin() + run.first() + run.count());
    } else {
      shared_live_ += run.count();
    }
    Slot& last = rows_.back();
    if (last.is(Slot::Kind::kNone)) {
      last = moved;
    } else if (!last.is(Slot::Kind::kRunList)) {
      // A second run: the row's runs go to runs_, where the runs of the last row are the last.
      const auto first = static_cast<uint32_t>(runs_.size());
      runs_.push_back(last);
      runs_.push_back(moved);
      last = Slot::RunList(first, 2);
    } else {
      assert(last.first() + last.count() == runs_.size());
      runs_.push_back(moved);
      last.set_count(last.count() + 1);
    }
  }
}

void RowStore::Reserve(int64_t rows, int64_t runs) {
  rows_.reserve(rows_.size() + static_cast<size_t>(rows));
  runs_.reserve(runs_.size() + static_cast<size_t>(runs));
}

std::span<std::byte> RowStore::ReservedRows() { return Unused(rows_); }
std::span<std::byte> RowStore::ReservedRuns() { return Unused(runs_); }

}  // namespace parvex
