// The exports' output buffer: bytes gathered in a block of 1 MB and handed to a sink when it is
// full, so that a sink (a file, the clipboard's buffer) is called a few hundred times for a
// large table rather than once per cell. A thread that writes a piece of the export for another
// to hand on passes its block over whole (TakePending) instead of copying it.
#ifndef PARVEX_OUTPUT_BLOCK_WRITER_H_
#define PARVEX_OUTPUT_BLOCK_WRITER_H_

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

#include "output/text_sink.h"

namespace parvex {

// A block's bytes moved out of a writer (BlockWriter::TakePending).
struct BlockBytes {
  std::unique_ptr<char[]> bytes;
  size_t size = 0;
  std::string_view view() const { return {bytes.get(), size}; }
};

class BlockWriter {
 public:
  static constexpr size_t kSize = size_t{1} << 20;

  // Whoever writes calls Flush at the end: a destructor must not write, since the sink may throw
  // (a clipboard out of memory) and the exception would then end the program.
  explicit BlockWriter(TextSink& sink) : sink_(sink), block_(new char[kSize]) {}
  BlockWriter(const BlockWriter&) = delete;
  BlockWriter& operator=(const BlockWriter&) = delete;

  void Put(char c) {
    if (used_ == kSize) Flush();
    block_[used_++] = c;
  }
  // Small enough to be inlined: most pieces are short, copied without a call.
  void Put(std::string_view text) {
    if (text.size() > kSize - used_) [[unlikely]] {
      PutAcross(text);
      return;
    }
    if (!text.empty()) std::memcpy(block_.get() + used_, text.data(), text.size());  // an empty view may be null
    used_ += text.size();
  }
  void Repeat(char c, size_t count) {
    while (count > 0) {
      if (used_ == kSize) Flush();
      const size_t n = std::min(count, kSize - used_);
      std::memset(block_.get() + used_, c, n);
      used_ += n;
      count -= n;
    }
  }
  // Room for `bytes` bytes written straight into the block, handing the block on first when
  // they do not fit; null when they are more than a block holds. What is written there counts
  // only once Commit is called with its end.
  char* Room(size_t bytes) {
    if (bytes > kSize) return nullptr;
    if (kSize - used_ < bytes) Flush();
    return block_.get() + used_;
  }
  void Commit(const char* end) { used_ = static_cast<size_t>(end - block_.get()); }

  void Flush() {
    if (used_ == 0) return;
    sink_.Append(std::string_view(block_.get(), used_));
    used_ = 0;
  }
  // Moves the bytes written since the last Flush into `piece`, whose earlier block (or a new
  // one) the writer goes on with. May throw std::bad_alloc, the writer unchanged.
  void TakePending(BlockBytes* piece) {
    std::unique_ptr<char[]> next =
        piece->bytes != nullptr ? std::move(piece->bytes) : std::unique_ptr<char[]>(new char[kSize]);
    piece->bytes = std::move(block_);
    piece->size = used_;
    block_ = std::move(next);
    used_ = 0;
  }

 private:
  void PutAcross(std::string_view text) {
    Flush();
    if (text.size() >= kSize) {
      sink_.Append(text);
      return;
    }
    std::memcpy(block_.get(), text.data(), text.size());
    used_ = text.size();
  }

  TextSink& sink_;
  std::unique_ptr<char[]> block_;
  size_t used_ = 0;
};

}  // namespace parvex

#endif  // PARVEX_OUTPUT_BLOCK_WRITER_H_
