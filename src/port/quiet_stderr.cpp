#include "port/quiet_stderr.h"

#include <fcntl.h>

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define PARVEX_DUP _dup
#define PARVEX_DUP2 _dup2
#define PARVEX_CLOSE _close
#define PARVEX_OPEN _open
constexpr const char* kNullDevice = "NUL";
#else
#include <unistd.h>
#define PARVEX_DUP dup
#define PARVEX_DUP2 dup2
#define PARVEX_CLOSE close
#define PARVEX_OPEN open
constexpr const char* kNullDevice = "/dev/null";
#endif

namespace parvex {

QuietStderr::QuietStderr() {
  std::fflush(stderr);
  const int null = PARVEX_OPEN(kNullDevice, O_WRONLY);
  if (null < 0) return;
  saved_ = PARVEX_DUP(2);
  if (saved_ >= 0 && PARVEX_DUP2(null, 2) < 0) {
    PARVEX_CLOSE(saved_);
    saved_ = -1;
  }
  PARVEX_CLOSE(null);
}

QuietStderr::~QuietStderr() {
  if (saved_ < 0) return;
  std::fflush(stderr);
  PARVEX_DUP2(saved_, 2);
  PARVEX_CLOSE(saved_);
}

}  // namespace parvex
