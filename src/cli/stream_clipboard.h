// A write-only clipboard that passes the exported text straight on to an output stream, so
// that a large result is never held whole in memory. The export hands over its text in large
// blocks and the stream buffers on its own, so the pieces go out as they come.
#ifndef PARVEX_CLI_STREAM_CLIPBOARD_H_
#define PARVEX_CLI_STREAM_CLIPBOARD_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "grid/clipboard.h"

namespace parvex {

class StreamClipboard : public Clipboard {
 public:
  explicit StreamClipboard(std::ostream& out) : out_(out) {}

  // Nothing to read: the stream is an output only.
  std::optional<std::string> ReadText() override { return std::nullopt; }

  // A stream cannot take back what it was given, so only the first write is accepted; a
  // second one fails. Both flush the stream and fail when it could not be written.
  bool WriteText(std::string_view text) override;
  bool WriteTextFrom(const std::function<void(TextSink&)>& produce) override;

  // True once a write to the stream failed; `error` then says why in a few words.
  bool failed() const { return failed_; }
  const std::string& error() const { return error_; }
  int64_t bytes_written() const { return bytes_written_; }

 private:
  class StreamSink;

  bool Begin();
  void WriteOut(std::string_view chunk);
  void Fail();
  bool Finish();

  std::ostream& out_;
  bool written_ = false;
  bool failed_ = false;
  std::string error_;
  int64_t bytes_written_ = 0;
};

}  // namespace parvex

#endif  // PARVEX_CLI_STREAM_CLIPBOARD_H_
