#include "html/html_table_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "output/block_writer.h"
#include "output/two_thread_rows.h"
#include "port/byte_scan.h"
#include "port/code_page.h"
#include "port/utf8.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace parvex {
namespace {

// Excel honours the rules of the <style> block (its own HTML works that way) and reads
// mso-number-format "\@" as text; LibreOffice ignores both but reads the sdnum attribute on
// every cell (format "@": text), with or without other attributes. So the text marking for
// Excel is one td rule, and each cell carries only sdnum, in its shortest form: unquoted, the
// languages left to the reader's default. The end tags a cell may go without (</td>) are left
// out but for a row's last. LibreOffice reads that back cell for cell.

constexpr std::string_view kHead =
    "<!DOCTYPE html>\n"
    "<html><head><meta charset=\"utf-8\">\n"
    "<style>\n"
    "table{border-collapse:collapse}\n"
    "td{mso-number-format:\"\\@\";border:.5pt solid windowtext}\n"
    "td.s{border:none}\n"
    "</style></head>\n"
    "<body><table>\n";
constexpr std::string_view kTail = "</table></body></html>\n";
constexpr std::string_view kGroupCell = "<td sdnum=;;@>";
constexpr std::string_view kSeparatorCell = "<td class=s sdnum=;;@>";
// Excel reads a plain <br> in a cell as the end of the row; this form stays in the cell.
constexpr std::string_view kLineBreak = "<br style=\"mso-data-placement:same-cell\">";

// What the scan of a cell's text stops at.
enum ByteKind : uint8_t { kPlainByte = 0, kEscapedByte, kLineByte, kWhiteByte, kHighByte };

constexpr std::array<uint8_t, 256> kByteKinds = [] {
  std::array<uint8_t, 256> kinds{};
  kinds['&'] = kEscapedByte;
  kinds['<'] = kEscapedByte;
  kinds['>'] = kEscapedByte;
  kinds['"'] = kEscapedByte;
  kinds['\n'] = kLineByte;
  kinds['\r'] = kLineByte;
  kinds[' '] = kWhiteByte;
  kinds['\t'] = kWhiteByte;
  kinds['\f'] = kWhiteByte;
  // The other control characters: a parser makes U+FFFD of one written as it stands.
  for (size_t c = 0x01; c < 0x20; ++c) {
    if (kinds[c] == kPlainByte) kinds[c] = kEscapedByte;
  }
  kinds[0x7f] = kEscapedByte;
  for (size_t c = 0x80; c < 0x100; ++c) kinds[c] = kHighByte;
  return kinds;
}();

ByteKind KindOf(char c) { return static_cast<ByteKind>(kByteKinds[static_cast<unsigned char>(c)]); }

std::string_view EscapeOf(char c) {
  // A control character as a character reference: &#1; to &#31;, &#127;.
  static const std::array<std::string, 128> kReferences = [] {
    std::array<std::string, 128> references;
    for (size_t k = 0; k < references.size(); ++k) references[k] = "&#" + std::to_string(k) + ";";
    return references;
  }();
  switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    default: return kReferences[static_cast<unsigned char>(c) & 0x7f];
  }
}

// The length of the UTF-8 sequence at `p` (port::Utf8SequenceLength), with the most frequent
// case, a three-byte sequence that needs no more checks than its continuation bytes (most of
// CJK), decided first.
inline size_t Utf8Length(const unsigned char* p, size_t n) {
  const unsigned char c = p[0];
  if (c >= 0xe1 && c <= 0xef && c != 0xed && n >= 3 && port::IsUtf8Continuation(p[1]) && port::IsUtf8Continuation(p[2])) return 3;
  return port::Utf8SequenceLength(p, n);
}

// Copies `length` bytes, at least sizeof(Piece) and at most twice that, as two pieces that may
// overlap: the first and the last sizeof(Piece) bytes.
template <typename Piece>
void CopyOverlapping(const unsigned char* from, size_t length, char* to) {
  Piece head;
  Piece tail;
  std::memcpy(&head, from, sizeof(Piece));
  std::memcpy(&tail, from + length - sizeof(Piece), sizeof(Piece));
  std::memcpy(to, &head, sizeof(Piece));
  std::memcpy(to + length - sizeof(Piece), &tail, sizeof(Piece));
}

