// Compares texts too long for EXPECT_EQ: on a difference GoogleTest would print both whole (and
// diff them line by line, which takes hours for a few hundred thousand lines). SameBytes says
// instead where they part: both sizes, the offset of the first difference and a few escaped
// bytes of each side from shortly before it.
#ifndef PARVEX_TESTS_SUPPORT_SAME_BYTES_H_
#define PARVEX_TESTS_SUPPORT_SAME_BYTES_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

namespace parvex::test_support {

// `text` with bytes outside printable ASCII written as \xNN, and TAB, LF, CR as \t, \n, \r.
inline std::string Escaped(std::string_view text) {
  std::string out;
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (ch == '\t') {
      out += "\\t";
    } else if (ch == '\n') {
      out += "\\n";
    } else if (ch == '\r') {
      out += "\\r";
    } else if (ch == '\\') {
      out += "\\\\";
    } else if (byte < 0x20 || byte >= 0x7f) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", byte);
      out += hex;
    } else {
      out += ch;
    }
  }
  return out;
}

inline ::testing::AssertionResult SameBytes(std::string_view got, std::string_view want) {
  const size_t common = std::min(got.size(), want.size());
  const size_t at = static_cast<size_t>(std::mismatch(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(common),
                                                      want.begin()).first - got.begin());
  if (at == common && got.size() == want.size()) return ::testing::AssertionSuccess();
  constexpr size_t kBefore = 16;
  constexpr size_t kShown = 48;
  const size_t from = at - std::min(at, kBefore);
  return ::testing::AssertionFailure() << "sizes " << got.size() << " and " << want.size()
                                       << ", first difference at byte " << at << "; from byte " << from
                                       << "\n  got:  \"" << Escaped(got.substr(from, kShown)) << "\""
                                       << "\n  want: \"" << Escaped(want.substr(from, kShown)) << "\"";
}

}  // namespace parvex::test_support

#endif  // PARVEX_TESTS_SUPPORT_SAME_BYTES_H_
