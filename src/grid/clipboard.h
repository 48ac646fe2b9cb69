// The clipboard as the commands see it: its flavours (plain text and HTML in and out, SYLK out),
// as bytes. The window plugs in the system clipboard, the command-line tool a stream and the
// tests an in-memory one.
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

// A clipboard held in memory: the tests' and the command-line tool's.
class MemoryClipboard : public Clipboard {
 public:
  MemoryClipboard() = default;
  explicit MemoryClipboard(std::optional<std::string> text, std::optional<std::string> html = std::nullopt)
      : text_(std::move(text)), html_(std::move(html)) {}

  std::optional<std::string> ReadText() override { return text_; }
  std::optional<std::string> ReadHtml() override { return html_; }
  bool KeepsSylk() const override { return keeps_sylk_; }
  bool Write(const ProduceText& text, const ProduceText& html, const ProduceText& sylk) override;

  const std::optional<std::string>& text() const { return text_; }
  const std::optional<std::string>& html() const { return html_; }
  // The SYLK flavour of the last write; nullopt when it had none.
  const std::optional<std::string>& sylk() const { return sylk_; }
  void set_text(std::optional<std::string> text) { text_ = std::move(text); }
  void set_html(std::optional<std::string> html) { html_ = std::move(html); }
  // When false, every write fails and leaves the content as it was (a clipboard held elsewhere).
  void set_writable(bool writable) { writable_ = writable; }
  // Whether writes keep a SYLK flavour, as the system clipboard does on X11 (off by default, as
  // on Windows).
  void set_keeps_sylk(bool keeps) { keeps_sylk_ = keeps; }
  int write_count() const { return write_count_; }

 private:
  std::optional<std::string> text_;
  std::optional<std::string> html_;
  std::optional<std::string> sylk_;
  bool writable_ = true;
  bool keeps_sylk_ = false;
  int write_count_ = 0;
};

}  // namespace parvex

#endif  // PARVEX_GRID_CLIPBOARD_H_
