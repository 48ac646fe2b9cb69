#include "grid/text_to_integer.h"

#include <limits>

#include "port/utf8.h"

namespace parvex {
namespace {

bool IsBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Full-width forms of the ASCII signs, the ideographic space and the stars, in UTF-8.
std::string FoldUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto c0 = static_cast<unsigned char>(text[i]);
    if (c0 == 0xef && i + 2 < text.size()) {
      const auto c1 = static_cast<unsigned char>(text[i + 1]);
      const auto c2 = static_cast<unsigned char>(text[i + 2]);
      // U+FF01..U+FF3F is EF BC 81..BF, U+FF40..U+FF5E is EF BD 80..9E.
      if (c1 == 0xbc && c2 >= 0x81) {
        out.push_back(static_cast<char>(c2 - 0x60));
        i += 3;
        continue;
      }
      if (c1 == 0xbd && c2 <= 0x9e) {
        out.push_back(static_cast<char>(c2 - 0x20));
        i += 3;
        continue;
      }
    } else if (c0 == 0xe3 && i + 2 < text.size() && text[i + 1] == '\x80' && text[i + 2] == '\x80') {
      out.push_back(' ');
      i += 3;
      continue;
    } else if (c0 == 0xe2 && i + 2 < text.size() && text[i + 1] == '\x98' &&
               (text[i + 2] == '\x85' || text[i + 2] == '\x86')) {
      out.push_back('*');
      i += 3;
      continue;
    }
    out.push_back(text[i]);
    ++i;
  }
  return out;
}

// The same signs as GBK pairs. Any other pair is kept whole so that its second byte is never
// read as a sign of its own; a lead byte with nothing after it is dropped.
std::string FoldGbk(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      out.push_back(text[i]);
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) break;
    const auto second = static_cast<unsigned char>(text[i + 1]);
    if (lead == 0xa3 && second >= 0xa1 && second <= 0xfe) {
      out.push_back(static_cast<char>(second - 0x80));
    } else if (lead == 0xa1 && second == 0xa1) {
      out.push_back(' ');
    } else if (lead == 0xa1 && second == 0xab) {
      out.push_back('~');
    } else if (lead == 0xa1 && (second == 0xee || second == 0xef)) {
      out.push_back('*');
    } else {
      out.push_back(text[i]);
      out.push_back(text[i + 1]);
    }
    i += 2;
  }
  return out;
}

// Leading blanks, an optional sign, then digits up to the first other byte; saturates at the
// int64 bounds, far beyond anything the callers clamp to.
int64_t ReadDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  constexpr int64_t kCap = int64_t{1} << 40;
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value < kCap) value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

int64_t Clamp(int64_t value, int64_t low, int64_t high) { return value < low ? low : (value > high ? high : value); }

}  // namespace

int32_t TextToInteger(std::string_view text) {
  const std::string folded = port::IsValidUtf8(text) ? FoldUtf8(text) : FoldGbk(text);
  return static_cast<int32_t>(Clamp(ReadDecimal(folded), std::numeric_limits<int32_t>::min(),
                                    std::numeric_limits<int32_t>::max()));
}

std::string NormalizeEditBoxText(std::string_view text) {
  const int64_t value = Clamp(ReadDecimal(text), -32768, 32767);
  return value == 0 ? std::string() : std::to_string(value);
}

bool IsEditBoxCharacter(char32_t c) { return (c >= U'0' && c <= U'9') || c == U'-'; }

}  // namespace parvex
