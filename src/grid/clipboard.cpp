#include "grid/clipboard.h"

namespace parvex {
namespace {

class StringSink : public TextSink {
 public:
  void Append(std::string_view piece) override { text.append(piece); }
  std::string text;
};

}  // namespace

bool Clipboard::WriteTextFrom(const std::function<void(TextSink&)>& produce) {
  StringSink sink;
  produce(sink);
  return WriteText(sink.text);
}

bool MemoryClipboard::WriteText(std::string_view text) {
  if (!writable_) return false;
  text_ = std::string(text);
  ++write_count_;
  return true;
}

}  // namespace parvex
