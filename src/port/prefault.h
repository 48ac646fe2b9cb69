// Faulting in fresh memory ahead of its first use, on a second thread. Touching a page of memory
// for the first time costs a trap into the kernel and a zeroed page; for a grid of a million rows
// that is a large share of the work. A helper thread asks the kernel for the pages from the end
// of the range down while the caller fills it from the start, so both cores share it; a page the
// caller reaches first costs the helper only a look.
#ifndef PARVEX_PORT_PREFAULT_H_
#define PARVEX_PORT_PREFAULT_H_

#include <atomic>
#include <cstddef>
#include <initializer_list>
#include <span>
#include <thread>

namespace parvex {

class Prefault {
 public:
  // Does nothing.
  Prefault() = default;
  // Starts on `ranges` when they come to at least kMinBytes, the system can fault memory in
  // ahead (Linux 5.14 and later) and a thread can be had; otherwise does nothing.
  explicit Prefault(std::initializer_list<std::span<std::byte>> ranges);
  // Stops the helper and waits for it.
  ~Prefault();
  Prefault(const Prefault&) = delete;
  Prefault& operator=(const Prefault&) = delete;

  static constexpr size_t kMinBytes = size_t{4} << 20;

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace parvex

#endif  // PARVEX_PORT_PREFAULT_H_
