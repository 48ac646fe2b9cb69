// RowStore: how a grid keeps the cells of its rows, and the fast way to read them.
//
// A cell is an 8-byte CellRef into the store's texts (text_store.h). Only the cells from a row's
// first stored one to its last are kept: the empty cells after them cost nothing. A row keeps
// its cells in one run, or lists several runs; a run is one of
//   - own cells: this store's pool, which edits write to;
//   - shared cells: read-only cells shared with other stores, an imported table's, which the
//     rows of its layouts refer to instead of copying them;
//   - a plain line: a line of table text that is its cells joined by TABs as they stand (nothing
//     to trim or unquote, no empty last piece), kept as one 16-byte reference to the text.
// Editing a run that is not own cells first gives the row its own copy (copy on write); cells
// dropped from the pool are compacted away once they outnumber the live ones.
#ifndef PARVEX_GRID_ROW_STORE_H_
#define PARVEX_GRID_ROW_STORE_H_

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "grid/parsed_table.h"
#include "grid/text_store.h"

namespace parvex {

// A run of stored cells of a row as a reader sees it: columns `col` .. `col + count - 1`.
// Either `cells` holds them, or they are the TAB-separated pieces of the plain line `line`,
// whose first byte is at `line_offset` in the store's texts.
struct CellRun {
  int32_t col = 0;
  uint32_t count = 0;
  std::span<const CellRef> cells;
  std::string_view line;
  uint32_t line_offset = 0;
  bool is_line() const { return !line.empty(); }
};

class RowStore {
 public:
  enum class RowKind { kNoCells, kOwnCells, kSharedCells, kPlainLine, kSeveralRuns };

  RowStore() = default;

  // ---- Reading ----

  int32_t RowCount() const { return static_cast<int32_t>(rows_.size()); }
  RowKind KindOf(int32_t row) const;
  // Calls `visit(const CellRun&)` for the stored cells of `row`, left to right; every column no
  // run covers is empty. Nothing for a row outside the store.
  template <typename Visit>
  void ForEachRun(int32_t row, Visit&& visit) const;
  // Appends the run's cells to `cells`, cutting its line when it has one.
  static void AppendRunCells(const CellRun& run, std::vector<CellRef>* cells);
  // The row's cells from column 0 to its last stored one: cheaper than CellAt column by column.
  void GetRowCells(int32_t row, std::vector<CellRef>* cells) const;
  // The cell at (row, col); the empty cell when nothing is stored there.
  CellRef CellAt(int32_t row, int32_t col) const;
  std::string_view Text(CellRef cell) const { return texts_.View(cell); }
  const TextStore& texts() const { return texts_; }
  // Cells stored, shared ones counted for every row that refers to them (what kMaxCells bounds).
  int64_t StoredCells() const { return static_cast<int64_t>(cells_.size() - garbage_) + shared_live_; }
  // Runs kept in the lists of rows made of several: at most what appending every row of this
  // store to another takes beyond a run each.
  int64_t ListedRuns() const { return static_cast<int64_t>(runs_.size()); }

  // ---- Editing (the grid's operations) ----

  // Drops every cell and text; `rows` rows without cells remain.
  void Clear(size_t rows);
  void InsertRows(size_t at, size_t count);
  void EraseRow(size_t row);
  // Moves the cells from column `col` on one column right (InsertColumn) or, dropping the cell
  // at `col`, one column left (EraseColumn).
  void InsertColumn(int32_t col);
  void EraseColumn(int32_t col);
  // Stores `text` in the cell. False, and no change, when the text cannot be stored or the row
  // would make the store pass `max_cells`.
  bool SetText(int32_t row, int32_t col, std::string_view text, int64_t max_cells);
  // Makes `bytes` part of the texts, their first byte at `*base`; false when they do not fit.
  bool AdoptText(const TextBuffer& bytes, uint32_t* base);
  // Writes a cell whose text is in this store already (one AdoptText made).
  void SetCell(int32_t row, int32_t col, CellRef cell) { *MutableCell(row, col) = cell; }
  // Once the texts have grown well past what they held after the last clean-up, keeps only the
  // texts that cells still use.
  void CompactTextsIfGrown();

  // ---- Construction (GridBuilder) ----

  // Replaces everything by the table's lines: plain lines stay lines of its text, the other
  // lines' cells become shared cells as they lie. Copies no byte and no cell. False, and no
  // change, when its text does not fit.
  bool Adopt(ParsedTable&& table);
  // Clears the store to no rows, sharing `other`'s texts and shared cells, so that rows
  // appended from `other`'s rows refer to them.
  void ShareFrom(const RowStore& other);
  // Puts the stored cells of `other`'s row `row`, moved `at` columns right, into the last row,
  // right of what it holds. `other` is the store this one shares from (ShareFrom).
  void AppendRunsOf(const RowStore& other, int32_t row, int32_t at);
  // Makes room for `rows` more rows and `runs` more listed runs, so that appending moves nothing.
  void Reserve(int64_t rows, int64_t runs);
  // The room Reserve made, for Prefault: fresh memory the appending is about to fill.
  std::span<std::byte> ReservedRows();
  std::span<std::byte> ReservedRuns();

 private:
  // A row, or one run of a row made of several, in 16 bytes: a million-row table has a million.
  // `first` is an index into the own cells, into the shared cells, or into runs_ for a row of
  // several runs, or the text offset of a plain line.
  class Slot {
   public:
    enum class Kind : uint32_t { kNone, kOwnCells, kSharedCells, kPlainLine, kRunList };

