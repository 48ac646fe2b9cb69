#include "grid/clipboard.h"

namespace parvex {

bool Clipboard::WriteTextFrom(const std::function<void(TextSink&)>& produce) {
  std::string text;
  StringSink sink(&text);
  produce(sink);
  return WriteText(text);
}

bool MemoryClipboard::WriteText(std::string_view text) {
  if (!writable_) return false;
  text_ = std::string(text);
  ++write_count_;
  return true;
}

}  // namespace parvex