// Copies the `length` bytes at `from`, of which `readable` (>= length) may be read, to `to`, which
// has room for `readable` bytes. Most cells are short: they are copied as one block of 16 where
// 16 may be read, else as two overlapping pieces of 8 or 4, without a call.
inline void CopyShort(const unsigned char* from, size_t length, size_t readable, char* to) {
#if defined(__SSE2__)
  if (length <= 16 && readable >= 16) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)));
    return;
  }
#endif
  if (length >= 8 && length <= 16) {
    CopyOverlapping<uint64_t>(from, length, to);
  } else if (length >= 4 && length < 8) {
    CopyOverlapping<uint32_t>(from, length, to);
  } else {
    std::memcpy(to, from, length);
  }
}

#if defined(__SSE2__)
// Checks a line sixteen bytes at a time for what WritePlainLine copies as it stands: UTF-8 made of
// ASCII and the three-byte sequences that need no check beyond their continuation bytes (lead
// bytes E1..EC, EE, EF: U+1000..U+CFFF and U+E000..U+FFFF, nearly all of CJK), with no byte to
// escape and no control byte but TAB. Any other line is left to the general path, which checks
// it byte by byte: a line is never taken for plain when it is not.
class PlainBlocks {
 public:
  // Checks the bytes of the block at `p` from `skip` (the ones before were checked already) and
  // gives their TABs as bits of `tabs` (bit k: p[k]). False when they are not plain.
  bool Check(const unsigned char* p, int skip, unsigned* tabs) {
    const unsigned keep = (0xffffu << skip) & 0xffffu;
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i tab = _mm_cmpeq_epi8(v, _mm_set1_epi8('\t'));
    const __m128i low = _mm_andnot_si128(tab, _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(' ')), v));
    const __m128i marks = _mm_or_si128(
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')), _mm_cmpeq_epi8(v, _mm_set1_epi8('&'))),
                     _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('<')), _mm_cmpeq_epi8(v, _mm_set1_epi8('>')))),
        _mm_cmpeq_epi8(v, _mm_set1_epi8(0x7f)));
    if ((Bits(_mm_or_si128(low, marks)) & keep) != 0) return false;
    *tabs = Bits(tab) & keep;
    const unsigned high = Bits(v) & keep;
    if (high == 0 && carry_ == 0) return true;
    // As signed bytes, continuation bytes 80..BF are below -64 and lead bytes E0..EF -32..-17.
    const unsigned continuation = Bits(_mm_cmplt_epi8(v, _mm_set1_epi8(-64))) & keep;
    const unsigned lead = Bits(_mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(-33)), _mm_cmplt_epi8(v, _mm_set1_epi8(-16))))
                          & ~Bits(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(0xe0))),
                                               _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(0xed)))))
                          & keep;
    if ((high & ~continuation & ~lead) != 0) return false;
    // Each lead wants continuation bytes at the next two places, some perhaps in the next block;
    // the continuation bytes here are exactly the wanted ones.
    const unsigned wanted = (lead << 1) | (lead << 2) | (carry_ << skip);
    if ((wanted & 0xffffu) != continuation) return false;
    carry_ = wanted >> 16;
    return true;
  }
  // True when no sequence was cut off by the line's end.
  bool Finished() const { return carry_ == 0; }

 private:
  static unsigned Bits(__m128i v) { return static_cast<unsigned>(_mm_movemask_epi8(v)); }
  unsigned carry_ = 0;  // continuation bytes wanted at the start of the next block: bit 0 its first byte
};
#endif

// Writes cell texts as HTML text.
class CellTextWriter {
 public:
  // Writes the cell opened by `open` holding `text`.
  void WriteCell(std::string_view open, std::string_view text, BlockWriter& out) {
    out.Put(open);
    Write(text, out);
  }

  void Write(std::string_view text, BlockWriter& out) {
    if (IsPlain(text)) {
      out.Put(text);
      return;
    }
    if (!IsUtf8(text)) {
      utf8_.clear();
      AppendUtf8(text, &utf8_);
      WriteEscaped(utf8_, out);
      return;
    }
    WriteEscaped(text, out);
  }

