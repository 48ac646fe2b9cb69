#include "grid/table_text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <condition_variable>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace parvex {
namespace {

constexpr size_t kNone = std::string::npos;
// The longest line kept whole: finding one cell of a plain line reads the line up to it, so a
// longer line is cut into cells instead.
constexpr size_t kMaxPlainLineBytes = size_t{64} << 10;
// Text written in one piece by a thread of the export.
constexpr int64_t kChunkBytes = int64_t{1} << 20;

bool IsTrimmed(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// What the scan of an unquoted field stops at: its end (TAB, LF) or a CR, which it notes.
constexpr std::array<uint8_t, 256> kStops = [] {
  std::array<uint8_t, 256> stops{};
  stops['\t'] = 1;
  stops['\n'] = 1;
  stops['\r'] = 2;
  return stops;
}();

// The position of the first TAB, LF or CR in [pos, n), or n. Cells are short, so sixteen bytes
// at a time finds most of them in one step.
size_t FindStop(const unsigned char* bytes, size_t pos, size_t n) {
#if defined(__SSE2__)
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  while (n - pos >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + pos));
    const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, tab), _mm_cmpeq_epi8(v, lf)), _mm_cmpeq_epi8(v, cr));
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    if (mask != 0) return pos + static_cast<size_t>(__builtin_ctz(mask));
    pos += 16;
  }
#endif
  while (pos < n && kStops[bytes[pos]] == 0) ++pos;
  return pos;
}

class Parser {
 public:
  Parser(char* text, size_t size, ParsedTable* table) : text_(text), n_(size), table_(table) {}

  bool Run(std::string* error);

 private:
  bool ClosesAt(size_t pos) const {
    return pos == n_ || text_[pos] == '\t' || text_[pos] == '\n' ||
           (text_[pos] == '\r' && pos + 1 < n_ && text_[pos + 1] == '\n');
  }
  size_t FindClosingQuote(size_t open);
  size_t NextClosingRun(size_t from);
  // Adds the cell text[begin, end), trimmed. `first_cr` is the position of the first CR in it, or
  // kNone, for an unquoted field.
  bool Emit(size_t begin, size_t end, bool quoted, size_t first_cr = kNone);
  // Reads the field at `i`, quoted or not, and moves `i` to its end.
  bool Field(size_t& i);
  // Reads the fields from `i` on that FastFields can, with their TABs, up to the end of the
  // line (setting `line_ended`); returns where it stopped, or kNone on an error.
  size_t FastFields(size_t i, bool* line_ended);
  // Takes the line at `i` whole when it is plain (see Grid::CellRun) and moves `i` past it.
  bool PlainLine(size_t& i);
  // Adds plain lines holding `cells` cells, the most `cols` in one; false, and nothing added,
  // past a limit.
  bool AddPlainLines(std::span<const TableLine> lines, uint64_t cells, int64_t cols);
  void StartPrescan();
  // Waits for the prescan's thread, if one runs.
  void FinishPrescan();
  // Moves `i` over the TAB or LF that ends a field; true when that ended the line.
  bool Separator(size_t& i);
  // Closes the line whose cells were added since the last one.
  bool EndLine();

  char* const text_;
  const size_t n_;
  ParsedTable* table_;
  std::string error_;
  int64_t cols_ = 1;
  size_t line_first_cell_ = 0;
  uint64_t line_cells_ = 0;  // cells of the plain lines, which take no room in the table's cells

