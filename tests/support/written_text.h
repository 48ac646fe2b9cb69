// The table text and the HTML table of a grid gathered into one string, for comparing.
#ifndef PARVEX_TESTS_SUPPORT_WRITTEN_TEXT_H_
#define PARVEX_TESTS_SUPPORT_WRITTEN_TEXT_H_

#include <string>

#include "grid/clipboard.h"
#include "grid/table_text_writer.h"
#include "html/html_table_writer.h"

namespace parvex {

inline std::string TableText(const Grid& grid, const CellRect& rect) {
  std::string text;
  StringSink sink(&text);
  WriteTableText(grid, rect, sink);
  return text;
}

inline std::string HtmlTable(const Grid& grid, const HtmlTableShape& shape) {
  std::string html;
  StringSink sink(&html);
  WriteHtmlTable(grid, shape, sink);
  return html;
}

}  // namespace parvex

#endif  // PARVEX_TESTS_SUPPORT_WRITTEN_TEXT_H_