    Slot() = default;  // a row without stored cells
    static Slot OwnCells(int32_t col, uint32_t first, uint32_t count) { return {Kind::kOwnCells, col, first, count, 0}; }
    static Slot SharedCells(int32_t col, uint32_t first, uint32_t count) {
      return {Kind::kSharedCells, col, first, count, 0};
    }
    static Slot PlainLine(int32_t col, uint32_t offset, uint32_t bytes, uint32_t count) {
      return {Kind::kPlainLine, col, offset, count, bytes};
    }
    static Slot RunList(uint32_t first, uint32_t count) { return {Kind::kRunList, 0, first, count, 0}; }

    Kind kind() const { return static_cast<Kind>(count_and_kind_ >> kCountBits); }
    bool is(Kind k) const { return kind() == k; }
    int32_t col() const { return col_; }
    uint32_t first() const { return first_; }
    uint32_t count() const { return count_and_kind_ & kCountMask; }
    uint32_t bytes() const { return bytes_; }  // of a plain line
    // The columns a run covers, one past its last.
    int64_t end() const { return int64_t{col_} + count(); }
    bool covers(int64_t c) const { return c >= col_ && c < end(); }

    void set_col(int32_t col) { col_ = col; }
    void set_first(uint32_t first) { first_ = first; }
    void set_count(uint32_t count) {
      assert(count <= kCountMask);
      count_and_kind_ = (count_and_kind_ & ~kCountMask) | count;
    }

   private:
    // Counts are at most kMaxCols (2^24) cells or runs; the kind takes the top bits.
    static constexpr int kCountBits = 28;
    static constexpr uint32_t kCountMask = (uint32_t{1} << kCountBits) - 1;

    Slot(Kind kind, int32_t col, uint32_t first, uint32_t count, uint32_t bytes)
        : first_(first), count_and_kind_((static_cast<uint32_t>(kind) << kCountBits) | count), col_(col), bytes_(bytes) {
      assert(count <= kCountMask);
    }

    uint32_t first_ = 0;
    uint32_t count_and_kind_ = 0;
    int32_t col_ = 0;
    uint32_t bytes_ = 0;
  };
  static_assert(sizeof(Slot) == 16);

  // A block of read-only cells, addressed from `base` on.
  struct SharedBlock {
    uint32_t base = 0;
    std::shared_ptr<const std::vector<CellRef>> cells;
  };

  // The runs of a row: none (no cells, or a run that lost its last), itself, or its listed ones.
  std::span<const Slot> RunsOf(const Slot& row) const {
    if (row.is(Slot::Kind::kRunList)) return {runs_.data() + row.first(), row.count()};
    return {&row, row.count() == 0 ? 0u : 1u};
  }
  std::span<Slot> MutableRunsOf(Slot& row) {
    if (row.is(Slot::Kind::kRunList)) return {runs_.data() + row.first(), row.count()};
    return {&row, row.count() == 0 ? 0u : 1u};
  }
  const CellRef* SharedCellsAt(uint32_t address) const;
  CellRun ToCellRun(const Slot& run) const;
  // Forgets the row's cells: own ones become garbage, shared ones are no longer counted.
  void Release(const Slot& row);
  // Rewrites `row` as one run of own cells from its first stored column (or `col`) to its last
  // (or `col`), with an empty cell put in before column `insert_at` or the cell at column
  // `erase_at` taken out when those are not negative.
  void Rewrite(size_t row, int32_t col, int32_t insert_at = -1, int32_t erase_at = -1);
  CellRef* MutableCell(int32_t row, int32_t col);  // makes the cell an own, writable one
  void CompactCells();
  // Compacts once dropped cells outnumber the live ones (and are many).
  void CompactCellsIfWasteful();
  void CompactTexts();

  TextStore texts_;
  uint64_t texts_after_compaction_ = 0;  // texts_.used() after the last clean-up or new table
  std::vector<CellRef> cells_;           // own cells
  size_t garbage_ = 0;                   // own cells no row refers to any more
  std::vector<SharedBlock> shared_;      // ascending base
  int64_t shared_live_ = 0;              // shared cells that rows refer to, once per row
  std::vector<Slot> runs_;               // the runs of rows that have several
  std::vector<Slot> rows_;
  // Rewrite's buffers: the row's cells, and one run's.
  std::vector<CellRef> rewrite_scratch_;
  std::vector<CellRef> run_scratch_;
};

inline CellRun RowStore::ToCellRun(const Slot& run) const {
  CellRun out{run.col(), run.count(), {}, {}, 0};
  switch (run.kind()) {
    case Slot::Kind::kPlainLine:
      out.line = texts_.View(CellRef{run.first(), run.bytes()});
      out.line_offset = run.first();
      break;
    case Slot::Kind::kOwnCells:
      out.cells = std::span<const CellRef>(cells_.data() + run.first(), run.count());
      break;
    case Slot::Kind::kSharedCells:
      out.cells = std::span<const CellRef>(SharedCellsAt(run.first()), run.count());
      break;
    case Slot::Kind::kNone:
    case Slot::Kind::kRunList:
      assert(false && "not a run");
      break;
  }
  return out;
}

template <typename Visit>
void RowStore::ForEachRun(int32_t row, Visit&& visit) const {
  if (row < 0 || row >= RowCount()) return;
  for (const Slot& run : RunsOf(rows_[static_cast<size_t>(row)])) visit(ToCellRun(run));
}

}  // namespace parvex

#endif  // PARVEX_GRID_ROW_STORE_H_