  // Texts from this size on are read on two threads.
  static constexpr size_t kPrescanBytes = size_t{8} << 20;
  struct Prescan {
    size_t start = kNone;  // the line start it began at; kNone when there is none (any more)
    size_t end = 0;        // where its plain lines end
    std::vector<TableLine> lines;
    uint64_t cells = 0;
    int64_t cols = 1;
    // Joined by FinishPrescan on every way out of Run, the destructor included.
    std::thread thread;
    ~Prescan() {
      if (thread.joinable()) thread.join();
    }
  };
  Prescan prescan_;

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
size_t Parser::NextClosingRun(size_t from) {
  if (cache_from_ != kNone && from >= cache_from_ && from <= cache_run_start_) return cache_close_;
  size_t pos = from;
  while (pos < n_) {
    const void* hit = std::memchr(text_ + pos, '"', n_ - pos);
    if (hit == nullptr) break;
    const size_t start = static_cast<size_t>(static_cast<const char*>(hit) - text_);
    size_t end = start;
    while (end < n_ && text_[end] == '"') ++end;
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

size_t Parser::FindClosingQuote(size_t open) {
  size_t pos = open + 1;
  // The quotes right after the opening one are read from there, not from the start of their
  // run in the text, which includes the opening quote.
  if (pos < n_ && text_[pos] == '"') {
    size_t end = pos;
    while (end < n_ && text_[end] == '"') ++end;
    if ((end - pos) % 2 == 1 && ClosesAt(end)) return end - 1;
    pos = end;
  }
  return NextClosingRun(pos);
}

bool Parser::Emit(size_t begin, size_t end, bool quoted, size_t first_cr) {
  while (begin < end && IsTrimmed(static_cast<unsigned char>(text_[begin]))) ++begin;
  while (end > begin && IsTrimmed(static_cast<unsigned char>(text_[end - 1]))) --end;
  if (end - begin > CellRef::kMaxSize) {
    error_ = "a cell of " + std::to_string(end - begin) + " bytes exceeds the limit of " +
             std::to_string(CellRef::kMaxSize) + " bytes";
    return false;
  }
  CellRef cell;
  if (end > begin) {
    const std::string_view body(text_ + begin, end - begin);
    bool needs_quotes = body.front() == '"';
    if (!needs_quotes && quoted) {
      needs_quotes = TextNeedsQuotes(body);
    } else if (!needs_quotes && first_cr < end) {
      // An unquoted field holds no TAB or LF, so only a CR inside the trimmed text matters.
      needs_quotes = first_cr >= begin || body.find('\r') != std::string_view::npos;
    }
    cell = CellRef{static_cast<uint32_t>(begin), static_cast<uint32_t>(end - begin) | (needs_quotes ? CellRef::kQuoteFlag : 0)};
  }
  if (static_cast<int64_t>(table_->cells.size() + line_cells_) >= kMaxCells) {
    error_ = "more than " + std::to_string(kMaxCells) + " cells";
    return false;
  }
  table_->cells.push_back(cell);
  return true;
}

// Masks of the TABs and LFs, and of the CRs, among the 64 bytes at `bytes`: bit k for byte k.
void Scan64(const unsigned char* bytes, uint64_t* separators, uint64_t* crs) {
#if defined(__SSE2__)
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  uint64_t seps = 0;
  uint64_t returns = 0;
  for (int k = 0; k < 4; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * k));
    const auto s = static_cast<uint32_t>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, tab), _mm_cmpeq_epi8(v, lf))));
    const auto c = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, cr)));
    seps |= uint64_t{s} << (16 * k);
    returns |= uint64_t{c} << (16 * k);
  }
  *separators = seps;
  *crs = returns;
#else
  uint64_t seps = 0;
  uint64_t returns = 0;
  for (int k = 0; k < 64; ++k) {
    if (bytes[k] == '\t' || bytes[k] == '\n') seps |= uint64_t{1} << k;
    if (bytes[k] == '\r') returns |= uint64_t{1} << k;
  }
  *separators = seps;
  *crs = returns;
#endif
}

bool Parser::Field(size_t& i) {
  if (text_[i] == '"') {
    const size_t close = FindClosingQuote(i);
    if (close != kNone) {
      // Unquote in place: the text only shrinks, so writing never overtakes reading. The
      // prescan must be done reading before anything it reads is written.
      if (close >= prescan_.start) FinishPrescan();
      size_t write = i + 1;
      for (size_t read = i + 1; read < close; ++read) {
        text_[write++] = text_[read];
        if (text_[read] == '"' && read + 1 < close && text_[read + 1] == '"') ++read;
      }
      if (!Emit(i + 1, write, /*quoted=*/true)) return false;
      i = close + 1;
      if (i < n_ && text_[i] == '\r') ++i;  // the CR of a CR LF after the closing quote
      return true;
    }
  }
  // An ordinary field runs to the next TAB or LF.
  const auto* bytes = reinterpret_cast<const unsigned char*>(text_);
  size_t end = i;
  size_t first_cr = kNone;
  while (true) {
    end = FindStop(bytes, end, n_);
    if (end < n_ && bytes[end] == '\r') {
      if (first_cr == kNone) first_cr = end;
      ++end;
      continue;
    }
    break;
  }
  if (!Emit(i, end, /*quoted=*/false, first_cr)) return false;
  i = end;
  return true;
}