 private:
  // True when `text` is UTF-8 (the same rule as port::IsValidUtf8) and holds nothing to escape.
  static bool IsPlain(std::string_view text) { return Scan(text) == kPlainText; }
  static bool IsUtf8(std::string_view text) { return Scan(text) != kNotUtf8; }

 private:
  enum ScanResult { kPlainText, kEscapeText, kNotUtf8 };
  static ScanResult Scan(std::string_view text) {
    // One scan tells whether the text is UTF-8 and whether it holds anything to escape; nearly
    // every cell is then copied as it stands.
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    bool plain = true;
    size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: ASCII with nothing to escape is skipped whole; a control byte
    // counts as special.
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i amp = _mm_set1_epi8('&');
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i gt = _mm_set1_epi8('>');
    const __m128i del = _mm_set1_epi8(0x7f);
    while (n - i >= 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
      const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(v, space), v);
      const __m128i marks = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, amp)),
                                         _mm_or_si128(_mm_cmpeq_epi8(v, lt), _mm_cmpeq_epi8(v, gt)));
      const __m128i special = _mm_or_si128(_mm_or_si128(low, marks), _mm_cmpeq_epi8(v, del));
      if (_mm_movemask_epi8(special) != 0) plain = false;
      const auto high = static_cast<unsigned>(_mm_movemask_epi8(v));
      if (high == 0) {
        i += 16;
        continue;
      }
      // Check the sequences that begin in these sixteen bytes; the last may reach past them.
      size_t j = i + static_cast<size_t>(std::countr_zero(high));
      while (j < i + 16) {
        if (bytes[j] < 0x80) {
          ++j;
          continue;
        }
        const size_t length = Utf8Length(bytes + j, n - j);
        if (length == 0) return kNotUtf8;
        j += length;
      }
      i = j;
    }
#endif
    while (i < n) {
      const auto kind = kByteKinds[bytes[i]];
      if (kind == kPlainByte) {
        ++i;
      } else if (kind == kHighByte) {
        const size_t length = Utf8Length(bytes + i, n - i);
        if (length == 0) return kNotUtf8;
        i += length;
      } else {
        plain = false;
        ++i;
      }
    }
    return plain ? kPlainText : kEscapeText;
  }

  // Writes UTF-8 `text` with its special characters and white space rewritten.
  void WriteEscaped(std::string_view text, BlockWriter& out) {
    const size_t n = text.size();
    size_t from = 0;  // the first byte not yet written
    for (size_t i = 0; i < n; ++i) {
      const ByteKind kind = KindOf(text[i]);
      if (kind == kPlainByte || kind == kHighByte) continue;
      if (kind == kWhiteByte) {
        size_t end = i + 1;
        while (end < n && KindOf(text[end]) == kWhiteByte) ++end;
        // One space between two characters of a line survives any HTML reader; the run is
        // maximal, so only a line break can stand beside it.
        const bool survives = end == i + 1 && text[i] == ' ' && i > 0 && end < n && KindOf(text[i - 1]) != kLineByte &&
                              KindOf(text[end]) != kLineByte;
        if (!survives) {
          out.Put(text.substr(from, i - from));
          spaces_.clear();
          AppendKeptWhiteSpace(text.substr(i, end - i), &spaces_);
          out.Put(spaces_);
          from = end;
        }
        i = end - 1;
        continue;
      }
      out.Put(text.substr(from, i - from));
      if (kind == kEscapedByte) {
        out.Put(EscapeOf(text[i]));
      } else {
        if (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;  // CR LF is one break
        out.Put(kLineBreak);
      }
      from = i + 1;
    }
    out.Put(text.substr(from));
  }

  std::string utf8_;    // the text converted from GBK
  std::string spaces_;  // the markup of a run of white space
};


