// The clipboard as the commands see it: its flavours (plain text, HTML) in and out, as bytes. The
// window plugs in the system clipboard, the command-line tool a stream and the tests an
// in-memory one.
#ifndef PARVEX_GRID_CLIPBOARD_H_
#define PARVEX_GRID_CLIPBOARD_H_

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace parvex {

// Receives a text in pieces, so that a large export need not be held whole in memory.
class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual void Append(std::string_view piece) = 0;
};

// Appends the pieces to a string, which may change from one piece to the next.
class StringSink : public TextSink {
 public:
  explicit StringSink(std::string* out) : out_(out) {}
  void Append(std::string_view piece) override { out_->append(piece); }
  void set_out(std::string* out) { out_ = out; }

 private:
  std::string* out_;
};

// Appends one flavour of the clipboard's content to the sink it is given.
using ProduceText = std::function<void(TextSink&)>;

// A clipboard carries flavours of one content: the plain table text every spreadsheet reads and,
// beside it, an HTML table (UTF-8) that keeps cells as text where the plain text would be read
// as numbers.
class Clipboard {
 public:
  virtual ~Clipboard() = default;

  // The clipboard's plain text; nullopt when it holds no text or cannot be read.
  virtual std::optional<std::string> ReadText() = 0;

  // The clipboard's HTML flavour as UTF-8; nullopt when it holds none (the default).
  virtual std::optional<std::string> ReadHtml() { return std::nullopt; }

  // Replaces the clipboard's whole content with the plain text that `text` appends to the sink
  // it is given and, when `html` is set, the HTML flavour that `html` appends. A clipboard that
  // keeps no HTML never calls `html`. False when the clipboard could not be written.
  virtual bool Write(const ProduceText& text, const ProduceText& html) = 0;

  // Replaces the content with `text` alone.
  bool WriteText(std::string_view text);
};

// A clipboard held in memory: the tests' and the command-line tool's.
class MemoryClipboard : public Clipboard {
 public:
  MemoryClipboard() = default;
  explicit MemoryClipboard(std::optional<std::string> text, std::optional<std::string> html = std::nullopt)
      : text_(std::move(text)), html_(std::move(html)) {}

  std::optional<std::string> ReadText() override { return text_; }
  std::optional<std::string> ReadHtml() override { return html_; }
  bool Write(const ProduceText& text, const ProduceText& html) override;

  const std::optional<std::string>& text() const { return text_; }
  const std::optional<std::string>& html() const { return html_; }
  void set_text(std::optional<std::string> text) { text_ = std::move(text); }
  void set_html(std::optional<std::string> html) { html_ = std::move(html); }
  // When false, every write fails and leaves the content as it was (a clipboard held elsewhere).
  void set_writable(bool writable) { writable_ = writable; }
  int write_count() const { return write_count_; }

 private:
  std::optional<std::string> text_;
  std::optional<std::string> html_;
  bool writable_ = true;
  int write_count_ = 0;
};

}  // namespace parvex

#endif  // PARVEX_GRID_CLIPBOARD_H_
