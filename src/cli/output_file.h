// An output file that replaces its target only when complete: the text goes to a temporary
// file beside the target, which is renamed over it on Commit and removed otherwise, so that a
// failed run never leaves a truncated or half-written file behind.
#ifndef PARVEX_CLI_OUTPUT_FILE_H_
#define PARVEX_CLI_OUTPUT_FILE_H_

#include <fstream>
#include <string>

#include "port/replace_file.h"

namespace parvex {

class ReplacementFile {
 public:
  ReplacementFile() = default;
  ~ReplacementFile() { Discard(); }
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the temporary file in the target's directory. A target that exists lends it its
  // permission bits; a symbolic link is followed, so the file it names is replaced. False, with
  // `error` set, when the directory does not take a new file.
  bool Open(const std::string& target, std::string* error);

  // Where the text goes; valid after Open.
  std::ostream& stream() { return stream_; }

  // Closes the temporary file and renames it over the target. False, with `error` set and the
  // temporary file removed, when a write failed or the rename did.
  bool Commit(std::string* error);

  // Removes the temporary file, if any, and leaves the target alone.
  void Discard();

 private:
  std::string target_;
  port::ReplacementPath path_;
  std::ofstream stream_;
};

}  // namespace parvex

#endif  // PARVEX_CLI_OUTPUT_FILE_H_
