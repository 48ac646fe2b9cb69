#include "grid/table_text_writer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <span>
#include <thread>
#include <vector>

#include "grid/block_writer.h"
#include "grid/two_thread_rows.h"

namespace parvex {
namespace {

// The grid as the writer reads it: every use of the grid's rows is in this class.
class GridRows {
 public:
  // Stored cells of a row, columns `col` .. `col + count - 1`: either `cells`, or the
  // TAB-separated pieces of the plain line `line`, which need no trimming or quoting.
  struct Piece {
    int64_t col = 0;
    int64_t count = 0;
    std::string_view line;
    std::span<const CellRef> cells;
    uint32_t line_offset = 0;  // of the line's first byte in the grid's texts
  };

  explicit GridRows(const Grid& grid) : grid_(grid) {}

  int32_t RowCount() const { return grid_.RowCount(); }
  int32_t ColCount() const { return grid_.ColCount(); }
  bool HasHiddenRows() const { return grid_.HasHiddenRows(); }
  bool HasHiddenColumns() const { return grid_.HasHiddenColumns(); }
  bool RowShown(int32_t r) const { return grid_.GetRowHeight(r).value_or(0) != 0; }
  bool ColumnShown(int32_t c) const { return grid_.GetColumnWidth(c).value_or(0) != 0; }
  // The grid's text per row on average, for judging how much text a row writes.
  int64_t TextBytesPerRow() const {
    return static_cast<int64_t>(grid_.store().texts().used()) / std::max<int64_t>(grid_.RowCount(), 1);
  }

  // Calls visit(const Piece&) for the stored cells of row `r`, left to right.
  template <typename Visit>
  void ForEachPiece(int32_t r, Visit&& visit) const {
    grid_.store().ForEachRun(r, [&](const CellRun& run) { visit(Piece{run.col, run.count, run.line, run.cells, run.line_offset}); });
  }
  // The cells of a piece's plain line, cut into `scratch`.
  static std::span<const CellRef> CutLine(const Piece& piece, std::vector<CellRef>* scratch) {
    scratch->clear();
    AppendLineCells(piece.line, piece.line_offset, static_cast<uint32_t>(piece.count), scratch);
    return *scratch;
  }
  // Row `r`'s cells from column 0 to its last stored one.
  void RowCells(int32_t r, std::vector<CellRef>* cells) const { grid_.store().GetRowCells(r, cells); }
  std::string_view Text(CellRef cell) const { return grid_.store().Text(cell); }

 private:
  const Grid& grid_;
};

// Puts a cell's text as the table text has it: in quotes when it needs them.
void PutCell(const GridRows& grid, CellRef cell, BlockWriter& out) {
  if (cell.empty()) return;
  if (cell.needs_quotes()) {
    PutQuoted(grid.Text(cell), [&out](std::string_view piece) { out.Put(piece); });
  } else {
    out.Put(grid.Text(cell));
  }
}

// Writes the lines of a rectangle's rows, each after a LF (the caller drops the very first).
// Each thread of the export has one of its own.
class RowWriter {
 public:
  RowWriter(const Grid& grid, int32_t first_col, int32_t last_col)
      : grid_(grid), first_col_(first_col), last_col_(last_col), all_rows_shown_(!grid_.HasHiddenRows()) {
    // With every column of the rectangle shown, a row is its stored cells with the TABs of the
    // empty columns between and after them; otherwise the shown columns are listed.
    if (grid_.HasHiddenColumns()) {
      for (int32_t c = first_col; c <= last_col; ++c) {
        if (grid_.ColumnShown(c)) cols_.push_back(c);
      }
      contiguous_ = false;
    }
  }

