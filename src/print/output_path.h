// Writing an output file without ever leaving a half-written one under the user's name: the
// writer fills a temporary file beside the target, and only a complete file is renamed over it.
#ifndef PARVEX_PRINT_OUTPUT_PATH_H_
#define PARVEX_PRINT_OUTPUT_PATH_H_

#include <string>

namespace parvex {

class ReplacementPath {
 public:
  ReplacementPath() = default;
  ~ReplacementPath() { Discard(); }
  ReplacementPath(const ReplacementPath&) = delete;
  ReplacementPath& operator=(const ReplacementPath&) = delete;

  // Reserves a temporary file in the directory of `target` (a symbolic link is followed, so the
  // file it names is replaced). False, with `error` set, when it cannot be created there or the
  // target is a directory.
  bool Open(const std::string& target, std::string* error);
  // The temporary file to write to; valid after Open.
  const std::string& temp_path() const { return temp_path_; }
  // Renames the temporary file over the target, giving it the target's permission bits when it
  // existed. False, with `error` set and the temporary file removed, when that fails.
  bool Commit(std::string* error);
  // Removes the temporary file, if any; the target stays as it was.
  void Discard();

 private:
  std::string target_;
  std::string temp_path_;
  unsigned mode_ = 0;
};

}  // namespace parvex

#endif  // PARVEX_PRINT_OUTPUT_PATH_H_
