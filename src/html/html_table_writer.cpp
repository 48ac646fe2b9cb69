#include "html/html_table_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "port/code_page.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace parvex {
namespace {

// Excel honours class styles from the <style> block (its own HTML works that way) and reads
// mso-number-format "\@" as text; LibreOffice ignores both but reads the sdnum attribute on
// every cell (language 1033, format "@": text), with or without other attributes.
constexpr std::string_view kHead =
    "<!DOCTYPE html>\n"
    "<html><head><meta charset=\"utf-8\">\n"
    "<style>\n"
    "table{border-collapse:collapse}\n"
    ".c{mso-number-format:\"\\@\";border:.5pt solid windowtext}\n"
    ".s{mso-number-format:\"\\@\"}\n"
    "</style></head>\n"
    "<body><table>\n";
constexpr std::string_view kTail = "</table></body></html>\n";
constexpr std::string_view kGroupCell = "<td class=c sdnum=\"1033;0;@\">";
constexpr std::string_view kSeparatorCell = "<td class=s sdnum=\"1033;0;@\">";
constexpr std::string_view kCellEnd = "</td>";
// Excel reads a plain <br> in a cell as the end of the row; this form stays in the cell.
constexpr std::string_view kLineBreak = "<br style=\"mso-data-placement:same-cell\">";

// Collects the document in a block of its own and hands it on when the block is full.
class Block {
 public:
  explicit Block(TextSink& sink) : sink_(sink), block_(new char[kSize]) {}
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;

  // Small enough to be inlined: most pieces are short constants, copied without a call.
  void Put(std::string_view text) {
    if (text.size() > kSize - used_) [[unlikely]] {
      PutAcross(text);
      return;
    }
    std::memcpy(block_.get() + used_, text.data(), text.size());
    used_ += text.size();
  }
  // Whoever writes calls Flush at the end: a destructor must not write, since the sink may throw.
  void Flush() {
    if (used_ == 0) return;
    sink_.Append(std::string_view(block_.get(), used_));
    used_ = 0;
  }

 private:
  static constexpr size_t kSize = size_t{1} << 20;

  void PutAcross(std::string_view text) {
    Flush();
    if (text.size() >= kSize) {
      sink_.Append(text);
      return;
    }
    std::memcpy(block_.get(), text.data(), text.size());
    used_ = text.size();
  }

  TextSink& sink_;
  std::unique_ptr<char[]> block_;
  size_t used_ = 0;
};

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
  for (size_t c = 0x80; c < 0x100; ++c) kinds[c] = kHighByte;
  return kinds;
}();

ByteKind KindOf(char c) { return static_cast<ByteKind>(kByteKinds[static_cast<unsigned char>(c)]); }

std::string_view EscapeOf(char c) {
  switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    default: return "&quot;";
  }
}

bool IsContinuation(unsigned char c) { return (c & 0xc0) == 0x80; }

// The length of the UTF-8 sequence at `p` (n bytes left, p[0] >= 0x80), or 0 when none starts
// there. The same rules as IsValidUtf8: no overlong forms, no surrogates, nothing past U+10FFFF.
size_t Utf8SequenceLength(const unsigned char* p, size_t n) {
  const unsigned char c = p[0];
  if (c >= 0xc2 && c <= 0xdf) return n >= 2 && IsContinuation(p[1]) ? 2 : 0;
  if (c >= 0xe0 && c <= 0xef) {
    if (n < 3 || !IsContinuation(p[1]) || !IsContinuation(p[2])) return 0;
    if (c == 0xe0 && p[1] < 0xa0) return 0;   // overlong
    if (c == 0xed && p[1] >= 0xa0) return 0;  // surrogate
    return 3;
  }
  if (c >= 0xf0 && c <= 0xf4) {
    if (n < 4 || !IsContinuation(p[1]) || !IsContinuation(p[2]) || !IsContinuation(p[3])) return 0;
    if (c == 0xf0 && p[1] < 0x90) return 0;   // overlong
    if (c == 0xf4 && p[1] >= 0x90) return 0;  // past U+10FFFF
    return 4;
  }
  return 0;
}