  void Write(int32_t first_row, int32_t last_row, BlockWriter& out) {
    for (int32_t r = first_row; r <= last_row; ++r) {
      if (!all_rows_shown_ && !grid_.RowShown(r)) continue;
      out.Put('\n');
      if (contiguous_) {
        WritePieces(r, out);
        continue;
      }
      grid_.RowCells(r, &row_cells_);
      for (size_t k = 0; k < cols_.size(); ++k) {
        if (k > 0) out.Put('\t');
        const auto c = static_cast<size_t>(cols_[k]);
        if (c < row_cells_.size()) PutCell(grid_, row_cells_[c], out);
      }
    }
  }

 private:
  void WritePieces(int32_t r, BlockWriter& out) {
    // `at` is the column written last (or, before any, the first): the next cell, at column c,
    // needs c - at TABs before it.
    int64_t at = first_col_;
    grid_.ForEachPiece(r, [&](const GridRows::Piece& piece) {
      const int64_t begin = std::max<int64_t>(piece.col, first_col_);
      const int64_t end = std::min<int64_t>(piece.col + piece.count, int64_t{last_col_} + 1);
      if (begin >= end) return;
      out.Repeat('\t', static_cast<size_t>(begin - at));
      at = end - 1;
      std::span<const CellRef> cells = piece.cells;
      if (!piece.line.empty()) {
        // A plain line is its cells joined by TABs, as written here.
        if (begin == piece.col && end == piece.col + piece.count) {
          out.Put(piece.line);
          return;
        }
        cells = GridRows::CutLine(piece, &line_cells_);
      }
      PutCell(grid_, cells[static_cast<size_t>(begin - piece.col)], out);
      for (int64_t c = begin + 1; c < end; ++c) {
        out.Put('\t');
        PutCell(grid_, cells[static_cast<size_t>(c - piece.col)], out);
      }
    });
    out.Repeat('\t', static_cast<size_t>(last_col_ - at));
  }

  const GridRows grid_;
  const int32_t first_col_;
  const int32_t last_col_;
  const bool all_rows_shown_;
  bool contiguous_ = true;
  std::vector<int32_t> cols_;
  std::vector<CellRef> line_cells_;
  std::vector<CellRef> row_cells_;
};

// Drops the LF in front of the first line of the text.
class FirstLineSink : public TextSink {
 public:
  explicit FirstLineSink(TextSink& sink) : sink_(sink) {}
  void Append(std::string_view piece) override {
    if (first_ && !piece.empty()) {
      piece.remove_prefix(1);
      first_ = false;
    }
    if (!piece.empty()) sink_.Append(piece);
  }

 private:
  TextSink& sink_;
  bool first_ = true;
};

}  // namespace

void WriteTableText(const Grid& grid, const CellRect& rect, TextSink& sink) {
  const GridRows rows_of(grid);
  const int32_t first_row = std::max(rect.first_row, 0);
  const int32_t first_col = std::max(rect.first_col, 0);
  const int32_t last_row = std::min(rect.last_row, rows_of.RowCount() - 1);
  const int32_t last_col = std::min(rect.last_col, rows_of.ColCount() - 1);
  if (first_row > last_row || first_col > last_col) return;

  FirstLineSink lines(sink);
  // Chunks of about a block of text, judged from the grid's text and the TABs of a line.
  const int64_t rows = int64_t{last_row} - first_row + 1;
  const int64_t row_bytes = rows_of.TextBytesPerRow() + (int64_t{last_col} - first_col) + 1;
  const auto chunk_rows = static_cast<int32_t>(std::clamp<int64_t>(kChunkBytes / row_bytes, 1, kMaxRows));
  BlockWriter out(lines);
  if (rows >= 4 * int64_t{chunk_rows} && std::thread::hardware_concurrency() > 1) {
    auto make_writer = [&] { return RowWriter(grid, first_col, last_col); };
    TwoThreadRows<decltype(make_writer)>({first_row, last_row, chunk_rows}, make_writer).Write(out, lines);
  } else {
    RowWriter(grid, first_col, last_col).Write(first_row, last_row, out);
  }
  out.Flush();
}

}  // namespace parvex
