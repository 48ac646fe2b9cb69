#include "grid/table_text_writer.h"

#include <algorithm>
#include <vector>

#include "output/block_writer.h"
#include "output/two_thread_rows.h"

namespace parvex {
namespace {

// Puts a cell's text as the table text has it: in quotes when it needs them.
void PutCell(std::string_view text, bool needs_quotes, BlockWriter& out) {
  if (text.empty()) return;
  if (needs_quotes) {
    PutQuoted(text, [&out](std::string_view piece) { out.Put(piece); });
  } else {
    out.Put(text);
  }
}

// Writes the lines of a rectangle's rows, each after a LF (the caller drops the very first).
// Each thread of the export has one of its own.
class RowWriter {
 public:
  RowWriter(const Grid& grid, int32_t first_col, int32_t last_col)
      : grid_(grid), first_col_(first_col), last_col_(last_col), all_rows_shown_(!grid.HasHiddenRows()) {
    // With every column of the rectangle shown, a row is its stored cells with the TABs of the
    // empty columns between and after them; otherwise the shown columns are listed.
    if (grid.HasHiddenColumns()) {
      for (int32_t c = first_col; c <= last_col; ++c) {
        if (grid.GetColumnWidth(c).value_or(0) != 0) cols_.push_back(c);
      }
      contiguous_ = false;
    }
  }

  void Write(int32_t first_row, int32_t last_row, BlockWriter& out) {
    for (int32_t r = first_row; r <= last_row; ++r) {
      if (!all_rows_shown_ && grid_.GetRowHeight(r).value_or(0) == 0) continue;
      out.Put('\n');
      if (contiguous_) {
        WriteRuns(r, out);
        continue;
      }
      row_cells_.Read(r);
      for (size_t k = 0; k < cols_.size(); ++k) {
        if (k > 0) out.Put('\t');
        PutCell(row_cells_.Text(cols_[k]), row_cells_.NeedsQuotes(cols_[k]), out);
      }
    }
  }

 private:
  // The cells of the row, every column after the first behind a TAB; a plain line is its cells
  // joined by TABs, as written here.
  void WriteRuns(int32_t r, BlockWriter& out) {
    runs_.Read(
        r, first_col_, last_col_,
        [&](int64_t from, int64_t to) {
          out.Repeat('\t', static_cast<size_t>(to - std::max<int64_t>(from, int64_t{first_col_} + 1)));
        },
        [&](int64_t col, std::string_view line, int64_t) {
          if (col > first_col_) out.Put('\t');
          out.Put(line);
          return true;
        },
        [&](int64_t col, std::string_view text, bool needs_quotes) {
          if (col > first_col_) out.Put('\t');
          PutCell(text, needs_quotes, out);
        });
  }

  const Grid& grid_;
  const int32_t first_col_;
  const int32_t last_col_;
  const bool all_rows_shown_;
  bool contiguous_ = true;
  std::vector<int32_t> cols_;
  RowRuns runs_{grid_};
  RowCells row_cells_{grid_};
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
  const int32_t first_row = std::max(rect.first_row, 0);
  const int32_t first_col = std::max(rect.first_col, 0);
  const int32_t last_row = std::min(rect.last_row, grid.RowCount() - 1);
  const int32_t last_col = std::min(rect.last_col, grid.ColCount() - 1);
  if (first_row > last_row || first_col > last_col) return;

  FirstLineSink lines(sink);
  // A row's bytes judged from the grid's text and the TABs of a line.
  const int64_t row_bytes =
      grid.TextBytes() / std::max<int64_t>(grid.RowCount(), 1) + (int64_t{last_col} - first_col) + 1;
  BlockWriter out(lines);
  WriteRows(first_row, last_row, row_bytes, [&] { return RowWriter(grid, first_col, last_col); }, out, lines);
  out.Flush();
}

}  // namespace parvex