// Writes cell texts as HTML text.
class CellTextWriter {
 public:
  void Write(std::string_view text, Block& out) {
    // One scan tells whether the text is UTF-8 and whether it holds anything to escape; nearly
    // every cell is then copied as it stands.
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    bool plain = true;
    size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: ASCII with nothing to escape is skipped whole. A control byte
    // other than the white space and line ends also counts as special here; WriteEscaped copies
    // it as it stands.
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i amp = _mm_set1_epi8('&');
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i gt = _mm_set1_epi8('>');
    while (n - i >= 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
      const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(v, space), v);
      const __m128i marks = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, amp)),
                                         _mm_or_si128(_mm_cmpeq_epi8(v, lt), _mm_cmpeq_epi8(v, gt)));
      if (_mm_movemask_epi8(_mm_or_si128(low, marks)) != 0) plain = false;
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
        const size_t length = Utf8SequenceLength(bytes + j, n - j);
        if (length == 0) return WriteConverted(text, out);
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
        const size_t length = Utf8SequenceLength(bytes + i, n - i);
        if (length == 0) return WriteConverted(text, out);
        i += length;
      } else {
        plain = false;
        ++i;
      }
    }
    if (plain) {
      out.Put(text);
    } else {
      WriteEscaped(text, out);
    }
  }

 private:
  void WriteConverted(std::string_view text, Block& out) {
    utf8_.clear();
    AppendUtf8(text, &utf8_);
    WriteEscaped(utf8_, out);
  }

  // Writes UTF-8 `text` with its special characters and white space rewritten.
  void WriteEscaped(std::string_view text, Block& out) {
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

// A row's cells. The one place that knows how the grid hands out a whole row at once.
class RowCells {
 public:
  explicit RowCells(const Grid& grid) : grid_(grid) {}
  void Read(int32_t row) { grid_.GetRowCells(row, &cells_); }
  // The text of column `col` of the row read last; empty past its last stored cell.
  std::string_view Text(int32_t col) const {
    const auto c = static_cast<size_t>(col);
    return c < cells_.size() ? grid_.Text(cells_[c]) : std::string_view();
  }

 private:
  const Grid& grid_;
  std::vector<CellRef> cells_;
};

class DocumentWriter {
 public:
  DocumentWriter(const Grid& grid, const HtmlTableShape& shape, TextSink& sink)
      : grid_(grid), out_(sink), cells_(grid) {
    // Columns are told apart by their place in the group: `period_` columns to a group and its
    // separator. A shape that does not fit the grid only misplaces borders.
    if (shape.groups > 1 && shape.group_columns > 0) {
      period_ = int64_t{shape.group_columns} + 1;
      separators_ = int64_t{shape.groups} - 1;
    }
    has_title_row_ = shape.has_title_row;
    if (grid.HasHiddenColumns()) {
      hidden_cols_.resize(static_cast<size_t>(grid.ColCount()));
      for (int32_t c = 0; c < grid.ColCount(); ++c) hidden_cols_[static_cast<size_t>(c)] = grid.GetColumnWidth(c).value_or(0) == 0;
    }
  }

  void Write() {
    out_.Put(kHead);
    WriteColumns();
    const bool all_rows_shown = !grid_.HasHiddenRows();
    for (int32_t r = 0; r < grid_.RowCount(); ++r) {
      if (!all_rows_shown && grid_.GetRowHeight(r).value_or(0) == 0) continue;
      WriteRow(r);
    }
    out_.Put(kTail);
    out_.Flush();
  }

 private:
  bool Hidden(int32_t col) const { return !hidden_cols_.empty() && hidden_cols_[static_cast<size_t>(col)]; }

  // Calls `visit(col, separator)` for every shown column, left to right.
  template <typename Visit>
  void ForEachColumn(Visit&& visit) const {
    int64_t in_group = 0;  // the column's place in its group and separator
    int64_t group = 0;
    for (int32_t c = 0; c < grid_.ColCount(); ++c) {
      const bool separator = period_ != 0 && in_group == period_ - 1 && group < separators_;
      if (!Hidden(c)) visit(c, separator);
      if (period_ != 0 && ++in_group == period_) {
        in_group = 0;
        ++group;
      }
    }
  }

  void WriteColumns() {
    ForEachColumn([&](int32_t c, bool separator) {
      int32_t width = grid_.GetColumnWidth(c).value_or(0);
      if (separator) width = std::min(width, kHtmlSeparatorWidth);
      out_.Put("<col width=");
      out_.Put(std::to_string(width));
      out_.Put(">\n");
    });
  }

  void WriteRow(int32_t r) {
    cells_.Read(r);
    const bool title = has_title_row_ && r == 0;
    out_.Put("<tr>");
    ForEachColumn([&](int32_t c, bool separator) {
      out_.Put(separator ? kSeparatorCell : kGroupCell);
      const std::string_view text = cells_.Text(c);
      if (!text.empty()) {
        if (title) out_.Put("<b>");
        text_.Write(text, out_);
        if (title) out_.Put("</b>");
      }
      out_.Put(kCellEnd);
    });
    out_.Put("</tr>\n");
  }

  const Grid& grid_;
  Block out_;
  RowCells cells_;
  CellTextWriter text_;
  int64_t period_ = 0;      // 0: no separators
  int64_t separators_ = 0;
  bool has_title_row_ = false;
  std::vector<bool> hidden_cols_;  // empty when every column is shown
};

class StringSink : public TextSink {
 public:
  explicit StringSink(std::string* out) : out_(out) {}
  void Append(std::string_view piece) override { out_->append(piece); }

 private:
  std::string* out_;
};

}  // namespace

void AppendKeptWhiteSpace(std::string_view run, std::string* out) {
  // Excel keeps the spaces of an mso-spacerun span; white-space:pre keeps them for a browser and
  // for our own reader.
  *out += "<span style=\"mso-spacerun:yes;white-space:pre\">";
  *out += run;
  *out += "</span>";
}

void WriteHtmlTable(const Grid& grid, const HtmlTableShape& shape, TextSink& sink) {
  DocumentWriter(grid, shape, sink).Write();
}

std::string HtmlTable(const Grid& grid, const HtmlTableShape& shape) {
  std::string html;
  StringSink sink(&html);
  WriteHtmlTable(grid, shape, sink);
  return html;
}

}  // namespace parvex
