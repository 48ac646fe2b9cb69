// Writing a long stretch of rows on two threads, for the exports of a large table: the rows are
// cut into chunks, the calling thread writes the even chunks straight to its output, a helper
// renders the odd ones, in turn into one of two slots, and the calling thread hands each slot's
// text to the sink when it arrives at that chunk. The bytes are those one thread would write.
// A chunk that fits a block is passed from thread to thread as the block itself, not copied.
#ifndef PARVEX_OUTPUT_TWO_THREAD_ROWS_H_
#define PARVEX_OUTPUT_TWO_THREAD_ROWS_H_

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "output/block_writer.h"
#include "output/text_sink.h"

namespace parvex {

// The bytes a chunk is cut to hold, as judged from its rows: three quarters of a block, so that
// most chunks, judged a little short or long, pass between the threads as one block.
inline constexpr int64_t kChunkBytes = int64_t{BlockWriter::kSize} / 4 * 3;

// Rows first_row .. last_row cut into chunks of `rows` rows; the last may be shorter.
struct RowChunks {
  int32_t first_row = 0;
  int32_t last_row = -1;
  int32_t rows = 1;

  int64_t count() const { return (int64_t{last_row} - first_row + rows) / rows; }
  int32_t First(int64_t k) const { return static_cast<int32_t>(first_row + k * rows); }
  int32_t Last(int64_t k) const {
    return static_cast<int32_t>(std::min<int64_t>(first_row + (k + 1) * rows - 1, last_row));
  }
};

// Writes the chunks' rows to `out`, a block writer over `sink`, in order. `make_writer()` gives
// each thread a row writer of its own, whose `Write(first, last, block)` writes those rows to a
// block writer; both threads only read what the rows come from.
//
// Hand-off, all under `mutex_`: a slot's `ready` flag says who owns its text. The helper
// renders chunk k into slot (k / 2) % 2 only once that slot is not ready, then sets it ready;
// the calling thread reads a slot's text only once it is ready, then clears the flag. `stop_`
// (set by the destructor) ends the helper early; `failed_` (set by the helper when it runs out
// of memory) makes the calling thread render the remaining odd chunks itself, as it does all of
// them when no second thread can be had.
template <typename MakeWriter>
class TwoThreadRows {
 public:
  TwoThreadRows(RowChunks chunks, MakeWriter make_writer) : chunks_(chunks), make_writer_(make_writer) {}
  TwoThreadRows(const TwoThreadRows&) = delete;
  TwoThreadRows& operator=(const TwoThreadRows&) = delete;
  ~TwoThreadRows() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    if (helper_.joinable()) helper_.join();
  }

  void Write(BlockWriter& out, TextSink& sink) {
    try {
      helper_ = std::thread([this] { RenderOddChunks(); });
    } catch (...) {
      // No second thread to be had: every chunk is written here.
    }
    auto rows = make_writer_();
    bool alone = !helper_.joinable();
    for (int64_t k = 0; k < chunks_.count(); ++k) {
      if (k % 2 == 0 || alone) {
        rows.Write(chunks_.First(k), chunks_.Last(k), out);
        continue;
      }
      Slot& slot = SlotOf(k);
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return slot.ready || failed_; });
        alone = !slot.ready;
      }
      if (alone) {
        rows.Write(chunks_.First(k), chunks_.Last(k), out);
        continue;
      }
      out.Flush();  // the even chunk before goes first
      sink.Append(slot.overflow);
      sink.Append(slot.block.view());
      {
        std::lock_guard<std::mutex> lock(mutex_);
        slot.ready = false;
      }
      changed_.notify_all();
    }
  }

 private:
  struct Slot {
    std::string overflow;  // what did not fit the block, gathered before it
    BlockBytes block;
    bool ready = false;  // rendered and not yet handed on: the calling thread owns the bytes
  };

  Slot& SlotOf(int64_t k) { return slots_[(k / 2) % 2]; }

  void RenderOddChunks() {
    try {
      auto rows = make_writer_();
      StringSink gathered(nullptr);
      BlockWriter out(gathered);
      for (int64_t k = 1; k < chunks_.count(); k += 2) {
        Slot& slot = SlotOf(k);
        {
          std::unique_lock<std::mutex> lock(mutex_);
          changed_.wait(lock, [&] { return stop_ || !slot.ready; });
          if (stop_) return;
        }
        slot.overflow.clear();
        gathered.set_out(&slot.overflow);
        rows.Write(chunks_.First(k), chunks_.Last(k), out);
        out.TakePending(&slot.block);
        {
          std::lock_guard<std::mutex> lock(mutex_);
          slot.ready = true;
        }
        changed_.notify_all();
      }
    } catch (...) {
      // Out of memory: the chunk in hand and all after it are written by the calling thread.
      {
        std::lock_guard<std::mutex> lock(mutex_);
        failed_ = true;
      }
      changed_.notify_all();
    }
  }

  const RowChunks chunks_;
  MakeWriter make_writer_;
  std::thread helper_;
  std::mutex mutex_;
  std::condition_variable changed_;
  Slot slots_[2];
  bool stop_ = false;
  bool failed_ = false;
};

// Writes rows first_row .. last_row to `out`, a block writer over `sink`, with the row writers
// `make_writer()` gives (as TwoThreadRows takes them): on two threads when the rows, about
// `row_bytes` each, make at least four chunks and a second core can be had; on this one otherwise.
template <typename MakeWriter>
void WriteRows(int32_t first_row, int32_t last_row, int64_t row_bytes, MakeWriter make_writer, BlockWriter& out,
               TextSink& sink) {
  const auto chunk_rows = static_cast<int32_t>(std::max<int64_t>(kChunkBytes / std::max<int64_t>(row_bytes, 1), 1));
  if (int64_t{last_row} - first_row + 1 >= 4 * int64_t{chunk_rows} && std::thread::hardware_concurrency() > 1) {
    TwoThreadRows<MakeWriter>({first_row, last_row, chunk_rows}, make_writer).Write(out, sink);
  } else {
    make_writer().Write(first_row, last_row, out);
  }
}

}  // namespace parvex

#endif  // PARVEX_OUTPUT_TWO_THREAD_ROWS_H_