// Which columns are written and how: shared by the threads that write rows.
class ColumnPlan {
 public:
  // Columns `first_col` .. `last_col` of `grid`, both inside it.
  ColumnPlan(const Grid& grid, int32_t first_col, int32_t last_col, const HtmlTableShape& shape)
      : grid_(grid), first_col_(first_col), last_col_(last_col), has_title_row_(shape.has_title_row) {
    // A shape that does not fit the grid only misplaces borders: columns past the layout's, and
    // those of groups without columns, are never separators.
    const GroupGeometry& geometry = shape.geometry;
    if (geometry.source_columns > 0) {
      for (int64_t c = first_col; c <= last_col && c < geometry.ResultColumns(); ++c) {
        if (geometry.IsSeparator(c)) {
          separators_.resize(static_cast<size_t>(last_col - first_col + 1));
          separators_[static_cast<size_t>(c - first_col)] = true;
        }
      }
    }
    if (grid.HasHiddenColumns()) {
      hidden_cols_.resize(static_cast<size_t>(grid.ColCount()));
      for (int32_t c = 0; c < grid.ColCount(); ++c) hidden_cols_[static_cast<size_t>(c)] = grid.GetColumnWidth(c).value_or(0) == 0;
    }
  }

  const Grid& grid() const { return grid_; }
  bool has_title_row() const { return has_title_row_; }
  int32_t first_col() const { return first_col_; }
  int32_t last_col() const { return last_col_; }
  bool all_columns_shown() const { return hidden_cols_.empty(); }

  // Walks the columns left to right from the first, telling group columns from separators.
  class Cursor {
   public:
    explicit Cursor(const ColumnPlan& plan) : separators_(plan.separators_) {}
    bool separator() const { return at_ < separators_.size() && separators_[at_]; }
    std::string_view open() const { return separator() ? kSeparatorCell : kGroupCell; }
    void Next() { ++at_; }

   private:
    const std::vector<bool>& separators_;
    size_t at_ = 0;  // the column's place from the first
  };

  // Calls `visit(col, separator)` for every shown column, left to right.
  template <typename Visit>
  void ForEachColumn(Visit&& visit) const {
    Cursor column(*this);
    for (int32_t c = first_col_; c <= last_col_; ++c, column.Next()) {
      if (hidden_cols_.empty() || !hidden_cols_[static_cast<size_t>(c)]) visit(c, column.separator());
    }
  }

  void WriteColumns(BlockWriter& out) const {
    ForEachColumn([&](int32_t c, bool separator) {
      int32_t width = grid_.GetColumnWidth(c).value_or(0);
      if (separator) width = std::min(width, kHtmlSeparatorWidth);
      out.Put("<col width=");
      out.Put(std::to_string(width));
      out.Put(">\n");
    });
  }

 private:
  const Grid& grid_;
  const int32_t first_col_;
  const int32_t last_col_;
  const bool has_title_row_;
  std::vector<bool> separators_;   // by place from the first column; empty without separators
  std::vector<bool> hidden_cols_;  // empty when every column is shown
};

// Writes rows; one for each thread.
class RowWriter {
 public:
  explicit RowWriter(const ColumnPlan& plan)
      : plan_(plan), cells_(plan.grid()), runs_(plan.grid()), all_rows_shown_(!plan.grid().HasHiddenRows()) {}

  void Write(int32_t first_row, int32_t last_row, BlockWriter& out) {
    for (int32_t r = first_row; r <= last_row; ++r) {
      if (!all_rows_shown_ && plan_.grid().GetRowHeight(r).value_or(0) == 0) continue;
      WriteRow(r, out);
    }
  }

 private:
  void WriteRow(int32_t r, BlockWriter& out) {
    const bool title = plan_.has_title_row() && r == 0;
    if (!title && plan_.all_columns_shown()) {
      WriteRuns(r, out);
      return;
    }
    cells_.Read(r);
    out.Put("<tr>");
    plan_.ForEachColumn([&](int32_t c, bool separator) {
      const std::string_view open = separator ? kSeparatorCell : kGroupCell;
      const std::string_view text = cells_.Text(c);
      if (!title) {
        text_.WriteCell(open, text, out);
        return;
      }
      out.Put(open);
      if (!text.empty()) {
        out.Put("<b>");
        text_.Write(text, out);
        out.Put("</b>");
      }
    });
    // The last cell is closed: without it LibreOffice adds the line end after the row to it.
    out.Put("</td></tr>\n");
  }

