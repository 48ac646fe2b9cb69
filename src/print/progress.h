// How a long export reports its progress and how it ends, and how it replaces its file.
#ifndef PARVEX_PRINT_PROGRESS_H_
#define PARVEX_PRINT_PROGRESS_H_

#include <cstdint>
#include <functional>
#include <string>

#include "base/status.h"
#include "port/replace_file.h"

namespace parvex {

// Reports progress of a long export, `done` out of `total` steps; returning false cancels it.
using Progress = std::function<bool(int64_t done, int64_t total)>;

// Writes a file through `write`, which fills the temporary file of the replacement it is given
// (port/replace_file.h), and moves it over `path` once `write` is done; a write cancelled or
// failed leaves `path` as it was and no file behind. Failed with a one-line message when the
// file cannot be made or moved.
inline Status WriteReplacing(const std::string& path, const std::function<Status(const port::ReplacementPath&)>& write) {
  port::ReplacementPath file;
  std::string error;
  if (!file.Open(path, &error)) return Status::Failed(error);
  if (Status written = write(file); !written.ok()) return written;
  if (!file.Commit(&error)) return Status::Failed(error);
  return {};
}

}  // namespace parvex

#endif  // PARVEX_PRINT_PROGRESS_H_
