// The clipboard as the commands see it: its flavours (plain text and HTML in and out, SYLK out),
// as bytes. The window plugs in the system clipboard, the tests an in-memory one
// (tests/support/memory_clipboard.h).
#ifndef PARVEX_GRID_CLIPBOARD_H_
#define PARVEX_GRID_CLIPBOARD_H_

#include <optional>
#include <string>
#include <string_view>

#include "output/text_sink.h"

namespace parvex {

// A clipboard carries flavours of one content: the plain table text every spreadsheet reads and,
// beside it, an HTML table (UTF-8) and SYLK text (the cells' own bytes) that keep cells as text
// where the plain text would be read as numbers.
class Clipboard {
 public:
  virtual ~Clipboard() = default;

  // The clipboard's plain text; nullopt when it holds no text or cannot be read.
  virtual std::optional<std::string> ReadText() = 0;

  // The clipboard's HTML flavour as UTF-8; nullopt when it holds none (the default).
  virtual std::optional<std::string> ReadHtml() { return std::nullopt; }

  // Whether Write keeps a SYLK flavour (none by default): only where a spreadsheet reads it from
  // this clipboard, since a copy offers less HTML beside SYLK (Grid::CopySelectionToClipboard).
  virtual bool KeepsSylk() const { return false; }

  // Replaces the clipboard's whole content with the plain text that `text` appends to the sink
  // it is given and, for each of `html` and `sylk` that is set, the flavour it appends. A
  // clipboard that keeps no HTML (no SYLK) never calls `html` (`sylk`). False when the clipboard
  // could not be written.
  virtual bool Write(const ProduceText& text, const ProduceText& html, const ProduceText& sylk) = 0;

  // Replaces the content with `text` alone.
  bool WriteText(std::string_view text);
};

class Grid;      // grid.h
struct CellRect;

// Writes a rectangle of a grid to a clipboard in the flavours a copy offers: the grid's copy
// asks one, so that what goes beside the plain text is decided where those flavours are written.
class CopyFlavours {
 public:
  virtual ~CopyFlavours() = default;
  // `rect` lies inside `grid`. False when the clipboard refused the content.
  virtual bool Write(const Grid& grid, const CellRect& rect, Clipboard& clipboard) const = 0;
};

}  // namespace parvex

#endif  // PARVEX_GRID_CLIPBOARD_H_
