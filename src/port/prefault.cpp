#include "port/prefault.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "port/memory.h"

namespace parvex {

Prefault::Prefault(std::initializer_list<std::span<std::byte>> ranges) {
  const uintptr_t page = port::PrefaultPageSize();
  if (page == 0) return;
  size_t total = 0;
  for (const std::span<std::byte> range : ranges) total += range.size();
  if (total < kMinBytes) return;
  // Whole pages only: the pages at either end may hold other data, which faulting them in would
  // not harm, but they are likely in use already.
  std::vector<std::pair<uintptr_t, uintptr_t>> pages;
  for (const std::span<std::byte> range : ranges) {
    const auto begin = (reinterpret_cast<uintptr_t>(range.data()) + page - 1) & ~(page - 1);
    const auto end = (reinterpret_cast<uintptr_t>(range.data()) + range.size()) & ~(page - 1);
    if (end > begin) pages.emplace_back(begin, end);
  }
  try {
    thread_ = std::thread([this, pages = std::move(pages)] {
      constexpr uintptr_t kStep = uintptr_t{1} << 20;
      for (const auto& [begin, end] : pages) {
        for (uintptr_t high = end; high > begin && !stop_.load(std::memory_order_relaxed);) {
          const uintptr_t low = high - std::min(kStep, high - begin);
          // Refused by an older kernel or for memory already gone: either way only a hint.
          if (!port::PrefaultPages(reinterpret_cast<void*>(low), high - low)) return;
          high = low;
        }
      }
    });
  } catch (...) {
    // No thread to be had: the memory is faulted in as it is used.
  }
}

Prefault::~Prefault() {
  stop_.store(true, std::memory_order_relaxed);
  if (thread_.joinable()) thread_.join();
}

}  // namespace parvex
