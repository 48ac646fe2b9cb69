#include "cli/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace parvex {
namespace {

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// The permission bits a new file gets from open(…, 0666) under the process's umask.
mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

}  // namespace

bool ReplacementFile::Open(const std::string& target, std::string* error) {
  Discard();
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path path(target);
  if (fs::is_symlink(path, ec)) {
    const fs::path resolved = fs::weakly_canonical(path, ec);
    if (!ec) path = resolved;
  }
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    *error = "cannot write " + Quoted(target) + ": it is a directory";
    return false;
  }

  // A hidden name in the same directory, so that the rename stays within one file system.
  const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
  // Appended piece by piece: GCC 12 mistakes "." + string for an overlapping copy (-Wrestrict).
  std::string hidden_name(".");
  hidden_name += path.filename().string();
  hidden_name += ".XXXXXX";
  const std::string pattern = (dir / hidden_name).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    *error = "cannot create a file in " + Quoted(dir.string()) + ": " + std::strerror(errno);
    return false;
  }
  // mkstemp makes the file private; give it the target's bits, or a new file's.
  const mode_t mode = exists ? static_cast<mode_t>(st.st_mode & 07777) : NewFileMode();
  (void)::fchmod(fd, mode);
  ::close(fd);

  temp_path_.assign(name.data());
  target_ = path.string();
  stream_.open(temp_path_, std::ios::binary | std::ios::trunc);
  if (!stream_) {
    *error = "cannot write " + Quoted(temp_path_) + ": " + std::strerror(errno);
    Discard();
    return false;
  }
  return true;
}

bool ReplacementFile::Commit(std::string* error) {
  if (temp_path_.empty()) {
    *error = "no output file is open";
    return false;
  }
  errno = 0;
  stream_.close();
  if (stream_.fail()) {
    *error = "cannot write " + Quoted(target_) + ": " + (errno != 0 ? std::strerror(errno) : "write error");
    Discard();
    return false;
  }
  if (std::rename(temp_path_.c_str(), target_.c_str()) != 0) {
    *error = "cannot replace " + Quoted(target_) + ": " + std::strerror(errno);
    Discard();
    return false;
  }
  temp_path_.clear();
  return true;
}

void ReplacementFile::Discard() {
  if (stream_.is_open()) stream_.close();
  stream_.clear();
  if (!temp_path_.empty()) {
    std::remove(temp_path_.c_str());
    temp_path_.clear();
  }
}

}  // namespace parvex
