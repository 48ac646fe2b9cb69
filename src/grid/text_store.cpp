#include "grid/text_store.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace parvex {
namespace {

// The address space is 32 bits of offset; the last byte stays unused so that base + capacity
// never wraps.
constexpr uint64_t kAddressSpace = 0xffffffffu;
constexpr uint64_t kFirstChunkCapacity = 64 * 1024;

}  // namespace

bool TextNeedsQuotes(std::string_view text) {
  if (!text.empty() && text.front() == '"') return true;
  for (char c : text) {
    if (c == '\t' || c == '\n' || c == '\r') return true;
  }
  return false;
}

const TextStore::Chunk& TextStore::ChunkOf(uint32_t offset) const {
  assert(!chunks_.empty());
  auto it = std::upper_bound(chunks_.begin(), chunks_.end(), offset,
                             [](uint32_t value, const Chunk& chunk) { return value < chunk.base; });
  assert(it != chunks_.begin());
  --it;
  last_chunk_.set(static_cast<size_t>(it - chunks_.begin()));
  return *it;
}

bool TextStore::Add(std::string_view text, CellRef* cell) {
  if (text.size() > CellRef::kMaxSize) return false;
  const uint32_t flag = TextNeedsQuotes(text) ? CellRef::kQuoteFlag : 0;
  if (text.empty()) {
    *cell = CellRef{};
    return true;
  }
  // Appending to a chunk that another grid shares is safe: bytes are only ever added behind the
  // ones already there, and the reserved capacity keeps the buffer from moving.
  if (!chunks_.empty()) {
    Chunk& last = chunks_.back();
    if (last.appendable) {
      auto& growing = *static_cast<Growing*>(last.owner.get());
      if (last.capacity - growing.used >= text.size()) {
        *cell = CellRef{last.base + growing.used, static_cast<uint32_t>(text.size()) | flag};
        std::memcpy(last.data + growing.used, text.data(), text.size());
        growing.used += static_cast<uint32_t>(text.size());
        return true;
      }
    }
  }
  uint64_t capacity = kFirstChunkCapacity;
  if (!chunks_.empty()) capacity = std::max<uint64_t>(capacity, uint64_t{chunks_.back().capacity} * 2);
  capacity = std::max<uint64_t>(capacity, text.size());
  capacity = std::min<uint64_t>(capacity, kAddressSpace - next_base_);
  if (capacity < text.size()) return false;

  Chunk chunk;
  chunk.base = static_cast<uint32_t>(next_base_);
  chunk.capacity = static_cast<uint32_t>(capacity);
  chunk.appendable = true;
  auto growing = std::make_shared<Growing>();
  growing->bytes.reset(new char[capacity]);
  growing->used = static_cast<uint32_t>(text.size());
  chunk.data = growing->bytes.get();
  chunk.owner = std::move(growing);
  std::memcpy(chunk.data, text.data(), text.size());
  *cell = CellRef{chunk.base, static_cast<uint32_t>(text.size()) | flag};
  next_base_ += capacity;
  chunks_.push_back(std::move(chunk));
  return true;
}

TextBuffer::TextBuffer(std::string text) {
  auto holder = std::make_shared<std::string>(std::move(text));
  data_ = holder->data();
  size_ = holder->size();
  owner_ = std::move(holder);
}

bool TextStore::Adopt(const TextBuffer& bytes, uint32_t* base) {
  if (bytes.size() > kAddressSpace - next_base_) return false;
  Chunk chunk;
  chunk.base = static_cast<uint32_t>(next_base_);
  chunk.capacity = static_cast<uint32_t>(bytes.size());
  chunk.appendable = false;
  chunk.owner = bytes.owner();
  chunk.data = bytes.data();
  *base = chunk.base;
  // An empty chunk would share its base with the next one; it holds nothing, so keep none.
  if (chunk.capacity == 0) return true;
  next_base_ += chunk.capacity;
  chunks_.push_back(std::move(chunk));
  return true;
}

void TextStore::ShareAll(const TextStore& other) {
  assert(chunks_.empty());
  chunks_ = other.chunks_;
  next_base_ = other.next_base_;
  last_chunk_.set(0);
  // Both stores may append to a shared last chunk; that is safe (see Add), but this store gets a
  // chunk of its own for what it adds, so that the other's growth never eats its room.
  if (!chunks_.empty()) chunks_.back().appendable = false;
}

void TextStore::Clear() {
  chunks_.clear();
  next_base_ = 0;
  last_chunk_.set(0);
}

}  // namespace parvex
