// A write-only clipboard that passes the exported flavours straight on to output streams, so
// that a large result is never held whole in memory: the plain text to one stream and, when it
// has one, the HTML to another. The export hands over its text in large blocks and the streams
// buffer on their own, so the pieces go out as they come.
#ifndef PARVEX_CLI_STREAM_CLIPBOARD_H_
#define PARVEX_CLI_STREAM_CLIPBOARD_H_

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "grid/clipboard.h"

namespace parvex {

class StreamClipboard : public Clipboard {
 public:
  // The text goes to `out`.
  explicit StreamClipboard(std::ostream& out) : text_(&out), html_(nullptr) {}
  // The text goes to `text`, the HTML flavour to `html`; either may be null, and its flavour is
  // then not written (nor produced).
  StreamClipboard(std::ostream* text, std::ostream* html) : text_(text), html_(html) {}

  // Nothing to read: the streams are outputs only.
  std::optional<std::string> ReadText() override { return std::nullopt; }

  // A stream cannot take back what it was given, so only the first write is accepted; a
  // second one fails. Flushes the streams and fails when one could not be written.
  bool Write(const ProduceText& text, const ProduceText& html) override;

  // True once a write to a stream failed; `error` then says why in a few words, and
  // `html_failed` whether it was the HTML's stream.
  bool failed() const { return text_.failed || html_.failed; }
  bool html_failed() const { return html_.failed; }
  const std::string& error() const { return html_.failed ? html_.error : text_.error; }
  int64_t bytes_written() const { return text_.bytes_written; }
  int64_t html_bytes_written() const { return html_.bytes_written; }
  // True when the last write put an HTML flavour on its stream.
  bool wrote_html() const { return wrote_html_; }

 private:
  class StreamSink;
  struct Output {
    explicit Output(std::ostream* s) : stream(s) {}
    void WriteOut(std::string_view chunk);
    void Fail();
    bool Finish();
    std::ostream* stream;
    bool failed = false;
    std::string error;
    int64_t bytes_written = 0;
  };

  bool Produce(const ProduceText& produce, Output& output);

  Output text_;
  Output html_;
  bool written_ = false;
  bool wrote_html_ = false;
};

}  // namespace parvex

#endif  // PARVEX_CLI_STREAM_CLIPBOARD_H_
