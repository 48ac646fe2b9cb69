// Text written in pieces: the sinks every output of a table writes to, and the producers of the
// clipboard's flavours.
#ifndef PARVEX_OUTPUT_TEXT_SINK_H_
#define PARVEX_OUTPUT_TEXT_SINK_H_

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

// What `produce` appends, whole; nullopt when it is not set (no such flavour).
std::optional<std::string> Produced(const ProduceText& produce);

}  // namespace parvex

#endif  // PARVEX_OUTPUT_TEXT_SINK_H_