bool Parser::Separator(size_t& i) {
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

bool Parser::EndLine() {
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

// Masks of the TABs, the LFs, and the bytes that may keep a line from being plain ('"', CR, space,
// VT, FF) among the 64 bytes at `bytes`.
void ScanPlain64(const unsigned char* bytes, uint64_t* tabs, uint64_t* lfs, uint64_t* specials) {
  uint64_t t = 0;
  uint64_t l = 0;
  uint64_t x = 0;
#if defined(__SSE2__)
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i space = _mm_set1_epi8(' ');
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i vt = _mm_set1_epi8('\v');
  const __m128i two = _mm_set1_epi8(2);
  for (int k = 0; k < 4; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * k));
    const __m128i from_vt = _mm_sub_epi8(v, vt);  // VT, FF, CR become 0, 1, 2
    const __m128i controls = _mm_cmpeq_epi8(_mm_min_epu8(from_vt, two), from_vt);
    const __m128i special = _mm_or_si128(controls, _mm_or_si128(_mm_cmpeq_epi8(v, space), _mm_cmpeq_epi8(v, quote)));
    t |= uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, tab)))} << (16 * k);
    l |= uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)))} << (16 * k);
    x |= uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(special))} << (16 * k);
  }
#else
  for (int k = 0; k < 64; ++k) {
    const unsigned char c = bytes[k];
    if (c == '\t') t |= uint64_t{1} << k;
    if (c == '\n') l |= uint64_t{1} << k;
    if (c == '"' || c == ' ' || (c >= '\v' && c <= '\r')) x |= uint64_t{1} << k;
  }
#endif
  *tabs = t;
  *lfs = l;
  *specials = x;
}

// The number of set bits, without a call into the runtime library where the target has no
// instruction for it.
uint64_t CountBits(uint64_t x) {
  x = x - ((x >> 1) & 0x5555555555555555u);
  x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
  x = (x + (x >> 4)) & 0x0f0f0f0f0f0f0f0fu;
  return (x * 0x0101010101010101u) >> 56;
}

// The line at `i` as a table line when it is plain (see Grid::CellRun), and where the next line
// begins. A plain line ends in LF (CR LF) before the last 64 bytes of the text; its pieces are its
// cells exactly as they stand: no '"', no CR but the one before the LF, no white space at either
// end of a piece, and no empty piece at the end (an empty line is one empty cell). Only reads.
bool CutPlainLine(const unsigned char* bytes, size_t n, size_t i, TableLine* line, size_t* next) {
  size_t pos = i;
  uint64_t tab_count = 0;
  while (true) {
    if (n - pos <= 64 || pos - i > kMaxPlainLineBytes) return false;
    uint64_t tabs = 0;
    uint64_t lfs = 0;
    uint64_t specials = 0;
    ScanPlain64(bytes + pos, &tabs, &lfs, &specials);
    if (lfs != 0) {
      const int at = __builtin_ctzll(lfs);
      const uint64_t before = at == 0 ? 0 : ~uint64_t{0} >> (64 - at);
      tabs &= before;
      specials &= before;
    }
    tab_count += CountBits(tabs);
    for (; specials != 0; specials &= specials - 1) {
      const size_t p = pos + static_cast<size_t>(__builtin_ctzll(specials));
      const unsigned char c = bytes[p];
      if (c == '"' || p == i || bytes[p - 1] == '\t') return false;
      const unsigned char after = bytes[p + 1];
      if (c == '\r') {
        if (after != '\n') return false;
      } else if (after == '\t' || after == '\n' || after == '\r') {
        return false;
      }
    }
    if (lfs == 0) {
      pos += 64;
      continue;
    }
    const size_t lf = pos + static_cast<size_t>(__builtin_ctzll(lfs));
    const size_t end = lf > i + 1 && bytes[lf - 1] == '\r' ? lf - 1 : lf;
    if (end == i || bytes[end - 1] == '\t' || end - i > kMaxPlainLineBytes) return false;
    *line = TableLine{static_cast<uint32_t>(i), static_cast<uint32_t>(tab_count + 1), static_cast<uint32_t>(end - i)};
    *next = lf + 1;
    return true;
  }
}