  // A row of which every column is shown, read run by run as the grid stores it: a plain line
  // with nothing to escape is cut at its TABs as it is written, without a cell list.
  void WriteRuns(int32_t r, BlockWriter& out) {
    ColumnPlan::Cursor column(plan_);
    out.Put("<tr>");
    runs_.Read(
        r, plan_.first_col(), plan_.last_col(),
        [&](int64_t from, int64_t to) {
          for (int64_t c = from; c < to; ++c, column.Next()) out.Put(column.open());
        },
        [&](int64_t, std::string_view line, int64_t count) { return WritePlainLine(line, count, column, out); },
        [&](int64_t, std::string_view text, bool) {
          text_.WriteCell(column.open(), text, out);
          column.Next();
        });
    out.Put("</td></tr>\n");
  }

  // Writes the `count` TAB-separated cells of `line` when they are all plain (UTF-8 with nothing
  // to escape): one pass checks the line and finds its TABs, the next copies the cells straight
  // into the block. False, with nothing written and `column` where it was, otherwise.
  bool WritePlainLine(std::string_view line, int64_t count, ColumnPlan::Cursor& column, BlockWriter& out) {
    if (count < 1 || !FindPlainTabs(line, count)) return false;
    char* at = out.Room(line.size() + static_cast<size_t>(count) * kSeparatorCell.size());
    if (at == nullptr) return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(line.data());
    const size_t n = line.size();
    tabs_[static_cast<size_t>(count) - 1] = n;  // the last cell ends with the line
    size_t from = 0;  // where the cell not yet written starts
    for (int64_t k = 0; k < count; ++k, column.Next()) {
      if (column.separator()) {
        std::memcpy(at, kSeparatorCell.data(), kSeparatorCell.size());
        at += kSeparatorCell.size();
      } else {
        std::memcpy(at, kGroupCell.data(), kGroupCell.size());
        at += kGroupCell.size();
      }
      // The room covers the rest of the line from every cell's start on.
      const size_t end = tabs_[static_cast<size_t>(k)];
      CopyShort(bytes + from, end - from, n - from, at);
      at += end - from;
      from = end + 1;
    }
    out.Commit(at);
    return true;
  }

  // True when `line` is plain and holds exactly `count` - 1 TABs, whose places are then the
  // first of `tabs_`. Every line of a table has the same number of cells while the TABs fall
  // anywhere, so the places are gathered without a branch for each TAB (four are written for
  // every block of sixteen bytes, the count advanced by how many there were) and the cells are
  // written by a loop that runs as often for every line.
  bool FindPlainTabs(std::string_view line, int64_t count) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(line.data());
    const size_t n = line.size();
    const auto wanted = static_cast<size_t>(count - 1);
    // Room for a block's sixteen TABs past the last wanted place.
    if (tabs_.size() < wanted + 17) tabs_.resize(wanted + 17);
    size_t found = 0;
    size_t i = 0;
#if defined(__SSE2__)
    if (n >= 16) {
      PlainBlocks blocks;
      // Sixteen bytes at a time; the last block ends at the line's end, overlapping the one
      // before, so that no byte outside the line is read.
      for (;;) {
        const size_t start = std::min(i, n - 16);
        unsigned tabs = 0;
        if (!blocks.Check(bytes + start, static_cast<int>(i - start), &tabs)) return false;
        const auto in_block = static_cast<size_t>(byte_scan::CountBits(tabs));
        size_t* place = tabs_.data() + found;
        for (int k = 0; k < 4; ++k, tabs &= tabs - 1) place[k] = start + static_cast<size_t>(std::countr_zero(tabs));
        for (int k = 4; tabs != 0; ++k, tabs &= tabs - 1) place[k] = start + static_cast<size_t>(std::countr_zero(tabs));
        found += in_block;
        i = start + 16;
        if (found > wanted) return false;
        if (i == n) break;
      }
      if (!blocks.Finished()) return false;
    }
#endif
    while (i < n) {
      const auto kind = kByteKinds[bytes[i]];
      if (bytes[i] == '\t') {
        if (found == wanted) return false;
        tabs_[found++] = i;
        ++i;
      } else if (kind == kPlainByte) {
        ++i;
      } else if (kind == kHighByte) {
        const size_t length = Utf8Length(bytes + i, n - i);
        if (length == 0) return false;
        i += length;
      } else {
        return false;
      }
    }
    return found == wanted;  // fewer (or more) cells than the run holds: the general path cuts them
  }

  // A copy for each thread: read at every row, a plan the threads shared could sit on a cache
  // line beside what the calling thread writes all the time (its block's fill count, in the same
  // stack frame), and every such write would take the line away from the other thread; with
  // some stack layouts that made the export half as fast.
  const ColumnPlan plan_;
  RowCells cells_;
  CellTextWriter text_;
  RowRuns runs_;
  std::vector<size_t> tabs_;          // a plain line's TABs (FindPlainTabs)
  const bool all_rows_shown_;
};

}  // namespace

