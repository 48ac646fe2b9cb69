#include "port/replace_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "port/path.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <random>

#include "port/windows_text.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace parvex::port {
namespace {

std::string TempPattern(const std::string& dir, const std::string& stem) {
  const std::filesystem::path base = dir.empty() ? std::filesystem::path(".") : PathFromUtf8(dir);
  return Utf8FromPath(base / PathFromUtf8("." + stem));
}

}  // namespace

bool IsDirectory(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_directory(PathFromUtf8(path), ec);
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  const bool same = std::filesystem::equivalent(PathFromUtf8(a), PathFromUtf8(b), ec);
  return !ec && same;
}

#ifdef _WIN32

bool CreateTempFile(const std::string& dir, const std::string& stem, std::string* temp_path, std::string* error) {
  const std::string pattern = TempPattern(dir, stem);
  // Windows has no mkstemp: try random names until one is new. CREATE_NEW fails on a name in
  // use, so two runs never share a file.
  std::random_device seed;
  std::mt19937_64 random((static_cast<uint64_t>(seed()) << 32) ^ seed() ^ ::GetCurrentProcessId());
  DWORD code = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < 100 && (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS); ++attempt) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = pattern + ".";
    for (int i = 0; i < 8; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    HANDLE handle = ::CreateFileW(WideFromUtf8(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      ::CloseHandle(handle);
      *temp_path = name;
      return true;
    }
    code = ::GetLastError();
  }
  *error = "cannot create a file in " + QuotedName(dir.empty() ? "." : dir) + ": " + SystemErrorText(code);
  return false;
}

unsigned ReplacementPermissions(const std::string&) { return 0; }

bool MoveOver(const std::string& from, const std::string& to, unsigned, std::string* error) {
  // std::rename does not replace an existing file on Windows; MoveFileEx does, in one step
  // within a volume, and WRITE_THROUGH returns only once the move is on the disk.
  if (!::MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    *error = "cannot replace " + QuotedName(to) + ": " + SystemErrorText(::GetLastError());
    return false;
  }
  return true;
}

bool RemoveFile(const std::string& path) { return ::DeleteFileW(WideFromUtf8(path).c_str()) != 0; }

#else

bool CreateTempFile(const std::string& dir, const std::string& stem, std::string* temp_path, std::string* error) {
  const std::string pattern = TempPattern(dir, stem) + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    *error = "cannot create a file in " + QuotedName(dir.empty() ? "." : dir) + ": " + std::strerror(errno);
    return false;
  }
  ::close(fd);
  temp_path->assign(name.data());
  return true;
}

unsigned ReplacementPermissions(const std::string& target) {
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) return static_cast<unsigned>(st.st_mode & 07777);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<unsigned>(0666 & ~mask);
}

bool MoveOver(const std::string& from, const std::string& to, unsigned permissions, std::string* error) {
  (void)::chmod(from.c_str(), static_cast<mode_t>(permissions));
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    *error = "cannot replace " + QuotedName(to) + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool RemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

#endif

bool ReplacementPath::Open(const std::string& target, std::string* error) {
  Discard();
  namespace fs = std::filesystem;
  if (target.empty()) {
    *error = "no output file name";
    return false;
  }
  std::error_code ec;
  fs::path path = PathFromUtf8(target);
  if (fs::is_symlink(path, ec)) {
    const fs::path resolved = fs::weakly_canonical(path, ec);
    if (!ec) path = resolved;
  }
  const std::string resolved = Utf8FromPath(path);
  if (IsDirectory(resolved)) {
    *error = "cannot write " + QuotedName(target) + ": it is a directory";
    return false;
  }
  mode_ = ReplacementPermissions(resolved);
  // A hidden name in the same directory keeps the rename within one file system.
  const std::string dir = path.has_parent_path() ? Utf8FromPath(path.parent_path()) : std::string();
  if (!CreateTempFile(dir, Utf8FromPath(path.filename()), &temp_path_, error)) return false;
  target_ = resolved;
  return true;
}

bool ReplacementPath::Commit(std::string* error) {
  if (temp_path_.empty()) {
    *error = "no output file is open";
    return false;
  }
  if (!MoveOver(temp_path_, target_, mode_, error)) {
    Discard();
    return false;
  }
  temp_path_.clear();
  return true;
}

void ReplacementPath::Discard() {
  if (!temp_path_.empty()) {
    RemoveFile(temp_path_);
    temp_path_.clear();
  }
}

}  // namespace parvex::port