bool Parser::AddPlainLines(std::span<const TableLine> lines, uint64_t cells, int64_t cols) {
  if (static_cast<uint64_t>(table_->cells.size()) + line_cells_ + cells > static_cast<uint64_t>(kMaxCells) ||
      table_->lines.size() + lines.size() > static_cast<size_t>(kMaxRows)) {
    return false;
  }
  table_->lines.insert(table_->lines.end(), lines.begin(), lines.end());
  line_cells_ += cells;
  cols_ = std::max(cols_, cols);
  return true;
}

bool Parser::PlainLine(size_t& i) {
  TableLine line;
  size_t next = 0;
  if (!CutPlainLine(reinterpret_cast<const unsigned char*>(text_), n_, i, &line, &next)) return false;
  if (!AddPlainLines({&line, 1}, line.count, line.count)) {
    // Past a limit: the reading field by field reports which.
    return false;
  }
  i = next;
  return true;
}

void Parser::StartPrescan() {
  // The second half of a large text is cut into plain lines on another thread, from the first
  // line start after the middle on, up to its first line that is not plain. The reading here
  // takes those lines when it arrives at that line start; a quoted field running across it
  // means it never does, and they are dropped.
  if (n_ < kPrescanBytes) return;
  const void* lf = std::memchr(text_ + n_ / 2, '\n', n_ - n_ / 2);
  if (lf == nullptr) return;
  prescan_.start = static_cast<size_t>(static_cast<const char*>(lf) - text_) + 1;
  prescan_.lines.reserve(table_->lines.capacity() / 2 + 16);
  try {
    prescan_.thread = std::thread([this] {
      try {
        // Counted in locals and stored once at the end: the fields of the reading next to
        // them change on every line, and sharing their cache line would slow both threads.
        const auto* bytes = reinterpret_cast<const unsigned char*>(text_);
        std::vector<TableLine> lines = std::move(prescan_.lines);
        size_t pos = prescan_.start;
        uint64_t cells = 0;
        int64_t cols = 1;
        TableLine line;
        while (CutPlainLine(bytes, n_, pos, &line, &pos)) {
          lines.push_back(line);
          cells += line.count;
          cols = std::max<int64_t>(cols, line.count);
        }
        prescan_.lines = std::move(lines);
        prescan_.cells = cells;
        prescan_.cols = cols;
        prescan_.end = pos;
      } catch (...) {
        prescan_.lines.clear();  // out of memory: read this half here after all
        prescan_.end = prescan_.start;
      }
    });
  } catch (...) {
    prescan_.start = kNone;  // no thread to be had: read it all here
  }
}

void Parser::FinishPrescan() {
  if (prescan_.thread.joinable()) prescan_.thread.join();
}


