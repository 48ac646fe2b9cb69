#include "grid/clipboard.h"

namespace parvex {

bool Clipboard::WriteText(std::string_view text) {
  return Write([text](TextSink& sink) { sink.Append(text); }, {});
}

bool MemoryClipboard::Write(const ProduceText& text, const ProduceText& html) {
  if (!writable_) return false;
  // Both flavours are produced before either replaces the old content, so that a producer
  // that throws leaves the clipboard as it was.
  std::string new_text;
  StringSink text_sink(&new_text);
  text(text_sink);
  std::optional<std::string> new_html;
  if (html) {
    new_html.emplace();
    StringSink html_sink(&*new_html);
    html(html_sink);
  }
  text_ = std::move(new_text);
  html_ = std::move(new_html);
  ++write_count_;
  return true;
}

}  // namespace parvex
