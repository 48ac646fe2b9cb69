#include "grid/sylk_table_writer.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <vector>

#include "output/block_writer.h"
#include "output/two_thread_rows.h"

namespace parvex {
namespace {

// LibreOffice reads the ID record's program name only to tell its own SYLK (whose text it reads
// with other rules) from others'; the records of every other program are read as written here.
constexpr std::string_view kHead = "ID;PPARVEX\r\n";
constexpr std::string_view kTail = "E\r\n";
constexpr std::string_view kLineBreak = "\x1b :";
constexpr std::string_view kRecordEnd = "\"\r\n";

// The most a record takes besides its text: C;Y<10 digits>;X<10 digits>;K" and the closing quote.
constexpr int64_t kRecordFrame = 29;
// The most a cell's escaped text may take.
constexpr int64_t kMostEscapedBytes = kSylkMaxRecordBytes - kRecordFrame;

// Puts `text` as it stands inside a record's quotes into `out` (a BlockWriter, or a ByteCount).
template <typename Out>
void PutEscaped(std::string_view text, Out& out) {
  const size_t n = text.size();
  size_t from = 0;  // the first byte not yet written
  for (size_t i = 0; i < n; ++i) {
    const char c = text[i];
    if (c == ';') {
      out.Put(text.substr(from, i + 1 - from));
      out.Put(';');
      from = i + 1;
    } else if (c == '\0') {
      out.Put(text.substr(from, i - from));
      from = i + 1;
    } else if (c == '\n' || c == '\r') {
      out.Put(text.substr(from, i - from));
      out.Put(kLineBreak);
      if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;  // CR LF is one break
      from = i + 1;
    }
  }
  out.Put(text.substr(from));
}

// Counts what PutEscaped would write.
struct ByteCount {
  int64_t bytes = 0;
  void Put(std::string_view piece) { bytes += static_cast<int64_t>(piece.size()); }
  void Put(char) { ++bytes; }
};

// The bytes `text` takes inside a record's quotes.
int64_t EscapedSize(std::string_view text) {
  ByteCount count;
  PutEscaped(text, count);
  return count.bytes;
}

// Which rows and columns are written, under which numbers: shared by the threads that write rows.
class RecordPlan {
 public:
  // Rows and columns of `rect`, which lies inside `grid`.
  RecordPlan(const Grid& grid, const CellRect& rect) : grid_(grid), rect_(rect) {
    if (grid.HasHiddenRows()) ys_ = Numbers(rect.first_row, rect.last_row, [&](int32_t r) { return grid.GetRowHeight(r); });
    if (grid.HasHiddenColumns()) {
      xs_ = Numbers(rect.first_col, rect.last_col, [&](int32_t c) { return grid.GetColumnWidth(c); });
    }
  }

  const Grid& grid() const { return grid_; }
  const CellRect& rect() const { return rect_; }
  bool all_columns_shown() const { return xs_.empty(); }
  // The record's Y of row `r` and X of column `c` of the rectangle; 0 when it is hidden.
  int64_t Y(int32_t r) const { return ys_.empty() ? int64_t{r} - rect_.first_row + 1 : ys_[static_cast<size_t>(r - rect_.first_row)]; }
  int64_t X(int64_t c) const { return xs_.empty() ? c - rect_.first_col + 1 : xs_[static_cast<size_t>(c - rect_.first_col)]; }

 private:
  // The shown ones of `first` .. `last` numbered from 1, the hidden ones 0.
  template <typename Size>
  static std::vector<int32_t> Numbers(int32_t first, int32_t last, Size&& size) {
    std::vector<int32_t> numbers(static_cast<size_t>(int64_t{last} - first + 1));
    int32_t shown = 0;
    for (int32_t k = first; k <= last; ++k) {
      if (size(k).value_or(0) != 0) numbers[static_cast<size_t>(k - first)] = ++shown;
    }
    return numbers;
  }

  const Grid& grid_;
  const CellRect rect_;
  std::vector<int32_t> ys_;  // empty when every row is shown
  std::vector<int32_t> xs_;  // empty when every column is shown
};

// Writes the records of rows; one for each thread.
class RowWriter {
 public:
  explicit RowWriter(const RecordPlan& plan) : plan_(plan) {}

  void Write(int32_t first_row, int32_t last_row, BlockWriter& out) {
    for (int32_t r = first_row; r <= last_row; ++r) {
      const int64_t y = plan_.Y(r);
      if (y != 0) WriteRow(r, y, out);
    }
  }