size_t Parser::FastFields(size_t i, bool* line_ended) {
  // Unquoted fields that end, with their TAB or LF, within 64 bytes are cut from masks of those
  // 64 bytes; a field that begins with '"', runs longer, or holds a CR other than one just
  // before its end is left to Field.
  const auto* bytes = reinterpret_cast<const unsigned char*>(text_);
  auto& cells = table_->cells;
  while (n_ - i > 64 && cells.size() + line_cells_ + 64 <= static_cast<size_t>(kMaxCells)) {
    const size_t base = i;
    uint64_t seps = 0;
    uint64_t crs = 0;
    Scan64(bytes + base, &seps, &crs);
    if (seps == 0) return i;
    while (seps != 0) {
      const size_t e = base + static_cast<size_t>(__builtin_ctzll(seps));
      if (bytes[i] == '"') return i;
      size_t end = e;
      const uint64_t field_crs = crs & (~uint64_t{0} << (i - base)) & ~(~uint64_t{0} << (e - base));
      if (field_crs != 0) {
        // A CR right before the TAB or LF is trimmed; one further in is for Field.
        if (field_crs != uint64_t{1} << (e - 1 - base)) return i;
        --end;
      }
      size_t begin = i;
      while (begin < end && IsTrimmed(bytes[begin])) ++begin;
      while (end > begin && IsTrimmed(bytes[end - 1])) --end;
      if (end > begin) {
        cells.push_back(CellRef{static_cast<uint32_t>(begin),
                                static_cast<uint32_t>(end - begin) | (bytes[begin] == '"' ? CellRef::kQuoteFlag : 0)});
      } else {
        cells.push_back(CellRef{});
      }
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

bool Parser::Run(std::string* error) {
  // Reserve for the common shape, judged from the first lines: the rest look alike.
  const size_t sample = std::min<size_t>(n_, 1 << 20);
  const auto sample_lines = static_cast<size_t>(std::count(text_, text_ + sample, '\n'));
  const auto sample_tabs = static_cast<size_t>(std::count(text_, text_ + sample, '\t'));
  const double scale = sample == 0 ? 0.0 : static_cast<double>(n_) / static_cast<double>(sample);
  const auto lines = static_cast<size_t>(static_cast<double>(sample_lines + 1) * scale) + 1;
  const size_t cells = lines + static_cast<size_t>(static_cast<double>(sample_tabs) * scale);
  const size_t room = cells + cells / 16 + 16;
  table_->lines.reserve(std::min(lines + lines / 16 + 16, static_cast<size_t>(kMaxRows)));
  table_->cells.reserve(std::min(room, static_cast<size_t>(kMaxCells)));
  StartPrescan();
  size_t i = 0;
  while (i < n_ && error_.empty()) {
    if (i == prescan_.start) {
      FinishPrescan();
      if (prescan_.end > i && AddPlainLines(prescan_.lines, prescan_.cells, prescan_.cols)) i = prescan_.end;
      prescan_.start = kNone;
      std::vector<TableLine>().swap(prescan_.lines);
      continue;
    }
    if (PlainLine(i) || !error_.empty()) continue;
    // The line field by field.
    bool line_ended = false;
    while (!line_ended) {
      i = FastFields(i, &line_ended);
      if (i == kNone || line_ended) break;
      if (!Field(i)) break;
      line_ended = Separator(i);
      if (line_ended && !EndLine()) break;
    }
    if (i == kNone || !error_.empty()) break;
  }
  FinishPrescan();
  if (error_.empty() && cols_ > kMaxCols) {
    error_ = std::to_string(cols_) + " columns exceed the limit of " + std::to_string(kMaxCols);
  }
  if (!error_.empty()) {
    *error = error_;
    return false;
  }
  table_->cols = static_cast<int32_t>(cols_);
  return true;
}

// Collects the clipboard text in a block of its own and hands it on when the block is full.
class BlockWriter {
 public:
  // Whoever writes calls Flush at the end: a destructor must not write, since the sink may throw
  // (a clipboard out of memory) and the exception would then end the program.
  explicit BlockWriter(TextSink& sink) : sink_(sink), block_(new char[kBlock]) {}
  BlockWriter(const BlockWriter&) = delete;
  BlockWriter& operator=(const BlockWriter&) = delete;

  void Put(char c) {
    if (used_ == kBlock) Flush();
    block_[used_++] = c;
  }
  void Repeat(char c, size_t count) {
    while (count > 0) {
      if (used_ == kBlock) Flush();
      const size_t n = std::min(count, kBlock - used_);
      std::memset(block_.get() + used_, c, n);
      used_ += n;
      count -= n;
    }
  }
  void Put(std::string_view text) {
    if (text.size() > kBlock - used_) {
      Flush();
      if (text.size() >= kBlock) {
        sink_.Append(text);
        return;
      }
    }
    std::memcpy(block_.get() + used_, text.data(), text.size());
    used_ += text.size();
  }
  void PutQuoted(std::string_view text) {
    Put('"');
    size_t from = 0;
    for (size_t q = text.find('"'); q != std::string_view::npos; q = text.find('"', q + 1)) {
      Put(text.substr(from, q + 1 - from));
      Put('"');
      from = q + 1;
    }
    Put(text.substr(from));
    Put('"');
  }
  void PutCell(const Grid& grid, CellRef cell) {
    if (cell.empty()) return;
    if (cell.needs_quotes()) {
      PutQuoted(grid.Text(cell));
    } else {
      Put(grid.Text(cell));
    }
  }
  void Flush() {
    if (used_ == 0) return;
    sink_.Append(std::string_view(block_.get(), used_));
    used_ = 0;
  }

 private:
  static constexpr size_t kBlock = 1 << 20;
  TextSink& sink_;
  std::unique_ptr<char[]> block_;
  size_t used_ = 0;
};

// Appends to a string, which may change from one piece of text to the next.
class StringSink : public TextSink {
 public:
  explicit StringSink(std::string* out = nullptr) : out_(out) {}
  void Append(std::string_view piece) override { out_->append(piece); }
  void set_out(std::string* out) { out_ = out; }

 private:
  std::string* out_;
};

// Writes the lines of a rectangle's rows, each after a LF (the caller drops the very first).
class RowWriter {
 public:
  RowWriter(const Grid& grid, int32_t first_col, int32_t last_col)
      : grid_(grid), first_col_(first_col), last_col_(last_col), all_rows_shown_(!grid.HasHiddenRows()) {
    // With every column of the rectangle shown, a row is its stored runs with the TABs of the
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
      grid_.GetRowCells(r, &row_cells_);
      for (size_t k = 0; k < cols_.size(); ++k) {
        if (k > 0) out.Put('\t');
        const auto c = static_cast<size_t>(cols_[k]);
        if (c < row_cells_.size()) out.PutCell(grid_, row_cells_[c]);
      }
    }
  }

 private:
  void WriteRuns(int32_t r, BlockWriter& out) {
    // `at` is the column written last (or, before any, the first): the next cell, at column c,
    // needs c - at TABs before it.
    int64_t at = first_col_;
    grid_.ForEachRun(r, [&](const Grid::CellRun& run) {
      const int64_t begin = std::max<int64_t>(run.col, first_col_);
      const int64_t end = std::min<int64_t>(int64_t{run.col} + run.count, int64_t{last_col_} + 1);
      if (begin >= end) return;
      out.Repeat('\t', static_cast<size_t>(begin - at));
      at = end - 1;
      std::span<const CellRef> cells = run.cells;
      if (!run.line.empty()) {
        // A plain line is its cells joined by TABs, as written here.
        if (begin == run.col && end == int64_t{run.col} + run.count) {
          out.Put(run.line);
          return;
        }
        line_cells_.clear();
        Grid::AppendRunCells(run, &line_cells_);
        cells = line_cells_;
      }
      out.PutCell(grid_, cells[static_cast<size_t>(begin - run.col)]);
      for (int64_t c = begin + 1; c < end; ++c) {
        out.Put('\t');
        out.PutCell(grid_, cells[static_cast<size_t>(c - run.col)]);
      }
    });
    out.Repeat('\t', static_cast<size_t>(last_col_ - at));
  }

  const Grid& grid_;
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

// Writes a large rectangle on two threads: its rows in chunks of about a block's worth of
// text, the even chunks here, straight to the sink, the odd ones on a helper into one of two
// buffers that are handed to the sink in turn.
class TwoThreadWriter {
 public:
  TwoThreadWriter(const Grid& grid, int32_t first_col, int32_t last_col, int32_t first_row, int32_t last_row,
                  int32_t chunk_rows)
      : grid_(grid), first_col_(first_col), last_col_(last_col), first_row_(first_row), last_row_(last_row),
        chunk_rows_(chunk_rows) {}
  ~TwoThreadWriter() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    if (helper_.joinable()) helper_.join();
  }

  void Write(TextSink& sink) {
    const int64_t chunks = (int64_t{last_row_} - first_row_ + chunk_rows_) / chunk_rows_;
    try {
      helper_ = std::thread([this, chunks] { RenderOddChunks(chunks); });
    } catch (...) {
      // No second thread to be had: every chunk is written here.
    }
    RowWriter rows(grid_, first_col_, last_col_);
    BlockWriter out(sink);
    bool alone = !helper_.joinable();
    for (int64_t k = 0; k < chunks; ++k) {
      if (k % 2 == 0 || alone) {
        rows.Write(ChunkFirst(k), ChunkLast(k), out);
        continue;
      }
      out.Flush();
      Slot& slot = slots_[(k / 2) % 2];
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return slot.ready || failed_; });
        alone = !slot.ready;
      }
      if (alone) {
        rows.Write(ChunkFirst(k), ChunkLast(k), out);
        continue;
      }
      sink.Append(slot.text);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        slot.ready = false;
      }
      changed_.notify_all();
    }
    out.Flush();
  }

 private:
  struct Slot {
    std::string text;
    bool ready = false;  // rendered and not yet handed on
  };

  int32_t ChunkFirst(int64_t k) const { return static_cast<int32_t>(first_row_ + k * chunk_rows_); }
  int32_t ChunkLast(int64_t k) const {
    return static_cast<int32_t>(std::min<int64_t>(first_row_ + (k + 1) * chunk_rows_ - 1, last_row_));
  }

  void RenderOddChunks(int64_t chunks) {
    try {
      RowWriter rows(grid_, first_col_, last_col_);
      StringSink gathered;
      BlockWriter out(gathered);
      for (int64_t k = 1; k < chunks; k += 2) {
        Slot& slot = slots_[(k / 2) % 2];
        {
          std::unique_lock<std::mutex> lock(mutex_);
          changed_.wait(lock, [&] { return stop_ || !slot.ready; });
          if (stop_) return;
        }
        slot.text.clear();
        gathered.set_out(&slot.text);
        rows.Write(ChunkFirst(k), ChunkLast(k), out);
        out.Flush();
        {
          std::lock_guard<std::mutex> lock(mutex_);
          slot.ready = true;
        }
        changed_.notify_all();
      }
    } catch (...) {
      // Out of memory: the chunk in hand and all after it are written by the calling thread.
      {
        std::lock_guard<std::mutex> lock(mutex_);
        failed_ = true;
      }
      changed_.notify_all();
    }
  }


  const Grid& grid_;
  const int32_t first_col_;
  const int32_t last_col_;
  const int32_t first_row_;
  const int32_t last_row_;
  const int32_t chunk_rows_;
  std::thread helper_;
  std::mutex mutex_;
  std::condition_variable changed_;
  Slot slots_[2];
  bool stop_ = false;
  bool failed_ = false;  // the helper ran out of memory and stopped
};


}  // namespace

