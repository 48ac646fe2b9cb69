// Every way ParseTableText can read a text (plain lines, mask-cut fields, the prescan thread,
// field by field) against the plain reference reader.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "grid/table_text_reader.h"
#include "support/table_text_reference.h"

namespace parvex {
namespace {

using test_support::kReadings;
using test_support::NamedReading;
using test_support::ParseTableTextReference;
using test_support::TextTable;

// Checks every reading of `text` against the reference.
void ExpectReadingsAgree(const std::string& text, bool all_readings = true) {
  const TextTable want = ParseTableTextReference(text);
  for (const NamedReading& r : kReadings) {
    if (!all_readings && r.reading.prescan_bytes == 0) continue;
    std::string broken;
    const TextTable got = test_support::ReadWith(text, r.reading, &broken);
    EXPECT_EQ(broken, "") << r.name;
    EXPECT_TRUE(got == want) << r.name << ": " << test_support::Difference(got, want);
  }
}

// A plain line of 80 bytes: it takes the fast ways, which need 64 bytes to look at.
const std::string kFiller = "filler\t0123456789\t0123456789\t0123456789\t0123456789\t0123456789\t01234567\r\n";

TEST(TableTextReadingTest, ReadingsAgreeOnEdgeCases) {
  const std::string pieces[] = {
      "",
      "\n",
      "\r\n",
      "\r",
      "\t",
      "\t\t\n",
      "a\tb\t",
      "a\tb\t\r\n",
      "a\tb\t\nc",
      " a \t b \r\n",
      "\v\fa\f\v\tb",
      "a\rb\tc\r\r\n",
      "\"a\tb\"\tc\r\n",
      "\"a\r\nb\"\r\nc",
      "\"\"\t\"\"\"\"\t\"\"\"x\"\n",
      "\"a\"b\"\tc\n",
      "\"abc\tdef\r\n",
      "\"abc\"x\ty\n",
      "x\t\"unclosed\n\"\"\n",
      " \"quoted after a blank\"\t\"\n",
      "\"ends the text\"",
      "\"ends in CR\"\r",
      "\"\r\"\r\n",
      "\xe5\xa7\x93\t\xd0\xd5\"\t\xff\n",
      std::string(63, 'a') + "\tb\n",
      std::string(64, 'a') + "\t\r\n",
      std::string(62, 'a') + "\r\tb\n",
      std::string(65, 'a') + " \n",
      std::string(size_t{64} << 10, 'p') + "\tq\n",
      std::string((size_t{64} << 10) - 1, 'p') + "\n",
  };
  for (const std::string& piece : pieces) {
    SCOPED_TRACE(::testing::PrintToString(piece.substr(0, 80)));
    ExpectReadingsAgree(piece);
    ExpectReadingsAgree(kFiller + piece);
    ExpectReadingsAgree(piece + "\n" + kFiller + kFiller);
    ExpectReadingsAgree(kFiller + kFiller + piece + kFiller + kFiller);
    ExpectReadingsAgree(kFiller + "\"" + piece + "\"\n" + kFiller);
  }
}

// Random texts over the bytes the rules are about, long enough for the 64-byte scans and the
// prescan's line start after the middle.
TEST(TableTextReadingTest, ReadingsAgreeOnRandomTexts) {
  const std::string kAlphabet[] = {"a", "bc", "\xe5\xa7\x93", "\t", "\t", "\n", "\r\n", "\r", "\"", "\"\"", " ", "\v", "\f", "\xff"};
  std::mt19937 rng(11);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const size_t length = rng() % 400;
    const size_t alphabet = 3 + rng() % (std::size(kAlphabet) - 3);
    while (text.size() < length) {
      if (rng() % 8 == 0) {
        text += kFiller;
      } else {
        text += kAlphabet[rng() % alphabet];
      }
    }
    SCOPED_TRACE("round " + std::to_string(round));
    ExpectReadingsAgree(text);
    if (HasFailure()) return;
  }
}

// From 8 MB on the second half is cut on a second thread; what lies across its line start
// must not change the table.
TEST(TableTextReadingTest, LargeTextsReadAlikeOnTwoThreads) {
  std::string half;
  for (int r = 0; half.size() < (size_t{17} << 18); ++r) {
    half += "r" + std::to_string(r) + "\t\xe5\xa7\x93" + std::to_string(r % 7) + (r % 3 == 0 ? "\n" : "\r\n");
  }
  const std::string middles[] = {
      "",
      "\"a quoted cell\nacross the middle\"\"\n" + half.substr(0, 5000) + "\"\tz\r\n",
      "\" not plain \t\r\n\t\"x\r\n",
      "\"never closed\tx\n",
      "\r\r\n\t\t\n",
  };
  for (const std::string& middle : middles) {
    SCOPED_TRACE(middle.substr(0, 20));
    std::string text = half + middle + half;
    ASSERT_GE(text.size(), TableTextReading::kPrescanBytes);
    ExpectReadingsAgree(text, /*all_readings=*/false);
  }
}

}  // namespace
}  // namespace parvex
