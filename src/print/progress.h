// How a long export reports its progress and how it ends, and how it replaces its file.
#ifndef PARVEX_PRINT_PROGRESS_H_
#define PARVEX_PRINT_PROGRESS_H_

#include <cstdint>
#include <functional>
#include <string>

#include "port/replace_file.h"

namespace parvex {

// Reports progress of a long export, `done` out of `total` steps; returning false cancels it.
using Progress = std::function<bool(int64_t done, int64_t total)>;

// The end of writing an output. kCancelled: the Progress asked to stop; kFailed: the writer
// says why in its error. Neither leaves a file behind.
enum class WriteOutcome { kDone, kCancelled, kFailed };

// Writes a file through `write`, which fills the temporary file of the replacement it is given
// (port/replace_file.h), and moves it over `path` once `write` is done; anything else leaves
// `path` as it was. kFailed with a one-line `error` when the file cannot be made or moved.
inline WriteOutcome WriteReplacing(const std::string& path, std::string* error,
                                   const std::function<WriteOutcome(const port::ReplacementPath&)>& write) {
  port::ReplacementPath file;
  if (!file.Open(path, error)) return WriteOutcome::kFailed;
  const WriteOutcome written = write(file);
  if (written != WriteOutcome::kDone) return written;
  return file.Commit(error) ? WriteOutcome::kDone : WriteOutcome::kFailed;
}

}  // namespace parvex

#endif  // PARVEX_PRINT_PROGRESS_H_
