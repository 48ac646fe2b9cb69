#include "cli/stream_clipboard.h"

#include <cerrno>
#include <cstring>

namespace parvex {

class StreamClipboard::StreamSink : public TextSink {
 public:
  explicit StreamSink(Output& output) : output_(output) {}
  void Append(std::string_view piece) override { output_.WriteOut(piece); }

 private:
  Output& output_;
};

bool StreamClipboard::Write(const ProduceText& text, const ProduceText& html) {
  if (written_) {
    // The first content is already on its way out; a second one would be appended to it.
    text_.failed = true;
    text_.error = "the output was written twice";
    return false;
  }
  written_ = true;
  if (!Produce(text, text_)) return false;
  if (html && html_.stream != nullptr) {
    if (!Produce(html, html_)) return false;
    wrote_html_ = true;
  }
  return !failed();
}

bool StreamClipboard::Produce(const ProduceText& produce, Output& output) {
  if (output.stream == nullptr) return true;
  if (output.failed) return false;
  StreamSink sink(output);
  produce(sink);
  return output.Finish();
}

void StreamClipboard::Output::WriteOut(std::string_view chunk) {
  if (failed || chunk.empty() || stream == nullptr) return;
  // errno is the only word on why an ostream failed; clear it so that a stale value is not
  // reported for a failure that set none.
  errno = 0;
  stream->write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
  if (!*stream) {
    Fail();
    return;
  }
  bytes_written += static_cast<int64_t>(chunk.size());
}

void StreamClipboard::Output::Fail() {
  failed = true;
  error = errno != 0 ? std::strerror(errno) : "write error";
}

bool StreamClipboard::Output::Finish() {
  if (!failed) {
    errno = 0;
    stream->flush();
    if (!*stream) Fail();
  }
  return !failed;
}

}  // namespace parvex
