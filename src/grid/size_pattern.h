// SizePattern: the sizes of a grid's rows (heights) or columns (widths) in pixels, one per row or
// column, kept as a pattern while they follow one: the first size, then every other the same.
// That is what a resize or an import leaves, so a million-row table of one height costs no
// number per row, nor a layout of millions of columns one per column. The first change that
// breaks the pattern stores the sizes one by one.
#ifndef PARVEX_GRID_SIZE_PATTERN_H_
#define PARVEX_GRID_SIZE_PATTERN_H_

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace parvex {

class SizePattern {
 public:
  SizePattern() = default;
  // `count` sizes: `first`, then `count - 1` times `other`.
  SizePattern(size_t count, int32_t first, int32_t other) { Reset(count, first, other); }

  size_t size() const { return count_; }
  bool materialized() const { return !sizes_.empty(); }

  int32_t Get(size_t i) const {
    assert(i < count_);
    if (materialized()) return sizes_[i];
    return i == 0 ? first_ : other_;
  }

  void Set(size_t i, int32_t value) {
    assert(i < count_);
    if (!materialized()) {
      if (i == 0) {
        first_ = value;
        return;
      }
      if (value == other_) return;
      Materialize();
    }
    sizes_[i] = value;
  }

  // Puts `count` sizes of `value` before index `at` (at most size()).
  void Insert(size_t at, size_t count, int32_t value) {
    assert(at <= count_);
    if (count == 0) return;
    if (!materialized()) {
      if (count_ == 0) {
        Reset(count, value, value);
        return;
      }
      // Inserted among the others, or before a first that is like them, they keep the pattern.
      if (value == other_ && (at > 0 || first_ == other_)) {
        count_ += count;
        return;
      }
      Materialize();
    }
    sizes_.insert(sizes_.begin() + static_cast<std::ptrdiff_t>(at), count, value);
    count_ += count;
  }

  void Erase(size_t i) {
    assert(i < count_);
    --count_;
    if (materialized()) {
      sizes_.erase(sizes_.begin() + static_cast<std::ptrdiff_t>(i));
    } else if (i == 0) {
      first_ = other_;  // the second becomes the first
    }
  }

  void Reset(size_t count, int32_t first, int32_t other) {
    count_ = count;
    first_ = first;
    other_ = other;
    sizes_.clear();
    sizes_.shrink_to_fit();
  }

  bool Contains(int32_t value) const {
    if (materialized()) return std::find(sizes_.begin(), sizes_.end(), value) != sizes_.end();
    return (count_ > 0 && first_ == value) || (count_ > 1 && other_ == value);
  }

 private:
  void Materialize() {
    sizes_.assign(count_, other_);
    if (count_ > 0) sizes_[0] = first_;
  }

  size_t count_ = 0;
  int32_t first_ = 0;
  int32_t other_ = 0;
  std::vector<int32_t> sizes_;  // empty while the pattern holds (or there are no sizes)
};

}  // namespace parvex

#endif  // PARVEX_GRID_SIZE_PATTERN_H_
