// Asking the system for fresh memory's pages ahead of their first use.
#ifndef PARVEX_PORT_MEMORY_H_
#define PARVEX_PORT_MEMORY_H_

#include <cstddef>

namespace parvex::port {

// The size of a page of memory where the system can fault pages in ahead of their use
// (Linux 5.14 and later build on this), else 0: then there is nothing to ask for.
size_t PrefaultPageSize();

// Faults the whole pages of [begin, begin + bytes) in, writable, now; false when the system
// refuses (an older kernel, memory already gone). Only ever a hint.
bool PrefaultPages(void* begin, size_t bytes);

}  // namespace parvex::port

#endif  // PARVEX_PORT_MEMORY_H_
