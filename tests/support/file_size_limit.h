// Makes writing past `bytes` fail with EFBIG, as a full disk fails a write with ENOSPC, for as
// long as it lives (POSIX only: Windows has no such limit); and captures what reaches file
// descriptor 2 meanwhile.
#ifndef PARVEX_TESTS_SUPPORT_FILE_SIZE_LIMIT_H_
#define PARVEX_TESTS_SUPPORT_FILE_SIZE_LIMIT_H_

#include <fcntl.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

namespace parvex::test_support {

#ifndef _WIN32
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previous_signal_ = std::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of killing us
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previous_signal_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit previous_{};
  void (*previous_signal_)(int) = SIG_DFL;
};
#endif

// What is written to file descriptor 2 from construction to Take().
class CapturedStderr {
 public:
  CapturedStderr() : file_(std::tmpfile()) {
    std::fflush(stderr);
    saved_ = dup(2);
    dup2(fileno(file_), 2);
  }
  ~CapturedStderr() { Restore(); if (file_ != nullptr) std::fclose(file_); }
  CapturedStderr(const CapturedStderr&) = delete;
  CapturedStderr& operator=(const CapturedStderr&) = delete;
  std::string Take() {
    Restore();
    std::string bytes;
    std::rewind(file_);
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file_)) > 0;) bytes.append(buffer, n);
    return bytes;
  }

 private:
  void Restore() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    dup2(saved_, 2);
    close(saved_);
    saved_ = -1;
  }
  std::FILE* file_;
  int saved_ = -1;
};

}  // namespace parvex::test_support

#endif  // PARVEX_TESTS_SUPPORT_FILE_SIZE_LIMIT_H_
