#include "grid/table_text_reader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <span>
#include <thread>
#include <utility>
#include <vector>

#include "grid/grid.h"
#include "port/byte_scan.h"

namespace parvex {
namespace {

constexpr size_t kNone = std::string::npos;
// The longest line kept whole: finding one cell of a plain line reads the line up to it, so a
// longer line is cut into cells instead.
constexpr size_t kMaxPlainLineBytes = size_t{64} << 10;

// The bytes the plain-line scan flags are the quote and the blanks that do not end a field: a
// plain line is told apart by where those stand (CutPlainLine).
constexpr bool SpecialsAreQuoteAndInnerBlanks() {
  for (int c = 0; c < 256; ++c) {
    const auto b = static_cast<unsigned char>(c);
    const bool inner_blank = IsCellBlank(b) && b != '\t' && b != '\n';
    if (byte_scan::IsLineSpecial(b) != (b == kQuote || inner_blank)) return false;
  }
  return true;
}
static_assert(SpecialsAreQuoteAndInnerBlanks());

// The cell of the trimmed bytes [begin, end) of `text`, flagged when the writer must quote it.
// `may_hold_breaks` is false for an unquoted field known to hold no CR (it holds no TAB or LF
// either): then only its first byte can call for quotes.
CellRef TrimmedCell(const char* text, size_t begin, size_t end, bool may_hold_breaks) {
  if (end == begin) return CellRef{};
  const std::string_view body(text + begin, end - begin);
  const bool quote = may_hold_breaks ? TextNeedsQuotes(body) : body.front() == kQuote;
  return CellRef{static_cast<uint32_t>(begin), static_cast<uint32_t>(body.size()) | (quote ? CellRef::kQuoteFlag : 0)};
}

// The line at `i` as a table line when it is plain (see TableLine), and where the next line
// begins. A plain line ends in LF (CR LF) before the last 64 bytes of the text; its pieces are its
// cells exactly as they stand: no quote, no CR but the one before the LF, no blank at either end
// of a piece, and no empty piece at the end (an empty line is one empty cell). Only reads, and
// nothing before `i`.
bool CutPlainLine(const unsigned char* bytes, size_t n, size_t i, TableLine* line, size_t* next) {
  size_t pos = i;
  uint64_t tab_count = 0;
  while (true) {
    if (n - pos <= 64 || pos - i > kMaxPlainLineBytes) return false;
    byte_scan::LineMasks m = byte_scan::ScanPlain64(bytes + pos);
    if (m.lfs != 0) {
      const uint64_t before_lf = (uint64_t{1} << std::countr_zero(m.lfs)) - 1;
      m.tabs &= before_lf;
      m.specials &= before_lf;
    }
    tab_count += static_cast<uint64_t>(byte_scan::CountBits(m.tabs));
    for (; m.specials != 0; m.specials &= m.specials - 1) {
      const size_t p = pos + static_cast<size_t>(std::countr_zero(m.specials));
      const unsigned char c = bytes[p];
      // A quote might open a quoted cell; a blank at the start of a piece is trimmed.
      if (c == kQuote || p == i || bytes[p - 1] == '\t') return false;
      const unsigned char after = bytes[p + 1];
      if (c == '\r') {
        if (after != '\n') return false;  // a CR inside a cell makes it one to quote
      } else if (after == '\t' || after == '\n' || after == '\r') {
        return false;  // a blank at the end of a piece is trimmed
      }
    }
    if (m.lfs == 0) {
      pos += 64;
      continue;
    }
    const size_t lf = pos + static_cast<size_t>(std::countr_zero(m.lfs));
    const size_t end = lf > i + 1 && bytes[lf - 1] == '\r' ? lf - 1 : lf;
    if (end == i || bytes[end - 1] == '\t' || end - i > kMaxPlainLineBytes) return false;
    *line = TableLine{static_cast<uint32_t>(i), static_cast<uint32_t>(tab_count + 1), static_cast<uint32_t>(end - i)};
    *next = lf + 1;
    return true;
  }
}

// Cuts the second half of a large text into plain lines on a thread of its own while the
// reader works through the first half; the reader takes the lines when it arrives at the line
// start the prescan began at. A quoted cell across that line start means it never arrives
// there, and the lines are dropped.
//
// Hand-off: the thread reads the text from start() on and writes nothing but its own locals,
// which it moves into `result_` as its last step. The reader reads `result_` only after
// joining (Take), and writes into the text (unquoting) at or past start() only after joining
// (JoinBeforeWritingUpTo). start() is set before the thread starts and changes only after it
// has been joined.
class PlainLinePrescan {
 public:
  struct Result {
    std::vector<TableLine> lines;
    uint64_t cells = 0;  // of all the lines
    int64_t cols = 1;    // the most of one line
    size_t end = 0;      // where the lines end: start() when there are none
  };

