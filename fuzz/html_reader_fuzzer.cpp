// Fuzzes the HTML reader. Input: the HTML.
// Checks: no crash, hang or sanitizer report; a refusal comes with a one-line reason; a table
// read is valid UTF-8 table text within the limits that the plain-text parsing takes, its
// grid is within the grid's limits, and the HTML flavour written from that grid reads back as
// the very same cells (the writer's and the reader's rules for white space, line breaks,
// quotes and spans agree).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "grid/grid.h"
#include "grid/grid_builder.h"
#include "grid/table_text_reader.h"
#include "grid/text_to_integer.h"
#include "html/html_table_reader.h"
#include "html/html_table_writer.h"
#include "support/grid_helpers.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "invariant broken: %s: %s\n", what, detail.c_str());
  std::abort();
}

// The grid that a paste of `text`, the reader's table text, gives.
parvex::Grid GridOfTableText(std::string text, const char* what) {
  parvex::ParsedTable table;
  std::string error;
  if (!parvex::ParseTableText(std::move(text), &table, &error)) Fail(what, "table text refused: " + error);
  parvex::Grid grid;
  if (!parvex::GridBuilder::AdoptTable(grid, std::move(table), 0, false)) Fail(what, "table not adopted");
  if (grid.RowCount() > parvex::kMaxRows || grid.ColCount() > parvex::kMaxCols) Fail(what, "grid past its limits");
  return grid;
}

}  // namespace

// The replay test builds every target into one program, each entry point under its own name.
#ifndef PARVEX_FUZZ_ENTRY
#define PARVEX_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

extern "C" int PARVEX_FUZZ_ENTRY(const uint8_t* data, size_t size) {
  const std::string_view html(reinterpret_cast<const char*>(data), size);
  std::string reason;
  std::optional<std::string> text = parvex::HtmlTableText(html, &reason);
  if (!text) {
    if (reason.empty() || reason.find('\n') != std::string::npos) Fail("reason", reason);
    return 0;
  }
  if (!parvex::IsValidUtf8(*text)) Fail("table text", "not UTF-8");
  const parvex::Grid grid = GridOfTableText(std::move(*text), "first reading");

  // Written as the clipboard's HTML flavour and read again: the same cells.
  const std::string again_html = parvex::HtmlTable(grid, parvex::HtmlTableShape{});
  std::optional<std::string> again = parvex::HtmlTableText(again_html, &reason);
  if (!again) Fail("written table not read", reason);
  const parvex::Grid again_grid = GridOfTableText(std::move(*again), "second reading");
  if (parvex::test_support::CellsOf(again_grid) != parvex::test_support::CellsOf(grid)) {
    Fail("written table", "reads back as other cells");
  }
  return 0;
}
