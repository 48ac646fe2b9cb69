// The tests' clipboard: flavours held in memory, with the knobs a test turns (a clipboard held
// elsewhere, one that keeps SYLK) and a count of the writes.
#ifndef PARVEX_TESTS_SUPPORT_MEMORY_CLIPBOARD_H_
#define PARVEX_TESTS_SUPPORT_MEMORY_CLIPBOARD_H_

#include <optional>
#include <string>
#include <utility>

#include "grid/clipboard.h"

namespace parvex::test_support {

// A clipboard held in memory, for the tests, the fuzzers and the benchmarks.
class MemoryClipboard : public Clipboard {
 public:
  MemoryClipboard() = default;
  explicit MemoryClipboard(std::optional<std::string> text, std::optional<std::string> html = std::nullopt)
      : text_(std::move(text)), html_(std::move(html)) {}

  std::optional<std::string> ReadText() override { return text_; }
  std::optional<std::string> ReadHtml() override { return html_; }
  bool KeepsSylk() const override { return keeps_sylk_; }
  bool Write(const ProduceText& text, const ProduceText& html, const ProduceText& sylk) override {
    if (!writable_) return false;
    // Every flavour is produced before any replaces the old content, so that a producer that
    // throws leaves the clipboard as it was.
    std::optional<std::string> new_text = Produced(text);
    std::optional<std::string> new_html = Produced(html);
    std::optional<std::string> new_sylk = keeps_sylk_ ? Produced(sylk) : std::nullopt;
    text_ = std::move(new_text).value_or(std::string());
    html_ = std::move(new_html);
    sylk_ = std::move(new_sylk);
    ++write_count_;
    return true;
  }

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

}  // namespace parvex::test_support

#endif  // PARVEX_TESTS_SUPPORT_MEMORY_CLIPBOARD_H_