  PlainLinePrescan() = default;
  PlainLinePrescan(const PlainLinePrescan&) = delete;
  PlainLinePrescan& operator=(const PlainLinePrescan&) = delete;
  ~PlainLinePrescan() { Join(); }

  // Starts the thread at the first line start after the middle of bytes[0, n). Nothing when
  // there is none or no thread to be had: then start() stays kNone and the reader reads it all.
  void Start(const unsigned char* bytes, size_t n, size_t expected_lines) {
    if (n == 0) return;
    const void* lf = std::memchr(bytes + n / 2, '\n', n - n / 2);
    if (lf == nullptr) return;
    start_ = static_cast<size_t>(static_cast<const unsigned char*>(lf) - bytes) + 1;
    try {
      thread_ = std::thread([this, bytes, n, from = start_, expected_lines] {
        Result cut;
        cut.end = from;
        try {
          cut.lines.reserve(expected_lines);
          TableLine line;
          size_t pos = from;
          while (CutPlainLine(bytes, n, pos, &line, &pos)) {
            cut.lines.push_back(line);
            cut.cells += line.count;
            cut.cols = std::max<int64_t>(cut.cols, line.count);
            cut.end = pos;
          }
        } catch (...) {
          cut = Result{{}, 0, 1, from};  // out of memory: the reader reads this half after all
        }
        result_ = std::move(cut);
      });
    } catch (...) {
      start_ = kNone;
    }
  }

  // The line start the prescan began at; kNone when none runs or its lines were taken.
  size_t start() const { return start_; }

  // Before the reader writes into the text up to `end` (exclusive): the thread must be done
  // reading when that reaches its part.
  void JoinBeforeWritingUpTo(size_t end) {
    if (start_ != kNone && end > start_) Join();
  }

  // The lines, once the thread is done; start() is kNone from then on.
  Result Take() {
    Join();
    start_ = kNone;
    return std::move(result_);
  }

 private:
  void Join() {
    if (thread_.joinable()) thread_.join();
  }

  size_t start_ = kNone;
  Result result_;
  std::thread thread_;
};

class Reader {
 public:
  Reader(char* text, size_t size, const TableTextReading& reading, ParsedTable* table)
      : text_(text), bytes_(reinterpret_cast<const unsigned char*>(text)), n_(size), reading_(reading), table_(table) {}

  Status Run();

 private:
  // ---- Quoted cells ----
  bool ClosesAt(size_t pos) const {
    return pos == n_ || text_[pos] == '\t' || text_[pos] == '\n' ||
           (text_[pos] == '\r' && pos + 1 < n_ && text_[pos + 1] == '\n');
  }
  // The closing quote of the quoted field opened at `open`, or kNone when it is not one.
  size_t FindClosingQuote(size_t open);
  size_t NextClosingRun(size_t from);

