#include "import/import.h"

#include <algorithm>

#include "grid/grid_builder.h"
#include "grid/table_text_reader.h"
#include "grid/text_to_integer.h"
#include "html/html_table_reader.h"

namespace parvex {

int32_t CountFields(std::string_view text, char separator) {
  const auto count = std::count(text.begin(), text.end(), separator);
  const int64_t fields = (!text.empty() && text.back() == separator) ? count : count + 1;
  return static_cast<int32_t>(std::min<int64_t>(fields, INT32_MAX));
}

std::optional<std::string> ReadClipboardTable(Clipboard& clipboard) {
  if (std::optional<std::string> html = clipboard.ReadHtml(); html.has_value()) {
    std::string reason;
    if (std::optional<std::string> table = HtmlTableText(*html, &reason); table.has_value()) return table;
  }
  return clipboard.ReadText();
}

TableSize MeasureClipboardTable(Clipboard& clipboard) {
  std::optional<std::string> text = ReadClipboardTable(clipboard);
  if (!text || text->empty()) return {};
  ParsedTable table;
  std::string error;
  if (!ParseTableText(std::move(*text), &table, &error)) return {};
  return {static_cast<int32_t>(table.lines.size()), table.cols};
}

bool ResizeAndClearGrid(Grid& grid, int32_t rows, int32_t cols, int32_t width, bool apply_width) {
  return grid.ResizeAndClear(rows, cols, width, apply_width);
}

CommandResult ImportText(Grid& source, const Settings& settings, std::optional<std::string> text) {
  return ImportText(source, settings, text ? TextBuffer(std::move(*text)) : TextBuffer());
}

CommandResult ImportText(Grid& source, const Settings& settings, TextBuffer text) {
  const int32_t width = TextToInteger(settings.column_width);
  if (text.empty()) {
    // Nothing to import: one empty cell, and no column asked for, so no width set.
    ResizeAndClearGrid(source, 0, 0, width, true);
    return {};
  }
  ParsedTable table;
  std::string error;
  if (!ParseTableText(std::move(text), &table, &error) || !GridBuilder::AdoptTable(source, std::move(table), width, true)) {
    if (error.empty()) error = "the table does not fit in a grid";
    return {false, kRefusedCaption, "import refused: " + error};
  }
  return {};
}

CommandResult OnImportData(Grid& source, const Settings& settings, Clipboard& clipboard) {
  return ImportText(source, settings, ReadClipboardTable(clipboard));
}

}  // namespace parvex
