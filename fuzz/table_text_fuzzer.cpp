// Fuzzes the table-text reader differentially. Input: the text.
// Checks: every reading ParseTableText offers (plain lines, mask-cut fields, the prescan thread,
// which runs on every input here, field by field) gives the plain reference reader's table:
// the same cells per line, columns and refusals; every cell lies inside the text and carries
// the quote flag its text calls for. And the SSE2 byte scans give the scalar ones' answers at
// every offset of the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "grid/table_text_reader.h"
#include "port/byte_scan.h"
#include "support/table_text_reference.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "invariant broken: %s: %s\n", what, detail.c_str());
  std::abort();
}

void CheckByteScans(const uint8_t* data, size_t size) {
#if defined(PARVEX_BYTE_SCAN_SSE2)
  namespace scan = parvex::byte_scan;
  // Padded so that every offset has 64 bytes after it.
  std::vector<unsigned char> bytes(data, data + size);
  bytes.resize(size + 64, 'x');
  for (size_t at = 0; at < size; ++at) {
    if (!(scan::sse2::Scan64(bytes.data() + at) == scan::scalar::Scan64(bytes.data() + at))) Fail("Scan64", std::to_string(at));
    if (!(scan::sse2::ScanPlain64(bytes.data() + at) == scan::scalar::ScanPlain64(bytes.data() + at))) {
      Fail("ScanPlain64", std::to_string(at));
    }
    if (scan::sse2::FindStop(bytes.data(), at, size) != scan::scalar::FindStop(bytes.data(), at, size)) {
      Fail("FindStop", std::to_string(at));
    }
  }
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace

// The replay test builds every target into one program, each entry point under its own name.
#ifndef PARVEX_FUZZ_ENTRY
#define PARVEX_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

extern "C" int PARVEX_FUZZ_ENTRY(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const parvex::test_support::TextTable want = parvex::test_support::ParseTableTextReference(text);
  for (const parvex::test_support::NamedReading& r : parvex::test_support::kReadings) {
    std::string broken;
    const parvex::test_support::TextTable got = parvex::test_support::ReadWith(text, r.reading, &broken);
    if (!broken.empty()) Fail(r.name, broken);
    if (!(got == want)) Fail(r.name, parvex::test_support::Difference(got, want));
  }
  CheckByteScans(data, size);
  return 0;
}
