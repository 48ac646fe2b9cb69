// The bytes behind a grid's cells. A cell is an 8-byte reference into a store of text chunks,
// so an empty cell costs no allocation and a million imported cells cost one buffer, the
// clipboard text itself. Grids share chunks: the layout's result refers to the source's bytes
// instead of copying them.
#ifndef PARVEX_GRID_TEXT_STORE_H_
#define PARVEX_GRID_TEXT_STORE_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace parvex {

// A cell's text: `offset` into its grid's store and the text's length. The top bit of `bits`
// marks a text that the clipboard format has to quote (it holds TAB, LF or CR, or begins with a
// double quote). Length 0 is the empty text, whatever the offset.
struct CellRef {
  uint32_t offset = 0;
  uint32_t bits = 0;

  static constexpr uint32_t kQuoteFlag = 0x80000000u;
  static constexpr uint32_t kMaxSize = 0x7fffffffu;

  uint32_t size() const { return bits & ~kQuoteFlag; }
  bool empty() const { return size() == 0; }
  bool needs_quotes() const { return (bits & kQuoteFlag) != 0; }
};

// A block of bytes that a store takes over without copying them: a string's, or a file mapped
// into memory. Copies share the bytes, which live as long as the last copy (or a store chunk made
// from one). The bytes are writable: the reader unquotes cells in place.
class TextBuffer {
 public:
  TextBuffer() = default;
  explicit TextBuffer(std::string text);
  // `data` .. `data + size` stay valid as long as `owner` lives.
  TextBuffer(char* data, size_t size, std::shared_ptr<void> owner)
      : owner_(std::move(owner)), data_(data), size_(size) {}

  char* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const std::shared_ptr<void>& owner() const { return owner_; }

 private:
  std::shared_ptr<void> owner_;
  char* data_ = nullptr;
  size_t size_ = 0;
};

// True when `text` cannot be written to the clipboard as it stands (TAB, LF, CR, leading '"').
bool TextNeedsQuotes(std::string_view text);

class TextStore {
 public:
  TextStore() = default;

  // The text behind `cell`; `cell` must come from this store or one it shares.
  std::string_view View(CellRef cell) const {
    const uint32_t size = cell.size();
    if (size == 0) return {};
    // Cells are mostly read in storage order, so the chunk of the last read usually holds it.
    const Chunk* chunk = &chunks_[last_chunk_.get()];
    if (cell.offset < chunk->base || cell.offset - chunk->base >= chunk->capacity) chunk = &ChunkOf(cell.offset);
    return {chunk->data + (cell.offset - chunk->base), size};
  }

  // Copies `text` into the store. False when the store's 4 GiB address space is used up or the
  // text is longer than CellRef::kMaxSize.
  bool Add(std::string_view text, CellRef* cell);

  // Takes `bytes` whole as a chunk that is never appended to and returns the offset of its
  // first byte, or false when it does not fit in the address space.
  bool Adopt(const TextBuffer& bytes, uint32_t* base);

  // Makes every text of `other` readable here under the offsets it has there. This store must
  // be empty. The chunks are shared, not copied.
  void ShareAll(const TextStore& other);

  void Clear();
  bool empty() const { return chunks_.empty(); }
  // Bytes in the address space so far (what compaction can win back is this minus live text).
  uint64_t used() const { return next_base_; }

 private:
  // The bytes of a chunk that texts are appended to, with how many are taken: shared by the
  // copies of a store, so that no two copies hand out the same bytes.
  struct Growing {
    std::unique_ptr<char[]> bytes;
    uint32_t used = 0;
  };
  struct Chunk {
    uint32_t base = 0;
    uint32_t capacity = 0;
    bool appendable = false;
    std::shared_ptr<void> owner;  // keeps `data` alive; a Growing for the chunks Add makes
    char* data = nullptr;         // `capacity` bytes that never move
  };
  // The chunk holding `offset`, by search; View tries the cached one first.
  const Chunk& ChunkOf(uint32_t offset) const;

  std::vector<Chunk> chunks_;  // ascending base
  uint64_t next_base_ = 0;
  // Which chunk the last lookup found: cells are mostly read in storage order. Threads that read
  // the store at once (the export's) share it; a stale index only costs a search.
  class ChunkCache {
   public:
    ChunkCache() = default;
    ChunkCache(const ChunkCache&) {}
    ChunkCache& operator=(const ChunkCache&) {
      set(0);
      return *this;
    }
    size_t get() const { return index_.load(std::memory_order_relaxed); }
    void set(size_t index) const { index_.store(index, std::memory_order_relaxed); }

   private:
    mutable std::atomic<size_t> index_{0};
  };
  ChunkCache last_chunk_;
};

}  // namespace parvex

#endif  // PARVEX_GRID_TEXT_STORE_H_
