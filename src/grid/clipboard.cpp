#include "grid/clipboard.h"

namespace parvex {

bool Clipboard::WriteText(std::string_view text) {
  return Write([text](TextSink& sink) { sink.Append(text); }, {}, {});
}

}  // namespace parvex
