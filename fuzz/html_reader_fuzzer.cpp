// Fuzzes the HTML reader. Input: the HTML.
// Checks: no crash, hang or sanitizer report; a refusal comes with a one-line reason; a table
// read is valid UTF-8 table text within the limits that the plain-text parsing takes, its
// grid is within the grid's limits, and the HTML flavour written from that grid reads back as
// the very same cells (the writer's and the reader's rules for white space, line breaks,
// quotes and spans agree).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "base/status.h"
#include "grid/grid.h"
#include "grid/grid_builder.h"
#include "grid/table_text_reader.h"
#include "html/html_table_reader.h"
#include "html/html_table_writer.h"
#include "port/utf8.h"
#include "support/grid_helpers.h"
#include "support/written_text.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "invariant broken: %s: %s\n", what, detail.c_str());
  std::abort();
}

// The grid that a paste of `text`, the reader's table text, gives.
parvex::Grid GridOfTableText(std::string text, const char* what) {
  parvex::ParsedTable table;
  if (const parvex::Status status = parvex::ParseTableText(std::move(text), &table); !status.ok()) {
    Fail(what, "table text refused: " + status.message());
  }
  parvex::Grid grid;
  if (!parvex::GridBuilder::AdoptTable(grid, std::move(table), 0, false)) Fail(what, "table not adopted");
  if (grid.RowCount() > parvex::kMaxRows || grid.ColCount() > parvex::kMaxCols) Fail(what, "grid past its limits");
  return grid;
}

// `text` with its control characters and the bytes past ASCII as \xNN, to show in a report.
std::string Shown(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7f) {
      shown += c;
      continue;
    }
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02X", byte);
    shown += hex;
  }
  return shown;
}

}  // namespace

// The replay test builds every target into one program, each entry point under its own name.
#ifndef PARVEX_FUZZ_ENTRY
#define PARVEX_FUZZ_ENTRY LLVMFuzzerTestOneInput

// A fuzzer built without libgumbo would search a reader that reads nothing.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!parvex::HtmlReadingBuiltIn()) Fail("build", "the HTML reader is built without libgumbo");
  return 0;
}
#endif

extern "C" int PARVEX_FUZZ_ENTRY(const uint8_t* data, size_t size) {
  const std::string_view html(reinterpret_cast<const char*>(data), size);
  std::string text;
  if (const parvex::Status read = parvex::HtmlTableText(html, &text); !read.ok()) {
    if (read.message().empty() || read.message().find('\n') != std::string::npos) Fail("reason", read.message());
    return 0;
  }
  if (!parvex::port::IsValidUtf8(text)) Fail("table text", "not UTF-8");
  const parvex::Grid grid = GridOfTableText(std::move(text), "first reading");

  // Written as the clipboard's HTML flavour and read again: the same cells.
  const std::string again_html = parvex::HtmlTable(grid, parvex::HtmlTableShape{});
  std::string again;
  if (const parvex::Status read = parvex::HtmlTableText(again_html, &again); !read.ok()) {
    Fail("written table not read", read.message());
  }
  const parvex::Grid again_grid = GridOfTableText(std::move(again), "second reading");
  const parvex::test_support::Cells want = parvex::test_support::CellsOf(grid);
  const parvex::test_support::Cells got = parvex::test_support::CellsOf(again_grid);
  if (got.size() != want.size()) Fail("written table", "reads back as other rows");
  for (size_t r = 0; r < want.size(); ++r) {
    if (got[r] == want[r]) continue;
    std::string detail = "row " + std::to_string(r) + ":";
    for (size_t c = 0; c < std::max(got[r].size(), want[r].size()); ++c) {
      const std::string w = c < want[r].size() ? want[r][c] : "(none)";
      const std::string g = c < got[r].size() ? got[r][c] : "(none)";
      if (w != g) detail += " column " + std::to_string(c) + " [" + Shown(w) + "] reads back as [" + Shown(g) + "]";
    }
    Fail("written table", detail);
  }
  return 0;
}
