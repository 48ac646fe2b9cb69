#include "cli/input.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace parvex {
namespace {

constexpr size_t kBlockSize = size_t{1} << 20;

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// Closes the descriptor on every way out of ReadFile.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Reads from `fd` into text[filled..] until the string is full or the file ends; grows the
// string block by block when `grow` is set. Returns the number of bytes in `text`, or -1 with
// errno set.
ssize_t ReadInto(int fd, std::string* text, size_t filled, bool grow) {
  for (;;) {
    if (filled == text->size()) {
      if (!grow) return static_cast<ssize_t>(filled);
      text->resize(filled + kBlockSize);
    }
    const ssize_t n = ::read(fd, text->data() + filled, text->size() - filled);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) {
      text->resize(filled);
      return static_cast<ssize_t>(filled);
    }
    filled += static_cast<size_t>(n);
  }
}

}  // namespace

bool ReadStream(std::istream& in, std::string* text, std::string* error) {
  text->clear();
  // A seekable stream (a file redirected to standard input, a string stream) says how much is
  // left, so the text is read with one allocation.
  const std::istream::pos_type start = in.tellg();
  if (start != std::istream::pos_type(-1) && in.seekg(0, std::ios::end)) {
    const std::istream::pos_type end = in.tellg();
    in.seekg(start);
    if (end != std::istream::pos_type(-1) && end > start && in) {
      text->resize(static_cast<size_t>(end - start));
      in.read(text->data(), static_cast<std::streamsize>(text->size()));
      text->resize(static_cast<size_t>(in.gcount()));
      // At the end already: do not grow the string (and reallocate it) for nothing.
      if (in && std::istream::traits_type::eq_int_type(in.peek(), std::istream::traits_type::eof())) {
        return !in.bad();
      }
    }
  }
  in.clear(in.rdstate() & ~std::ios::failbit);
  // Whatever a size could not promise (a pipe, or a file still growing) comes in blocks.
  while (in) {
    const size_t filled = text->size();
    text->resize(filled + kBlockSize);
    in.read(text->data() + filled, static_cast<std::streamsize>(kBlockSize));
    text->resize(filled + static_cast<size_t>(in.gcount()));
  }
  if (in.bad()) {
    *error = "cannot read standard input";
    return false;
  }
  return true;
}

bool ReadFile(const std::string& path, std::string* text, std::string* error) {
  text->clear();
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    *error = "cannot open " + Quoted(path) + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    *error = "cannot read " + Quoted(path) + ": " + std::strerror(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    *error = Quoted(path) + " is a directory";
    return false;
  }
  ssize_t got = 0;
  if (S_ISREG(st.st_mode) && st.st_size > 0) {
    text->resize(static_cast<size_t>(st.st_size));
    got = ReadInto(fd.get(), text, 0, /*grow=*/false);
    if (got == static_cast<ssize_t>(text->size())) {
      // Probe for more before growing the string: growing it would reallocate and, for a
      // moment, hold the text twice.
      char probe[4096];
      ssize_t n;
      do {
        n = ::read(fd.get(), probe, sizeof probe);
      } while (n < 0 && errno == EINTR);
      if (n == 0) return true;
      if (n < 0) {
        got = -1;
      } else {
        text->append(probe, static_cast<size_t>(n));
        got = static_cast<ssize_t>(text->size());
      }
    }
  }
  // Read on to the end: a file that grew since fstat, or one whose size says nothing (a pipe,
  // a device, /proc).
  if (got >= 0) got = ReadInto(fd.get(), text, static_cast<size_t>(got), /*grow=*/true);
  if (got < 0) {
    *error = "cannot read " + Quoted(path) + ": " + std::strerror(errno);
    text->clear();
    return false;
  }
  return true;
}

bool MapFile(const std::string& path, TextBuffer* text, std::string* error) {
  *text = TextBuffer();
  {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (fd.get() >= 0 && ::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
      const auto size = static_cast<size_t>(st.st_size);
      // Private and writable: the import's writes stay in our copy of a page, never reach the
      // file. A file that another program cuts short while we run is beyond what a mapping
      // survives; a table text being edited while it is laid out is not a case worth a copy.
      void* address = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd.get(), 0);
      if (address != MAP_FAILED) {
#ifdef MADV_POPULATE_READ
        // Map every page now, in one call, rather than fault on each group of pages while the
        // import's threads read them. Only a hint: older kernels refuse it.
        ::madvise(address, size, MADV_POPULATE_READ);
#endif
        std::shared_ptr<void> owner(address, [size](void* p) { ::munmap(p, size); });
        *text = TextBuffer(static_cast<char*>(address), size, std::move(owner));
        return true;
      }
    }
  }
  // Anything else (a pipe, a device, an empty or unmappable file, or an error that ReadFile
  // reports with the file's name) is read.
  std::string bytes;
  if (!ReadFile(path, &bytes, error)) return false;
  *text = TextBuffer(std::move(bytes));
  return true;
}

size_t FindNul(std::string_view text) {
  // One memchr at memory speed: splitting a 64 MB input over two threads saved about a
  // millisecond of a run of some 80 ms, not worth a thread.
  const void* nul = std::memchr(text.data(), '\0', text.size());
  return nul == nullptr ? std::string_view::npos : static_cast<size_t>(static_cast<const char*>(nul) - text.data());
}

}  // namespace parvex
