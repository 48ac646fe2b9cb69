#include "output/text_sink.h"

namespace parvex {

std::optional<std::string> Produced(const ProduceText& produce) {
  if (!produce) return std::nullopt;
  std::string bytes;
  StringSink sink(&bytes);
  produce(sink);
  return bytes;
}

}  // namespace parvex
