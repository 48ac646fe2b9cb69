// The clipboard's table text: what a spreadsheet puts on the clipboard when cells are copied,
// and what Parvex puts back. Text is bytes; only ASCII bytes are searched for, so UTF-8 and GBK
// pass through unchanged. The reader is table_text_reader.h, the writer table_text_writer.h;
// the rules both follow are stated here, and those that code shares are defined here.
//
// Reading: lines end at LF (a CR before it goes with the cell's trimmed white space); the piece
// after the last LF is a line when it is not empty; an empty line is one empty cell. Cells are
// cut at TAB; a TAB that is the last byte of a line opens no further cell. A cell is trimmed of
// space, TAB, CR, LF, VT and FF at both ends. A field whose first byte is '"' is a quoted cell
// when a closing '"' (with "" read as an escaped quote) is followed directly by TAB, LF, CR LF
// or the end of the text; it may then hold TAB, CR and LF. Otherwise it is taken literally.
//
// Writing: cells joined by TAB, rows by LF, no line end after the last row, empty cells empty;
// a cell holding TAB, LF or CR, or beginning with '"', is written in double quotes with inner
// quotes doubled (TextNeedsQuotes, text_store.h). Hidden rows and columns (height or width 0)
// are left out.
#ifndef PARVEX_GRID_TABLE_TEXT_H_
#define PARVEX_GRID_TABLE_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "grid/text_store.h"

namespace parvex {

inline constexpr char kQuote = '"';

// The white space trimmed from both ends of a cell: space, TAB, LF, VT, FF, CR.
constexpr bool IsCellBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Narrows [*begin, *end) of `text` to the cell it holds: no blank at either end.
inline void TrimCell(const char* text, size_t* begin, size_t* end) {
  while (*begin < *end && IsCellBlank(static_cast<unsigned char>(text[*begin]))) ++*begin;
  while (*end > *begin && IsCellBlank(static_cast<unsigned char>(text[*end - 1]))) --*end;
}

// Writes `text` as a quoted cell: in double quotes, each quote inside doubled. `put` takes the
// pieces as string_views.
template <typename Put>
void PutQuoted(std::string_view text, Put&& put) {
  constexpr std::string_view kOne(&kQuote, 1);
  put(kOne);
  size_t from = 0;
  for (size_t q = text.find(kQuote); q != std::string_view::npos; q = text.find(kQuote, q + 1)) {
    put(text.substr(from, q + 1 - from));  // up to and with the quote, which the next one doubles
    put(kOne);
    from = q + 1;
  }
  put(text.substr(from));
  put(kOne);
}

// Appends `cell` to `out` as one cell of table text: in double quotes with inner quotes doubled
// when TextNeedsQuotes says so, as it stands otherwise. For writers of table text that do not
// start from a grid.
inline void AppendTableTextCell(std::string_view cell, std::string* out) {
  if (!TextNeedsQuotes(cell)) {
    out->append(cell);
    return;
  }
  PutQuoted(cell, [out](std::string_view piece) { out->append(piece); });
}

}  // namespace parvex

#endif  // PARVEX_GRID_TABLE_TEXT_H_
