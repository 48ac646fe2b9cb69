#include "port/memory.h"

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace parvex::port {

#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
size_t PrefaultPageSize() {
  const long page = ::sysconf(_SC_PAGESIZE);
  if (page <= 0 || (page & (page - 1)) != 0) return 0;
  return static_cast<size_t>(page);
}

bool PrefaultPages(void* begin, size_t bytes) { return ::madvise(begin, bytes, MADV_POPULATE_WRITE) == 0; }
#else
size_t PrefaultPageSize() { return 0; }

bool PrefaultPages(void*, size_t) { return false; }
#endif

}  // namespace parvex::port
