#include "print/output_path.h"

#include <filesystem>
#include <system_error>

#include "port/path.h"
#include "port/replace_file.h"

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
  fs::path path = port::PathFromUtf8(target);
  if (fs::is_symlink(path, ec)) {
    const fs::path resolved = fs::weakly_canonical(path, ec);
    if (!ec) path = resolved;
  }
  const std::string resolved = port::Utf8FromPath(path);
  if (port::IsDirectory(resolved)) {
    *error = "cannot write " + Quoted(target) + ": it is a directory";
    return false;
  }
  mode_ = port::ReplacementPermissions(resolved);
  // A hidden name in the same directory keeps the rename within one file system.
  const std::string dir = path.has_parent_path() ? port::Utf8FromPath(path.parent_path()) : std::string();
  if (!port::CreateTempFile(dir, port::Utf8FromPath(path.filename()), &temp_path_, error)) return false;
  target_ = resolved;
  return true;
}

bool ReplacementPath::Commit(std::string* error) {
  if (temp_path_.empty()) {
    *error = "no output file is open";
    return false;
  }
  if (!port::MoveOver(temp_path_, target_, mode_, error)) {
    Discard();
    return false;
  }
  temp_path_.clear();
  return true;
}

void ReplacementPath::Discard() {
  if (!temp_path_.empty()) {
    port::RemoveFile(temp_path_);
    temp_path_.clear();
  }
}

}  // namespace parvex
