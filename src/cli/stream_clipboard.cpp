#include "cli/stream_clipboard.h"

#include <cerrno>
#include <cstring>

namespace parvex {

class StreamClipboard::StreamSink : public TextSink {
 public:
  explicit StreamSink(StreamClipboard& owner) : owner_(owner) {}
  void Append(std::string_view piece) override { owner_.WriteOut(piece); }

 private:
  StreamClipboard& owner_;
};

bool StreamClipboard::WriteText(std::string_view text) {
  if (!Begin()) return false;
  WriteOut(text);
  return Finish();
}

bool StreamClipboard::WriteTextFrom(const std::function<void(TextSink&)>& produce) {
  if (!Begin()) return false;
  StreamSink sink(*this);
  produce(sink);
  return Finish();
}

bool StreamClipboard::Begin() {
  if (written_) {
    // The first text is already on its way out; a second one would be appended to it.
    failed_ = true;
    error_ = "the output was written twice";
    return false;
  }
  written_ = true;
  return !failed_;
}

void StreamClipboard::WriteOut(std::string_view chunk) {
  if (failed_ || chunk.empty()) return;
  // errno is the only word on why an ostream failed; clear it so that a stale value is not
  // reported for a failure that set none.
  errno = 0;
  out_.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
  if (!out_) {
    Fail();
    return;
  }
  bytes_written_ += static_cast<int64_t>(chunk.size());
}

void StreamClipboard::Fail() {
  failed_ = true;
  error_ = errno != 0 ? std::strerror(errno) : "write error";
}

bool StreamClipboard::Finish() {
  if (!failed_) {
    errno = 0;
    out_.flush();
    if (!out_) Fail();
  }
  return !failed_;
}

}  // namespace parvex
