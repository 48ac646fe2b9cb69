#include "port/file_map.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>

#include "port/path.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "port/windows_text.h"
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace parvex::port {
namespace {

constexpr size_t kBlockSize = size_t{1} << 20;

// An input file open for reading, closed on every way out. Open and Read report the cause of a
// failure in `cause`; the caller names the file.
class InputFile {
 public:
  InputFile() = default;
  ~InputFile() { Close(); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // False with `error` set (the whole message) when `path` cannot be opened or is a directory.
  bool Open(const std::string& path, std::string* error);
  // True, with the size, for a regular file: one whose size says how much there is to read.
  bool RegularSize(uint64_t* size) const;
  // Reads up to `n` bytes: the count, 0 at the end, -1 with `cause` set on an error.
  int64_t Read(char* data, size_t n, std::string* cause);
  // Maps the file's first `size` bytes copy-on-write; false when the system will not.
  bool Map(size_t size, MappedFile* file);

 private:
  void Close();
#ifdef _WIN32
  HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
  int fd_ = -1;
#endif
};

#ifdef _WIN32

bool InputFile::Open(const std::string& path, std::string* error) {
  const std::wstring name = WideFromUtf8(path);
  // Windows refuses to open a directory as a file ("access denied"): ask first, so that the
  // message says what is wrong.
  const DWORD attributes = ::GetFileAttributesW(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    *error = QuotedName(path) + " is a directory";
    return false;
  }
  // Others may go on reading, writing, renaming or deleting the file while it is read, as they
  // may on POSIX systems.
  handle_ = ::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) {
    *error = "cannot open " + QuotedName(path) + ": " + SystemErrorText(::GetLastError());
    return false;
  }
  return true;
}

bool InputFile::RegularSize(uint64_t* size) const {
  LARGE_INTEGER bytes{};
  if (::GetFileType(handle_) != FILE_TYPE_DISK || !::GetFileSizeEx(handle_, &bytes) || bytes.QuadPart < 0) {
    return false;
  }
  *size = static_cast<uint64_t>(bytes.QuadPart);
  return true;
}

int64_t InputFile::Read(char* data, size_t n, std::string* cause) {
  // ReadFile counts in DWORD; a larger request is simply answered in part.
  const DWORD want = static_cast<DWORD>(std::min<size_t>(n, DWORD{1} << 30));
  DWORD got = 0;
  if (!::ReadFile(handle_, data, want, &got, nullptr)) {
    const DWORD code = ::GetLastError();
    // The writer of a pipe closing it is the pipe's end, not an error.
    if (code == ERROR_BROKEN_PIPE || code == ERROR_HANDLE_EOF) return 0;
    *cause = SystemErrorText(code);
    return -1;
  }
  return static_cast<int64_t>(got);
}

bool InputFile::Map(size_t size, MappedFile* file) {
  HANDLE mapping = ::CreateFileMappingW(handle_, nullptr, PAGE_WRITECOPY, 0, 0, nullptr);
  if (mapping == nullptr) return false;
  void* view = ::MapViewOfFile(mapping, FILE_MAP_COPY, 0, 0, size);
  // The view keeps the mapping, and the mapping the file, for as long as it exists.
  ::CloseHandle(mapping);
  if (view == nullptr) return false;
  file->data = static_cast<char*>(view);
  file->size = size;
  file->owner = std::shared_ptr<void>(view, [](void* p) { ::UnmapViewOfFile(p); });
  return true;
}

void InputFile::Close() {
  if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

#else

bool InputFile::Open(const std::string& path, std::string* error) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    *error = "cannot open " + QuotedName(path) + ": " + std::strerror(errno);
    return false;
  }
  // Opening a directory for reading succeeds here; what it is shows after, on the same file.
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    *error = "cannot read " + QuotedName(path) + ": " + std::strerror(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    *error = QuotedName(path) + " is a directory";
    return false;
  }
  return true;
}

bool InputFile::RegularSize(uint64_t* size) const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return false;
  *size = static_cast<uint64_t>(st.st_size);
  return true;
}

int64_t InputFile::Read(char* data, size_t n, std::string* cause) {
  for (;;) {
    const ssize_t got = ::read(fd_, data, n);
    if (got >= 0) return static_cast<int64_t>(got);
    if (errno == EINTR) continue;
    *cause = std::strerror(errno);
    return -1;
  }
}

bool InputFile::Map(size_t size, MappedFile* file) {
  // A file that another program cuts short while we run is beyond what a mapping survives; a
  // table text being edited while it is laid out is not a case worth a copy.
  void* address = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd_, 0);
  if (address == MAP_FAILED) return false;
#ifdef MADV_POPULATE_READ
  // Map every page now, in one call, rather than fault on each group of pages while the
  // import's threads read them. Only a hint: older kernels refuse it.
  ::madvise(address, size, MADV_POPULATE_READ);
#endif
  file->data = static_cast<char*>(address);
  file->size = size;
  file->owner = std::shared_ptr<void>(address, [size](void* p) { ::munmap(p, size); });
  return true;
}

void InputFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

#endif

// Reads into text[filled..] until the string is full or the file ends; grows the string block
// by block when `grow` is set. Returns the number of bytes in `text`, or -1 with `cause` set.
int64_t ReadInto(InputFile& file, std::string* text, size_t filled, bool grow, std::string* cause) {
  for (;;) {
    if (filled == text->size()) {
      if (!grow) return static_cast<int64_t>(filled);
      text->resize(filled + kBlockSize);
    }
    const int64_t n = file.Read(text->data() + filled, text->size() - filled, cause);
    if (n < 0) return -1;
    if (n == 0) {
      text->resize(filled);
      return static_cast<int64_t>(filled);
    }
    filled += static_cast<size_t>(n);
  }
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string* text, std::string* error) {
  text->clear();
  InputFile file;
  if (!file.Open(path, error)) return false;
  std::string cause;
  int64_t got = 0;
  uint64_t size = 0;
  if (file.RegularSize(&size) && size > 0) {
    if (size > text->max_size()) {
      *error = "cannot read " + QuotedName(path) + ": " + std::to_string(size) + " bytes do not fit in memory";
      return false;
    }
    text->resize(static_cast<size_t>(size));
    got = ReadInto(file, text, 0, /*grow=*/false, &cause);
    if (got == static_cast<int64_t>(text->size())) {
      // Probe for more before growing the string: growing it would reallocate and, for a
      // moment, hold the text twice.
      char probe[4096];
      const int64_t n = file.Read(probe, sizeof probe, &cause);
      if (n == 0) return true;
      if (n < 0) {
        got = -1;
      } else {
        text->append(probe, static_cast<size_t>(n));
        got = static_cast<int64_t>(text->size());
      }
    }
  }
  // Read on to the end: a file that grew since it was sized, or one whose size says nothing
  // (a pipe, a device, /proc).
  if (got >= 0) got = ReadInto(file, text, static_cast<size_t>(got), /*grow=*/true, &cause);
  if (got < 0) {
    *error = "cannot read " + QuotedName(path) + ": " + cause;
    text->clear();
    return false;
  }
  return true;
}

bool MapWholeFile(const std::string& path, MappedFile* file) {
  *file = MappedFile();
  InputFile input;
  std::string ignored;
  uint64_t size = 0;
  if (!input.Open(path, &ignored) || !input.RegularSize(&size) || size == 0 ||
      size > std::numeric_limits<size_t>::max()) {
    return false;
  }
  return input.Map(static_cast<size_t>(size), file);
}

}  // namespace parvex::port