 private:
  // Every column of the rectangle gets a record, the empty ones and those past the row's last
  // stored cell too: the paste then replaces the whole rectangle, as the plain text's does.
  void WriteRow(int32_t r, int64_t y, BlockWriter& out) {
    row_ = y;
    runs_.Read(
        r, plan_.rect().first_col, plan_.rect().last_col,
        [&](int64_t from, int64_t to) {
          for (int64_t c = from; c < to; ++c) WriteCell(c, {}, out);
        },
        [&](int64_t col, std::string_view line, int64_t) {
          if (!plan_.all_columns_shown()) return false;
          WriteLine(line, col, out);
          return true;
        },
        [&](int64_t col, std::string_view text, bool) { WriteCell(col, text, out); });
  }

  // Opens the record of column `col`; false when the column is hidden.
  bool Open(int64_t col, BlockWriter& out) {
    const int64_t x = plan_.X(col);
    if (x == 0) return false;
    if (row_ != 0) {
      out.Put("C;Y");
      PutNumber(row_, out);
      out.Put(";X");
      row_ = 0;  // the reader keeps the row for the records after
    } else {
      out.Put("C;X");
    }
    PutNumber(x, out);
    out.Put(";K\"");
    return true;
  }

  static void PutNumber(int64_t n, BlockWriter& out) {
    char digits[24];
    const std::to_chars_result written = std::to_chars(digits, digits + sizeof(digits), n);
    out.Put(std::string_view(digits, static_cast<size_t>(written.ptr - digits)));
  }

  void WriteCell(int64_t col, std::string_view text, BlockWriter& out) {
    if (!Open(col, out)) return;
    PutEscaped(text, out);
    out.Put(kRecordEnd);
  }

  // The cells of a plain line, from column `col` on: TAB-separated, none holding a line break;
  // escaped as PutEscaped does.
  void WriteLine(std::string_view line, int64_t col, BlockWriter& out) {
    Open(col, out);
    size_t from = 0;
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '\t') {
        out.Put(line.substr(from, i - from));
        out.Put(kRecordEnd);
        Open(++col, out);
        from = i + 1;
      } else if (line[i] == ';') {
        out.Put(line.substr(from, i + 1 - from));
        out.Put(';');
        from = i + 1;
      } else if (line[i] == '\0') {
        out.Put(line.substr(from, i - from));
        from = i + 1;
      }
    }
    out.Put(line.substr(from));
    out.Put(kRecordEnd);
  }

  // A copy for each thread, as the HTML writer keeps one: read at every cell.
  const RecordPlan plan_;
  int64_t row_ = 0;  // the row the next record names; 0 once named
  RowRuns runs_{plan_.grid()};
};

// `rect` clamped to the grid; empty (last before first) when nothing of it is inside.
CellRect Clamped(const Grid& grid, const CellRect& rect) {
  return CellRect{std::max(rect.first_row, 0), std::max(rect.first_col, 0), std::min(rect.last_row, grid.RowCount() - 1),
                  std::min(rect.last_col, grid.ColCount() - 1)};
}

}  // namespace

bool SylkCellsFit(const Grid& grid, const CellRect& rect) {
  // Escaping at most triples a text: a text of a third of the room fits whatever it holds.
  constexpr int64_t kSafeBytes = kMostEscapedBytes / 3;
  if (grid.TextBytes() <= kSafeBytes) return true;
  const CellRect r = Clamped(grid, rect);
  bool fits = true;
  RowRuns runs(grid);
  for (int32_t row = r.first_row; row <= r.last_row && fits; ++row) {
    runs.Read(
        row, r.first_col, r.last_col, [](int64_t, int64_t) {},
        [](int64_t, std::string_view line, int64_t) { return static_cast<int64_t>(line.size()) <= kSafeBytes; },
        [&](int64_t, std::string_view text, bool) {
          fits = fits && (static_cast<int64_t>(text.size()) <= kSafeBytes || EscapedSize(text) <= kMostEscapedBytes);
        });
  }
  return fits;
}

void WriteSylkTable(const Grid& grid, const CellRect& rect, TextSink& sink) {
  const CellRect r = Clamped(grid, rect);
  BlockWriter out(sink);
  out.Put(kHead);
  if (r.first_row <= r.last_row && r.first_col <= r.last_col) {
    const RecordPlan plan(grid, r);
    // A row's bytes judged from the grid's text and a record's frame.
    const int64_t text_per_row = grid.TextBytes() / std::max<int64_t>(grid.RowCount(), 1);
    const int64_t row_bytes = text_per_row + (int64_t{r.last_col} - r.first_col + 1) * 12 + 8;
    WriteRows(r.first_row, r.last_row, row_bytes, [&plan] { return RowWriter(plan); }, out, sink);
  }
  out.Put(kTail);
  out.Flush();
}

}  // namespace parvex