  // ---- The three readings ----
  // Takes the line at `i` whole when it is plain and moves `i` past it.
  bool PlainLine(size_t& i);
  // Reads the fields from `i` on that masks of 64 bytes can cut, with their TABs, up to the end
  // of the line (setting `line_ended`); returns where it stopped, or kNone on an error.
  size_t MaskFields(size_t i, bool* line_ended);
  // Reads the field at `i`, quoted or not, and moves `i` to its end.
  bool Field(size_t& i);

  // ---- Building the table ----
  // Adds the cell of text[begin, end), trimmed (see TrimmedCell for `may_hold_breaks`).
  bool Emit(size_t begin, size_t end, bool may_hold_breaks);
  // Moves `i` over the TAB or LF that ends a field; true when that ended the line.
  bool Separator(size_t& i);
  // Closes the line whose cells were added since the last one.
  bool EndLine();
  // Adds plain lines holding `cells` cells, the most `cols` in one; false, and nothing added,
  // past a limit (the reading field by field then reports which).
  bool AddPlainLines(std::span<const TableLine> lines, uint64_t cells, int64_t cols);
  void ReserveForTheCommonShape();

  char* const text_;
  const unsigned char* const bytes_;  // text_ as unsigned bytes, for the scans
  const size_t n_;
  const TableTextReading reading_;
  ParsedTable* const table_;
  std::string error_;
  int64_t cols_ = 1;
  size_t line_first_cell_ = 0;
  uint64_t line_cells_ = 0;  // cells of the plain lines, which take no room in the table's cells
  PlainLinePrescan prescan_;

