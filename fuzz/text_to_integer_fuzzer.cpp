// Fuzzes the edit-box number conversions. Checks: no crash or sanitizer report; on ASCII text
// both agree with a plain decimal reading that saturates; NormalizeEditBoxText always gives the
// empty text or a canonical decimal in -32768..32767 (never "0"), and is idempotent; full-width
// digits and signs, in UTF-8 and in GBK, read as their ASCII forms.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "grid/text_to_integer.h"

namespace {

[[noreturn]] void Fail(const char* what, std::string_view text) {
  std::fprintf(stderr, "invariant broken: %s (input of %zu bytes)\n", what, text.size());
  std::abort();
}

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Leading blanks, an optional sign, digits up to the first other byte; clamped to [low, high].
int64_t PlainDecimal(std::string_view text, int64_t low, int64_t high) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value < (int64_t{1} << 40)) value = value * 10 + (text[i] - '0');  // far past either bound
  }
  value = negative ? -value : value;
  return value < low ? low : (value > high ? high : value);
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// The full-width form of printable ASCII, in UTF-8 (U+FF01..U+FF5E, U+3000 for the space) or in
// GBK (0xA3 pairs, 0xA1 0xA1 for the space). Other bytes stay as they are.
std::string FullWidth(std::string_view text, bool gbk) {
  std::string out;
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == ' ') {
      out += gbk ? "\xa1\xa1" : "\xe3\x80\x80";
    } else if (c > 0x20 && c < 0x7f) {
      if (gbk) {
        out += '\xa3';
        out += static_cast<char>(c + 0x80);
      } else {
        const uint32_t cp = 0xff01 + (c - 0x21u);
        out += static_cast<char>(0xe0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (cp & 0x3f));
      }
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace

// The replay test builds every target into one program, each entry point under its own name.
#ifndef PARVEX_FUZZ_ENTRY
#define PARVEX_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

extern "C" int PARVEX_FUZZ_ENTRY(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const int32_t value = parvex::TextToInteger(text);
  const std::string box = parvex::NormalizeEditBoxText(text);

  if (!box.empty()) {
    if (box == "0") Fail("0 must become the empty text", text);
    const int64_t read = PlainDecimal(box, INT32_MIN, INT32_MAX);
    if (read < -32768 || read > 32767) Fail("normalised text out of -32768..32767", text);
    if (std::to_string(read) != box) Fail("normalised text is not canonical decimal", text);
  }
  if (parvex::NormalizeEditBoxText(box) != box) Fail("normalisation is not idempotent", text);
  if (parvex::TextToInteger(box) != (box.empty() ? 0 : PlainDecimal(box, -32768, 32767))) {
    Fail("TextToInteger reads a normalised box differently", text);
  }

  if (IsAscii(text)) {
    if (value != PlainDecimal(text, INT32_MIN, INT32_MAX)) Fail("TextToInteger differs from plain decimal", text);
    const int64_t clamped = PlainDecimal(text, -32768, 32767);
    if (box != (clamped == 0 ? std::string() : std::to_string(clamped))) {
      Fail("NormalizeEditBoxText differs from plain decimal", text);
    }
    // Only the printable part is folded; keep the text free of control bytes other than blanks
    // so that both forms are read the same way.
    bool printable = true;
    for (char c : text) printable = printable && (c >= 0x20 || IsBlank(c));
    if (printable && size > 0) {
      if (parvex::TextToInteger(FullWidth(text, /*gbk=*/false)) != value) Fail("UTF-8 full-width form differs", text);
      if (parvex::TextToInteger(FullWidth(text, /*gbk=*/true)) != value) Fail("GBK full-width form differs", text);
    }
  }
  return 0;
}