void AppendKeptWhiteSpace(std::string_view run, std::string* out) {
  // LibreOffice collapses every run of spaces in pasted HTML, white-space:pre or not, but keeps
  // a space written as the reference &#32; (one is still dropped at the very start of a cell).
  // Excel keeps the spaces of an mso-spacerun span; white-space:pre keeps them for a browser and
  // for our own reader. No form of a TAB survives LibreOffice; it is written as it stands.
  *out += "<span style=\"mso-spacerun:yes;white-space:pre\">";
  for (const char c : run) {
    if (c == ' ') {
      *out += "&#32;";
    } else {
      *out += c;
    }
  }
  *out += "</span>";
}

HtmlFlavourExcess HtmlFlavourExcessOf(const Grid& grid, const CellRect& rect) {
  using Limit = HtmlFlavourExcess::Limit;
  const int64_t rows = int64_t{std::min(rect.last_row, grid.RowCount() - 1)} - std::max(rect.first_row, 0) + 1;
  const int64_t cols = int64_t{std::min(rect.last_col, grid.ColCount() - 1)} - std::max(rect.first_col, 0) + 1;
  if (rows <= 0 || cols <= 0) return {};
  if (rows > kHtmlMaxRows) return {Limit::kRows, rows, kHtmlMaxRows};
  if (cols > kHtmlMaxCols) return {Limit::kColumns, cols, kHtmlMaxCols};
  // The markup of every cell and row, and the grid's texts, which the rectangle refers to at
  // most once each (escaping aside): a bound taken before a byte is written.
  const int64_t markup = rows * (cols * static_cast<int64_t>(kSeparatorCell.size()) + 16);
  const int64_t text = grid.TextBytes();
  if (markup + text > kHtmlMaxBytes) return {Limit::kBytes, markup + text, kHtmlMaxBytes};
  return {};
}

bool HtmlFlavourFits(const Grid& grid, const CellRect& rect) {
  return HtmlFlavourExcessOf(grid, rect).limit == HtmlFlavourExcess::Limit::kNone;
}

void WriteHtmlTable(const Grid& grid, const CellRect& rect, const HtmlTableShape& shape, TextSink& sink) {
  const int32_t first_row = std::max(rect.first_row, 0);
  const int32_t first_col = std::max(rect.first_col, 0);
  const int32_t last_row = std::min(rect.last_row, grid.RowCount() - 1);
  const int32_t last_col = std::min(rect.last_col, grid.ColCount() - 1);
  BlockWriter out(sink);
  out.Put(kHead);
  if (first_row <= last_row && first_col <= last_col) {
    const ColumnPlan plan(grid, first_col, last_col, shape);
    plan.WriteColumns(out);
    // A row's bytes judged from the markup of a cell.
    const int64_t row_bytes = (int64_t{last_col} - first_col + 1) * 40 + 16;
    WriteRows(first_row, last_row, row_bytes, [&plan] { return RowWriter(plan); }, out, sink);
  }
  out.Put(kTail);
  out.Flush();
}

void WriteHtmlTable(const Grid& grid, const HtmlTableShape& shape, TextSink& sink) {
  WriteHtmlTable(grid, CellRect{0, 0, grid.RowCount() - 1, grid.ColCount() - 1}, shape, sink);
}

}  // namespace parvex