  // NextClosingRun's answer for every start in [cache_from_, cache_run_start_]: the closing quote
  // found there, or kNone. Fields are read left to right, so each byte is searched once and an
  // unclosed quote cannot make the reading quadratic.
  size_t cache_from_ = kNone;
  size_t cache_run_start_ = 0;
  size_t cache_close_ = kNone;
};

// The first run of quotes at or after `from` that closes a quoted field: a maximal run of odd
// length (its pairs are escaped quotes, the last one closes) followed by a field's end. `from`
// never lies inside a run.
size_t Reader::NextClosingRun(size_t from) {
  if (cache_from_ != kNone && from >= cache_from_ && from <= cache_run_start_) return cache_close_;
  size_t pos = from;
  while (pos < n_) {
    const void* hit = std::memchr(text_ + pos, kQuote, n_ - pos);
    if (hit == nullptr) break;
    const size_t start = static_cast<size_t>(static_cast<const char*>(hit) - text_);
    size_t end = start;
    while (end < n_ && text_[end] == kQuote) ++end;
    if ((end - start) % 2 == 1 && ClosesAt(end)) {
      cache_from_ = from;
      cache_run_start_ = start;
      cache_close_ = end - 1;
      return cache_close_;
    }
    pos = end;
  }
  cache_from_ = from;
  cache_run_start_ = n_;
  cache_close_ = kNone;
  return kNone;
}

size_t Reader::FindClosingQuote(size_t open) {
  size_t pos = open + 1;
  // The quotes right after the opening one are read from there, not from the start of their
  // run in the text, which includes the opening quote.
  if (pos < n_ && text_[pos] == kQuote) {
    size_t end = pos;
    while (end < n_ && text_[end] == kQuote) ++end;
    if ((end - pos) % 2 == 1 && ClosesAt(end)) return end - 1;
    pos = end;
  }
  return NextClosingRun(pos);
}

bool Reader::Emit(size_t begin, size_t end, bool may_hold_breaks) {
  TrimCell(text_, &begin, &end);
  if (end - begin > CellRef::kMaxSize) {
    error_ = "a cell of " + std::to_string(end - begin) + " bytes exceeds the limit of " +
             std::to_string(CellRef::kMaxSize) + " bytes";
    return false;
  }
  if (static_cast<int64_t>(table_->cells.size() + line_cells_) >= kMaxCells) {
    error_ = "more than " + std::to_string(kMaxCells) + " cells";
    return false;
  }
  table_->cells.push_back(TrimmedCell(text_, begin, end, may_hold_breaks));
  return true;
}

bool Reader::Field(size_t& i) {
  if (text_[i] == kQuote) {
    const size_t close = FindClosingQuote(i);
    if (close != kNone) {
      // Unquote in place: the text only shrinks, so writing never overtakes reading.
      prescan_.JoinBeforeWritingUpTo(close);
      size_t write = i + 1;
      for (size_t read = i + 1; read < close; ++read) {
        text_[write++] = text_[read];
        if (text_[read] == kQuote && read + 1 < close && text_[read + 1] == kQuote) ++read;
      }
      if (!Emit(i + 1, write, /*may_hold_breaks=*/true)) return false;
      i = close + 1;
      if (i < n_ && text_[i] == '\r') ++i;  // the CR of a CR LF after the closing quote
      return true;
    }
  }
  // An unquoted field runs to the next TAB or LF; a CR in it is noted.
  size_t end = i;
  bool has_cr = false;
  while (true) {
    end = byte_scan::FindStop(bytes_, end, n_);
    if (end < n_ && bytes_[end] == '\r') {
      has_cr = true;
      ++end;
      continue;
    }
    break;
  }
  if (!Emit(i, end, has_cr)) return false;
  i = end;
  return true;
}

bool Reader::Separator(size_t& i) {
  if (i >= n_) return true;
  if (text_[i] == '\n') {
    ++i;
    return true;
  }
  ++i;  // the TAB
  // A TAB that is the last byte of its line opens no further cell.
  if (i >= n_) return true;
  if (text_[i] == '\n') {
    ++i;
    return true;
  }
  return false;
}

bool Reader::EndLine() {
  auto& cells = table_->cells;
  const size_t count = cells.size() - line_first_cell_;
  cols_ = std::max<int64_t>(cols_, static_cast<int64_t>(count));
  if (table_->lines.size() >= static_cast<size_t>(kMaxRows)) {
    error_ = "more than " + std::to_string(kMaxRows) + " rows";
    return false;
  }
  table_->lines.push_back(TableLine{static_cast<uint32_t>(line_first_cell_), static_cast<uint32_t>(count), 0});
  line_first_cell_ = cells.size();
  return true;
}

bool Reader::AddPlainLines(std::span<const TableLine> lines, uint64_t cells, int64_t cols) {
  if (static_cast<uint64_t>(table_->cells.size()) + line_cells_ + cells > static_cast<uint64_t>(kMaxCells) ||
      table_->lines.size() + lines.size() > static_cast<size_t>(kMaxRows)) {
    return false;
  }
  table_->lines.insert(table_->lines.end(), lines.begin(), lines.end());
  line_cells_ += cells;
  cols_ = std::max(cols_, cols);
  return true;
}

bool Reader::PlainLine(size_t& i) {
  TableLine line;
  size_t next = 0;
  if (!CutPlainLine(bytes_, n_, i, &line, &next)) return false;
  if (!AddPlainLines({&line, 1}, line.count, line.count)) return false;
  i = next;
  return true;
}

size_t Reader::MaskFields(size_t i, bool* line_ended) {
  // A field that begins with a quote, runs past the 64 bytes, or holds a CR other than one just
  // before its end is left to Field.
  auto& cells = table_->cells;
  while (n_ - i > 64 && cells.size() + line_cells_ + 64 <= static_cast<size_t>(kMaxCells)) {
    const size_t base = i;
    const byte_scan::FieldMasks m = byte_scan::Scan64(bytes_ + base);
    uint64_t seps = m.separators;
    if (seps == 0) return i;
    while (seps != 0) {
      const size_t e = base + static_cast<size_t>(std::countr_zero(seps));
      if (bytes_[i] == kQuote) return i;
      size_t end = e;
      const uint64_t field_crs = m.crs & (~uint64_t{0} << (i - base)) & ~(~uint64_t{0} << (e - base));
      if (field_crs != 0) {
        // A CR right before the TAB or LF is trimmed; one further in is for Field.
        if (field_crs != uint64_t{1} << (e - 1 - base)) return i;
        --end;
      }
      size_t begin = i;
      TrimCell(text_, &begin, &end);
      cells.push_back(TrimmedCell(text_, begin, end, /*may_hold_breaks=*/false));
      i = e;
      if (Separator(i)) {
        *line_ended = true;
        return EndLine() ? i : kNone;
      }
      if (i - base >= 64) break;
      seps &= ~uint64_t{0} << (i - base);
    }
  }
  return i;
}

void Reader::ReserveForTheCommonShape() {
  // Judged from the first lines: the rest look alike.
  const size_t sample = std::min<size_t>(n_, 1 << 20);
  const auto sample_lines = static_cast<size_t>(std::count(text_, text_ + sample, '\n'));
  const auto sample_tabs = static_cast<size_t>(std::count(text_, text_ + sample, '\t'));
  const double scale = sample == 0 ? 0.0 : static_cast<double>(n_) / static_cast<double>(sample);
  const auto lines = static_cast<size_t>(static_cast<double>(sample_lines + 1) * scale) + 1;
  const size_t cells = lines + static_cast<size_t>(static_cast<double>(sample_tabs) * scale);
  table_->lines.reserve(std::min(lines + lines / 16 + 16, static_cast<size_t>(kMaxRows)));
  table_->cells.reserve(std::min(cells + cells / 16 + 16, static_cast<size_t>(kMaxCells)));
}

Status Reader::Run() {
  ReserveForTheCommonShape();
  if (reading_.plain_lines && n_ >= reading_.prescan_bytes) {
    prescan_.Start(bytes_, n_, table_->lines.capacity() / 2 + 16);
  }
  size_t i = 0;
  while (i < n_ && error_.empty()) {
    if (i == prescan_.start()) {
      const PlainLinePrescan::Result ahead = prescan_.Take();
      if (ahead.end > i && AddPlainLines(ahead.lines, ahead.cells, ahead.cols)) i = ahead.end;
      continue;
    }
    if (reading_.plain_lines && PlainLine(i)) continue;
    // The line field by field.
    bool line_ended = false;
    while (!line_ended) {
      if (reading_.mask_fields) {
        i = MaskFields(i, &line_ended);
        if (i == kNone || line_ended) break;
      }
      if (!Field(i)) break;
      line_ended = Separator(i);
      if (line_ended && !EndLine()) break;
    }
    if (i == kNone || !error_.empty()) break;
  }
  if (error_.empty() && cols_ > kMaxCols) {
    error_ = std::to_string(cols_) + " columns exceed the limit of " + std::to_string(kMaxCols);
  }
  if (!error_.empty()) return Status::Failed(std::move(error_));
  table_->cols = static_cast<int32_t>(cols_);
  return Status();
}

}  // namespace

Status ParseTableText(std::string text, ParsedTable* table, const TableTextReading& reading) {
  return ParseTableText(TextBuffer(std::move(text)), table, reading);
}

Status ParseTableText(TextBuffer text, ParsedTable* table, const TableTextReading& reading) {
  *table = ParsedTable{};
  if (text.size() > static_cast<size_t>(kMaxTextBytes)) {
    return Status::Failed("a text of " + std::to_string(text.size()) + " bytes exceeds the limit of " +
                          std::to_string(kMaxTextBytes) + " bytes");
  }
  table->bytes = std::move(text);
  Status status;
  {
    Reader reader(table->bytes.data(), table->bytes.size(), reading, table);
    status = reader.Run();
  }  // the prescan's thread is joined here, on every way out
  if (!status.ok()) *table = ParsedTable{};
  return status;
}

}  // namespace parvex
