// How a long export reports its progress.
#ifndef PARVEX_PRINT_PROGRESS_H_
#define PARVEX_PRINT_PROGRESS_H_

#include <cstdint>
#include <functional>

namespace parvex {

// Reports progress of a long export, `done` out of `total` steps; returning false cancels it.
using Progress = std::function<bool(int64_t done, int64_t total)>;

}  // namespace parvex

#endif  // PARVEX_PRINT_PROGRESS_H_