bool ParseTableText(std::string text, ParsedTable* table, std::string* error) {
  return ParseTableText(TextBuffer(std::move(text)), table, error);
}

bool ParseTableText(TextBuffer text, ParsedTable* table, std::string* error) {
  *table = ParsedTable{};
  if (text.size() > static_cast<size_t>(kMaxTextBytes)) {
    *error = "a text of " + std::to_string(text.size()) + " bytes exceeds the limit of " + std::to_string(kMaxTextBytes) + " bytes";
    return false;
  }
  table->bytes = std::move(text);
  Parser parser(table->bytes.data(), table->bytes.size(), table);
  if (!parser.Run(error)) {
    *table = ParsedTable{};
    return false;
  }
  return true;
}

void WriteTableText(const Grid& grid, const CellRect& rect, TextSink& sink) {
  const int32_t first_row = std::max(rect.first_row, 0);
  const int32_t first_col = std::max(rect.first_col, 0);
  const int32_t last_row = std::min(rect.last_row, grid.RowCount() - 1);
  const int32_t last_col = std::min(rect.last_col, grid.ColCount() - 1);
  if (first_row > last_row || first_col > last_col) return;

  FirstLineSink lines(sink);
  // Chunks of about a block of text, judged from the grid's text and the TABs of a line.
  const int64_t rows = int64_t{last_row} - first_row + 1;
  const auto text_per_row = static_cast<int64_t>(grid.texts().used()) / std::max<int64_t>(grid.RowCount(), 1);
  const int64_t row_bytes = text_per_row + (int64_t{last_col} - first_col) + 1;
  const auto chunk_rows = static_cast<int32_t>(std::clamp<int64_t>(kChunkBytes / row_bytes, 1, kMaxRows));
  if (rows >= 4 * int64_t{chunk_rows} && std::thread::hardware_concurrency() > 1) {
    TwoThreadWriter(grid, first_col, last_col, first_row, last_row, chunk_rows).Write(lines);
    return;
  }
  RowWriter writer(grid, first_col, last_col);
  BlockWriter out(lines);
  writer.Write(first_row, last_row, out);
  out.Flush();
}

std::string TableText(const Grid& grid, const CellRect& rect) {
  std::string text;
  StringSink sink(&text);
  WriteTableText(grid, rect, sink);
  return text;
}

void AppendTableTextCell(std::string_view cell, std::string* out) {
  if (!TextNeedsQuotes(cell)) {
    out->append(cell);
    return;
  }
  *out += '"';
  size_t from = 0;
  for (size_t q = cell.find('"'); q != std::string_view::npos; q = cell.find('"', q + 1)) {
    out->append(cell.substr(from, q + 1 - from));
    *out += '"';
    from = q + 1;
  }
  out->append(cell.substr(from));
  *out += '"';
}

}  // namespace parvex
