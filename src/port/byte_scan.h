// The byte scanning behind the table-text reader: where the TABs, LFs and CRs are, and the bytes
// that keep a line from being plain, found 16 or 64 bytes at a time. Each function has a plain
// version in `scalar` beside the SSE2 one in `sse2`; the two give the same answer for every
// input, which the tests and a fuzz target check on random bytes. The unqualified functions are
// the ones the reader calls, chosen when the code is compiled.
//
// Bit k of a mask stands for byte k of the 64 scanned; all 64 must be readable.
#ifndef PARVEX_PORT_BYTE_SCAN_H_
#define PARVEX_PORT_BYTE_SCAN_H_

#include <bit>
#include <cstddef>
#include <cstdint>

// MSVC never defines __SSE2__; on x64 SSE2 is always there, on x86 /arch:SSE2 says so.
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define PARVEX_BYTE_SCAN_SSE2 1
#include <emmintrin.h>
#endif

namespace parvex::byte_scan {

struct FieldMasks {
  uint64_t separators = 0;  // TAB and LF
  uint64_t crs = 0;
  friend bool operator==(const FieldMasks&, const FieldMasks&) = default;
};

struct LineMasks {
  uint64_t tabs = 0;
  uint64_t lfs = 0;
  uint64_t specials = 0;  // IsLineSpecial
  friend bool operator==(const LineMasks&, const LineMasks&) = default;
};

// '"', and the white space other than TAB and LF (VT, FF, CR, space): the bytes that may keep a
// line from being plain.
constexpr bool IsLineSpecial(unsigned char c) { return c == '"' || c == ' ' || (c >= '\v' && c <= '\r'); }

// What the scan of an unquoted field stops at: its end (TAB, LF) or a CR.
constexpr bool IsStop(unsigned char c) { return c == '\t' || c == '\n' || c == '\r'; }

namespace scalar {

inline FieldMasks Scan64(const unsigned char* bytes) {
  FieldMasks m;
  for (int k = 0; k < 64; ++k) {
    if (bytes[k] == '\t' || bytes[k] == '\n') m.separators |= uint64_t{1} << k;
    if (bytes[k] == '\r') m.crs |= uint64_t{1} << k;
  }
  return m;
}

inline LineMasks ScanPlain64(const unsigned char* bytes) {
  LineMasks m;
  for (int k = 0; k < 64; ++k) {
    if (bytes[k] == '\t') m.tabs |= uint64_t{1} << k;
    if (bytes[k] == '\n') m.lfs |= uint64_t{1} << k;
    if (IsLineSpecial(bytes[k])) m.specials |= uint64_t{1} << k;
  }
  return m;
}

// The position of the first TAB, LF or CR in [pos, n), or n.
inline size_t FindStop(const unsigned char* bytes, size_t pos, size_t n) {
  while (pos < n && !IsStop(bytes[pos])) ++pos;
  return pos;
}

}  // namespace scalar

#if defined(PARVEX_BYTE_SCAN_SSE2)
namespace sse2 {

// Bit k set where byte k of `v` equals `c`.
inline uint32_t Equal16(__m128i v, char c) {
  return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))));
}

inline __m128i Load16(const unsigned char* bytes) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)); }

inline FieldMasks Scan64(const unsigned char* bytes) {
  FieldMasks m;
  for (int k = 0; k < 4; ++k) {
    const __m128i v = Load16(bytes + 16 * k);
    m.separators |= uint64_t{Equal16(v, '\t') | Equal16(v, '\n')} << (16 * k);
    m.crs |= uint64_t{Equal16(v, '\r')} << (16 * k);
  }
  return m;
}

inline LineMasks ScanPlain64(const unsigned char* bytes) {
  LineMasks m;
  const __m128i vt = _mm_set1_epi8('\v');
  const __m128i two = _mm_set1_epi8(2);
  for (int k = 0; k < 4; ++k) {
    const __m128i v = Load16(bytes + 16 * k);
    // VT, FF, CR become 0, 1, 2 and are the bytes that min(x, 2) leaves alone.
    const __m128i from_vt = _mm_sub_epi8(v, vt);
    const __m128i controls = _mm_cmpeq_epi8(_mm_min_epu8(from_vt, two), from_vt);
    // One mask from the three compares: this scan reads every byte of a large table.
    const __m128i specials = _mm_or_si128(
        controls, _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(v, _mm_set1_epi8('"'))));
    m.tabs |= uint64_t{Equal16(v, '\t')} << (16 * k);
    m.lfs |= uint64_t{Equal16(v, '\n')} << (16 * k);
    m.specials |= uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(specials))} << (16 * k);
  }
  return m;
}

// Cells are short, so sixteen bytes at a time finds most stops in one step.
inline size_t FindStop(const unsigned char* bytes, size_t pos, size_t n) {
  while (n - pos >= 16) {
    const __m128i v = Load16(bytes + pos);
    const uint32_t mask = Equal16(v, '\t') | Equal16(v, '\n') | Equal16(v, '\r');
    if (mask != 0) return pos + static_cast<size_t>(std::countr_zero(mask));
    pos += 16;
  }
  return scalar::FindStop(bytes, pos, n);
}

}  // namespace sse2
#endif

#if defined(PARVEX_BYTE_SCAN_SSE2)
namespace fast = sse2;
inline constexpr bool kVectorized = true;
#else
namespace fast = scalar;
inline constexpr bool kVectorized = false;
#endif

inline FieldMasks Scan64(const unsigned char* bytes) { return fast::Scan64(bytes); }
inline LineMasks ScanPlain64(const unsigned char* bytes) { return fast::ScanPlain64(bytes); }
inline size_t FindStop(const unsigned char* bytes, size_t pos, size_t n) { return fast::FindStop(bytes, pos, n); }

// The number of set bits. std::popcount is a call into the runtime library where the target has
// no POPCNT instruction (baseline x86-64), which the plain-line scan pays once per 64 bytes; the
// shift-and-add form is a few instructions.
constexpr int CountBits(uint64_t x) {
#if defined(__POPCNT__) || defined(_MSC_VER)
  return std::popcount(x);
#else
  x = x - ((x >> 1) & 0x5555555555555555u);
  x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
  x = (x + (x >> 4)) & 0x0f0f0f0f0f0f0f0fu;
  return static_cast<int>((x * 0x0101010101010101u) >> 56);
#endif
}
static_assert(CountBits(0) == 0 && CountBits(~uint64_t{0}) == 64 && CountBits(0x8000000000000001u) == 2);

}  // namespace parvex::byte_scan

#endif  // PARVEX_PORT_BYTE_SCAN_H_
