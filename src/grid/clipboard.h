// The clipboard as the commands see it: text in, text out, as bytes. The window plugs in the
// system clipboard, the command-line tool and the tests an in-memory one.
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

class Clipboard {
 public:
  virtual ~Clipboard() = default;

  // The clipboard's text; nullopt when it holds no text or cannot be read.
  virtual std::optional<std::string> ReadText() = 0;

  // Replaces the clipboard's content with `text`. False when the clipboard could not be written.
  virtual bool WriteText(std::string_view text) = 0;

  // Replaces the clipboard's content with the text that `produce` appends to the sink it is
  // given. The default gathers the pieces and calls WriteText; a clipboard backed by a stream
  // overrides it to pass the pieces on as they come.
  virtual bool WriteTextFrom(const std::function<void(TextSink&)>& produce);
};

// A clipboard held in memory: the tests' and the command-line tool's.
class MemoryClipboard : public Clipboard {
 public:
  MemoryClipboard() = default;
  explicit MemoryClipboard(std::optional<std::string> text) : text_(std::move(text)) {}

  std::optional<std::string> ReadText() override { return text_; }
  bool WriteText(std::string_view text) override;

  const std::optional<std::string>& text() const { return text_; }
  void set_text(std::optional<std::string> text) { text_ = std::move(text); }
  // When false, every write fails and leaves the text as it was (a clipboard held elsewhere).
  void set_writable(bool writable) { writable_ = writable; }
  int write_count() const { return write_count_; }

 private:
  std::optional<std::string> text_;
  bool writable_ = true;
  int write_count_ = 0;
};

}  // namespace parvex

#endif  // PARVEX_GRID_CLIPBOARD_H_
