// The import command: the table the user copied becomes the source grid.
#ifndef PARVEX_IMPORT_IMPORT_H_
#define PARVEX_IMPORT_IMPORT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "command/command_result.h"
#include "command/settings.h"
#include "grid/clipboard.h"
#include "grid/grid.h"

namespace parvex {

struct TableSize {
  int32_t rows = 0;
  int32_t cols = 0;
  friend bool operator==(const TableSize&, const TableSize&) = default;
};

// The number of fields of `text` separated by `separator`; a separator at the very end opens
// no further field, so text without a separator has one field.
int32_t CountFields(std::string_view text, char separator);

// The table text the import reads from the clipboard: the first table of its HTML flavour when
// it has one that reads as a table (HtmlTableText), otherwise its plain text; nullopt when it
// holds neither. HTML that is no table, broken or junk falls back to the plain text.
std::optional<std::string> ReadClipboardTable(Clipboard& clipboard);

// The size the import gives the clipboard's table (ReadClipboardTable): its lines and the most cells of any line, by
// the cutting rules of table_text.h. (0, 0) for empty or no text.
TableSize MeasureClipboardTable(Clipboard& clipboard);

// Resizes `grid` to rows x cols (at least 1 x 1) with every cell empty and its design values
// back; sets every column to `width` pixels when `apply_width` is set and `width` is 2 or more.
// False, and no change, when the size passes the grid's limits.
bool ResizeAndClearGrid(Grid& grid, int32_t rows, int32_t cols, int32_t width, bool apply_width);

// Reads the clipboard's table (ReadClipboardTable) into `source`: sized to the text's lines and widest line, every cell as
// the cutting rules give it, columns `编辑框_列宽` wide. Empty or no text gives one empty cell
// with no width applied. Normally returns ok with no message; a text too large for a grid is
// refused and `source` left as it was.
CommandResult OnImportData(Grid& source, const Settings& settings, Clipboard& clipboard);

// The same for a text already in hand (the command-line tool's input).
CommandResult ImportText(Grid& source, const Settings& settings, std::optional<std::string> text);
// The same for bytes the grid may keep as they are (a file mapped into memory); empty is no text.
CommandResult ImportText(Grid& source, const Settings& settings, TextBuffer text);

// How a table handed over as one input (a file, standard input) is read.
enum class InputKind {
  kAuto,  // an HTML table when the input begins as HTML and holds one, otherwise the table text
  kText,  // the table text
  kHtml,  // the first table of an HTML document; no table is a refusal
};

// True when `text` begins, after white space (and a byte order mark), as an HTML document or
// fragment does.
bool LooksLikeHtml(std::string_view text);

// Imports the input `text` into `source`, read as `kind` says (ImportText for the table text).
CommandResult ImportInput(Grid& source, const Settings& settings, TextBuffer text, InputKind kind);

}  // namespace parvex

#endif  // PARVEX_IMPORT_IMPORT_H_
