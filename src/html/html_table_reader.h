// Reads the HTML flavour of what a spreadsheet copies: the cells of the first <table> of an HTML
// document, as table text (table_text.h) for the very same parsing, trimming and grid as a
// plain-text paste.
//
// Rows are the <tr>s of the table's row groups (thead, tbody, tfoot) in document order; cells
// are their <td>s and <th>s. A cell spanning columns or rows (colspan, rowspan; at most
// kMaxHtmlSpan each) holds its text in its top-left slot and leaves the others empty, so the
// table stays rectangular; a rowspan ends with its row group. A table nested in a cell is text
// of that cell: its rows become lines, its cells are parted by a space.
//
// A cell's text is what a browser shows: entities decoded, runs of source white space one space
// and none at the start or end of a line, except inside <pre> or an element whose style says
// white-space:pre (or pre-wrap, break-spaces) or mso-spacerun:yes. <br> and the edges of block
// elements (<p>, <div>, <li>, ...) are line breaks. &nbsp; stays U+00A0, a character of its own,
// except inside an mso-spacerun span, where Excel writes it for a space. Excel wraps its source
// lines at a space, inside such a span too, so there a source line break with the next line's
// indentation is the one space it stands for, never a line break in the cell (but in a
// document from LibreOffice, whose white space all stands as it is). Comments, <style>,
// <script> and elements styled display:none (rows and cells among them) add nothing.
//
// The HTML is read as UTF-8; text that is not UTF-8 is read as GB18030 (GBK) first.
#ifndef PARVEX_HTML_HTML_TABLE_READER_H_
#define PARVEX_HTML_HTML_TABLE_READER_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "base/status.h"

namespace parvex {

// The most columns (rows) one cell spans; larger spans are cut to it.
inline constexpr int32_t kMaxHtmlSpan = 1000;

// The deepest that elements may nest, counted from the tags (implied elements and ones without
// an end tag aside).
inline constexpr int64_t kMaxHtmlDepth = 10000;

// Sets `*text` to the table text of the first table in `html`. Failed, with a one-line message and
// `*text` as it was, when there is none to read: no table, a table without cells, a NUL byte,
// markup nested deeper than kMaxHtmlDepth, or a table past the grid's limits (kMaxRows, kMaxCols,
// kMaxCells, kMaxTextBytes). Never a part of a table.
Status HtmlTableText(std::string_view html, std::string* text);

// False in a build without libgumbo (a cross build), where HtmlTableText reads no table and every
// import takes the plain text.
bool HtmlReadingBuiltIn();

}  // namespace parvex

#endif  // PARVEX_HTML_HTML_TABLE_READER_H_
