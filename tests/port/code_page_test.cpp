#include "port/code_page.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace parvex {
namespace {

struct Utf8Case {
  const char* name;
  std::string bytes;
  std::string utf8;
};

const Utf8Case kUtf8Cases[] = {
    {"empty", "", ""},
    {"ASCII", "007 =A1", "007 =A1"},
    {"UTF-8 kept", "班级 №", "班级 №"},
    {"GBK", "\xB0\xE0\xBC\xB6", "班级"},
    {"GBK among ASCII", "1\xB0\xE0 a", "1班 a"},
    {"GB18030 four-byte character", "\x81\x30\x81\x30", "\xC2\x80"},
    {"byte that starts nothing", "a\xFF" "b", "a\xEF\xBF\xBD" "b"},
    {"lead byte cut off by the end", "a\xB0", "a\xEF\xBF\xBD"},
    {"lead byte before a TAB", "\xB0\t\xB0\xE0", "\xEF\xBF\xBD\t班"},
    {"NUL kept", std::string("\xB0\xE0\0x", 4), std::string("班\0x", 5)},
};

TEST(CodePageTest, ConvertsToUtf8WithoutDroppingBytes) {
  // Some systems read GBK but not the four-byte characters GB18030 adds to it (Wine): those
  // become U+FFFD there. 81 30 81 30 is U+0080.
  const bool reads_four_bytes = ToUtf8("\x81\x30\x81\x30") == "\xC2\x80";
  for (const Utf8Case& c : kUtf8Cases) {
    SCOPED_TRACE(c.name);
    if (c.bytes.starts_with("\x81\x30") && !reads_four_bytes) continue;
    EXPECT_EQ(ToUtf8(c.bytes), c.utf8);
    std::string appended = "x";
    AppendUtf8(c.bytes, &appended);
    EXPECT_EQ(appended, "x" + c.utf8);
  }
}

TEST(CodePageTest, ThreadsConvertAtOnce) {
  // Each thread has its own converter; a shared one would mix up the shift states.
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (size_t t = 0; t < wrong.size(); ++t) {
    threads.emplace_back([&wrong, t] {
      for (int k = 0; k < 2000; ++k) {
        if (ToUtf8("\xB0\xE0\xBC\xB6\xB0") != "班级\xEF\xBF\xBD") ++wrong[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace parvex
