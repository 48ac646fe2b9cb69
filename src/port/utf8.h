// UTF-8, strictly: no overlong forms, no surrogates, nothing past U+10FFFF. The one place that
// checks and decodes it; inline, as the exports check every byte of a large table with it.
#ifndef PARVEX_PORT_UTF8_H_
#define PARVEX_PORT_UTF8_H_

#include <cstddef>
#include <string_view>

namespace parvex::port {

inline bool IsUtf8Continuation(unsigned char c) { return (c & 0xc0) == 0x80; }

// The length of the UTF-8 sequence at `p` (n bytes left, p[0] >= 0x80), or 0 when none starts
// there.
inline size_t Utf8SequenceLength(const unsigned char* p, size_t n) {
  const unsigned char c = p[0];
  if (c >= 0xc2 && c <= 0xdf) return n >= 2 && IsUtf8Continuation(p[1]) ? 2 : 0;
  if (c >= 0xe0 && c <= 0xef) {
    if (n < 3 || !IsUtf8Continuation(p[1]) || !IsUtf8Continuation(p[2])) return 0;
    if (c == 0xe0 && p[1] < 0xa0) return 0;   // overlong
    if (c == 0xed && p[1] >= 0xa0) return 0;  // surrogate
    return 3;
  }
  if (c >= 0xf0 && c <= 0xf4) {
    if (n < 4 || !IsUtf8Continuation(p[1]) || !IsUtf8Continuation(p[2]) || !IsUtf8Continuation(p[3])) return 0;
    if (c == 0xf0 && p[1] < 0x90) return 0;   // overlong
    if (c == 0xf4 && p[1] >= 0x90) return 0;  // past U+10FFFF
    return 4;
  }
  return 0;
}

inline bool IsValidUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    if (p[i] < 0x80) {
      ++i;
      continue;
    }
    const size_t length = Utf8SequenceLength(p + i, n - i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

// The character that starts at text[*at], moving *at past it; a byte that starts no UTF-8
// sequence is U+FFFD, and *at moves past that byte alone.
inline char32_t NextUtf8Character(std::string_view text, size_t* at) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data()) + *at;
  if (p[0] < 0x80) {
    ++*at;
    return p[0];
  }
  const size_t length = Utf8SequenceLength(p, text.size() - *at);
  if (length == 0) {
    ++*at;
    return U'\uFFFD';
  }
  char32_t code = p[0] & (length == 2 ? 0x1fu : length == 3 ? 0x0fu : 0x07u);
  for (size_t k = 1; k < length; ++k) code = (code << 6) | (p[k] & 0x3fu);
  *at += length;
  return code;
}

}  // namespace parvex::port

#endif  // PARVEX_PORT_UTF8_H_
