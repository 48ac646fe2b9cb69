#include "grid/clipboard.h"

namespace parvex {

bool Clipboard::WriteText(std::string_view text) {
  return Write([text](TextSink& sink) { sink.Append(text); }, {}, {});
}

bool MemoryClipboard::Write(const ProduceText& text, const ProduceText& html, const ProduceText& sylk) {
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

}  // namespace parvex
