#include "import/import.h"

#include <algorithm>

#include "base/status.h"
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
    if (std::string table; HtmlTableText(*html, &table).ok()) return table;
  }
  return clipboard.ReadText();
}

TableSize MeasureClipboardTable(Clipboard& clipboard) {
  std::optional<std::string> text = ReadClipboardTable(clipboard);
  if (!text || text->empty()) return {};
  ParsedTable table;
  if (!ParseTableText(std::move(*text), &table).ok()) return {};
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
  if (const Status parsed = ParseTableText(std::move(text), &table); !parsed.ok()) {
    return CommandResult::Refused(Status::Failed("import refused: " + parsed.message()));
  }
  if (!GridBuilder::AdoptTable(source, std::move(table), width, true)) {
    return CommandResult::Refused(Status::Failed("import refused: the table does not fit in a grid"));
  }
  return {};
}

bool LooksLikeHtml(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const size_t start = text.find_first_not_of(" \t\r\n\f");
  if (start == std::string_view::npos) return false;
  text.remove_prefix(start);
  for (const std::string_view opening : {"<!doctype", "<html", "<head", "<body", "<meta", "<table", "<!--"}) {
    if (text.size() >= opening.size() &&
        std::equal(opening.begin(), opening.end(), text.begin(), [](char a, char b) {
          return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
        })) {
      return true;
    }
  }
  return false;
}

CommandResult ImportInput(Grid& source, const Settings& settings, TextBuffer text, InputKind kind) {
  const std::string_view bytes(text.data(), text.size());
  if (kind == InputKind::kHtml || (kind == InputKind::kAuto && LooksLikeHtml(bytes))) {
    std::string table;
    Status read = HtmlTableText(bytes, &table);
    if (read.ok()) return ImportText(source, settings, TextBuffer(std::move(table)));
    if (kind == InputKind::kHtml) return CommandResult::Refused(std::move(read));
  }
  return ImportText(source, settings, std::move(text));
}

CommandResult OnImportData(Grid& source, const Settings& settings, Clipboard& clipboard) {
  return ImportText(source, settings, ReadClipboardTable(clipboard));
}

}  // namespace parvex
