#include "print/output_path.h"

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

}  // namespace

bool ReplacementPath::Open(const std::string& target, std::string* error) {
  Discard();
  namespace fs = std::filesystem;
  if (target.empty()) {
    *error = "no output file name";
    return false;
  }
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
  if (exists) {
    mode_ = static_cast<unsigned>(st.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode_ = static_cast<unsigned>(0666 & ~mask);
  }
  // A hidden name in the same directory keeps the rename within one file system.
  const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
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
  ::close(fd);
  temp_path_.assign(name.data());
  target_ = path.string();
  return true;
}

bool ReplacementPath::Commit(std::string* error) {
  if (temp_path_.empty()) {
    *error = "no output file is open";
    return false;
  }
  (void)::chmod(temp_path_.c_str(), static_cast<mode_t>(mode_));
  if (std::rename(temp_path_.c_str(), target_.c_str()) != 0) {
    *error = "cannot replace " + Quoted(target_) + ": " + std::strerror(errno);
    Discard();
    return false;
  }
  temp_path_.clear();
  return true;
}

void ReplacementPath::Discard() {
  if (!temp_path_.empty()) {
    std::remove(temp_path_.c_str());
    temp_path_.clear();
  }
}

}  // namespace parvex
