#include "port/byte_scan.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

namespace parvex::byte_scan {
namespace {

uint64_t Bit(int k) { return uint64_t{1} << k; }

TEST(ByteScanTest, ScalarMasksMarkTheirBytes) {
  std::array<unsigned char, 64> bytes;
  bytes.fill('x');
  bytes[0] = '\t';
  bytes[5] = '\r';
  bytes[10] = '"';
  bytes[20] = ' ';
  bytes[30] = '\v';
  bytes[31] = '\f';
  bytes[40] = 0x8d;  // CR with the top bit set is an ordinary byte
  bytes[41] = 0x00;
  bytes[63] = '\n';
  EXPECT_EQ(scalar::Scan64(bytes.data()), (FieldMasks{Bit(0) | Bit(63), Bit(5)}));
  EXPECT_EQ(scalar::ScanPlain64(bytes.data()),
            (LineMasks{Bit(0), Bit(63), Bit(5) | Bit(10) | Bit(20) | Bit(30) | Bit(31)}));
}

TEST(ByteScanTest, FindStopFindsTheFirstStop) {
  struct Case {
    const char* name;
    std::string text;
    size_t pos;
    size_t want;
  };
  const Case cases[] = {
      {"empty", "", 0, 0},
      {"no stop", "abc", 0, 3},
      {"TAB", "ab\tc", 0, 2},
      {"from past a stop", "ab\tc\nd", 3, 4},
      {"CR stops too", "abc\rd", 1, 3},
      {"at the start", "\nabc", 0, 0},
      {"from the end", "ab\t", 3, 3},
      {"last byte of a block of 16", std::string(15, 'a') + "\t", 0, 15},
      {"first byte of the second block", std::string(16, 'a') + "\n" + std::string(20, 'b'), 0, 16},
      {"in the tail after the blocks", std::string(37, 'a') + "\r", 0, 37},
      {"none in a long text", std::string(100, 'a'), 7, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto* bytes = reinterpret_cast<const unsigned char*>(c.text.data());
    EXPECT_EQ(scalar::FindStop(bytes, c.pos, c.text.size()), c.want);
    EXPECT_EQ(FindStop(bytes, c.pos, c.text.size()), c.want);
  }
}

// The vector versions against the scalar ones: every byte value at every place, then random
// bytes drawn mostly from those the scans tell apart and their neighbours.
#if defined(PARVEX_BYTE_SCAN_SSE2)
TEST(ByteScanTest, VectorScansMatchScalarOnEveryByte) {
  for (int value = 0; value < 256; ++value) {
    for (int k = 0; k < 64; ++k) {
      std::array<unsigned char, 64> bytes;
      bytes.fill('x');
      bytes[static_cast<size_t>(k)] = static_cast<unsigned char>(value);
      ASSERT_EQ(sse2::Scan64(bytes.data()), scalar::Scan64(bytes.data())) << value << " at " << k;
      ASSERT_EQ(sse2::ScanPlain64(bytes.data()), scalar::ScanPlain64(bytes.data())) << value << " at " << k;
      ASSERT_EQ(sse2::FindStop(bytes.data(), 0, 64), scalar::FindStop(bytes.data(), 0, 64)) << value << " at " << k;
    }
  }
}

TEST(ByteScanTest, VectorScansMatchScalarOnRandomBytes) {
  constexpr unsigned char kNear[] = {'\t', '\n', '\v', '\f', '\r', ' ',  '"',  0x00, 0x08, 0x0e, 0x1f,
                                     '!',  '#',  'a',  0x80, 0x89, 0x8a, 0x8b, 0x8d, 0xa0, 0xa2, 0xff};
  std::mt19937 rng(7);
  std::vector<unsigned char> bytes(200);
  for (int round = 0; round < 2000; ++round) {
    const int any_percent = static_cast<int>(rng() % 100);
    for (unsigned char& b : bytes) {
      b = static_cast<int>(rng() % 100) < any_percent ? static_cast<unsigned char>(rng())
                                                      : kNear[rng() % std::size(kNear)];
    }
    for (size_t at = 0; at + 64 <= bytes.size(); ++at) {
      ASSERT_EQ(sse2::Scan64(bytes.data() + at), scalar::Scan64(bytes.data() + at)) << round << " at " << at;
      ASSERT_EQ(sse2::ScanPlain64(bytes.data() + at), scalar::ScanPlain64(bytes.data() + at)) << round << " at " << at;
    }
    const size_t n = rng() % (bytes.size() + 1);
    const size_t pos = rng() % (n + 1);
    ASSERT_EQ(sse2::FindStop(bytes.data(), pos, n), scalar::FindStop(bytes.data(), pos, n)) << round;
  }
}
#endif

}  // namespace
}  // namespace parvex::byte_scan
