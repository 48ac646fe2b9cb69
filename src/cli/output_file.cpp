#include "cli/output_file.h"

#include <cerrno>
#include <cstring>

#include "port/path.h"

namespace parvex {

bool ReplacementFile::Open(const std::string& target, std::string* error) {
  Discard();
  if (!path_.Open(target, error)) return false;
  stream_.open(port::PathFromUtf8(path_.temp_path()), std::ios::binary | std::ios::trunc);
  if (!stream_) {
    *error = "cannot write '" + path_.temp_path() + "': " + std::strerror(errno);
    Discard();
    return false;
  }
  target_ = target;
  return true;
}

bool ReplacementFile::Commit(std::string* error) {
  if (path_.temp_path().empty()) {
    *error = "no output file is open";
    return false;
  }
  errno = 0;
  stream_.close();
  if (stream_.fail()) {
    *error = "cannot write '" + target_ + "': " + (errno != 0 ? std::strerror(errno) : "write error");
    Discard();
    return false;
  }
  return path_.Commit(error);
}

void ReplacementFile::Discard() {
  if (stream_.is_open()) stream_.close();
  stream_.clear();
  path_.Discard();
}

}  // namespace parvex
