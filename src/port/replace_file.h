// Replacing a file by a complete new one: the new file is written under a temporary name beside
// the target and then moved over it in one step, so that the target is at every moment either
// the old file or the new one. File names are UTF-8 on Windows (see path.h).
#ifndef PARVEX_PORT_REPLACE_FILE_H_
#define PARVEX_PORT_REPLACE_FILE_H_

#include <string>

namespace parvex::port {

// Whether a file that replaces another takes over its permission bits (POSIX systems). On
// Windows the new file gets what its directory gives new files, and a read-only target is not
// replaced.
#ifdef _WIN32
inline constexpr bool kReplacementKeepsPermissions = false;
#else
inline constexpr bool kReplacementKeepsPermissions = true;
#endif

// Creates a new, empty file with a hidden, unused name in the directory `dir` ("" is the
// current one), the name starting with `.` and `stem`. False, with `error` naming the
// directory and the cause, when the directory does not take a new file.
bool CreateTempFile(const std::string& dir, const std::string& stem, std::string* temp_path, std::string* error);

// True when `path` names an existing directory.
bool IsDirectory(const std::string& path);

// True when both names lead to the same existing file (through links, other spellings).
bool SameFile(const std::string& a, const std::string& b);

// The permission bits a file that replaces `target` should get: the target's own when it
// exists, else those of a new file under the current umask. 0 where files have none.
unsigned ReplacementPermissions(const std::string& target);

// Gives `from` the permission bits `permissions` (where files have them) and moves it over
// `to`, replacing a file there in one step. False, with `error` naming `to` and the cause,
// when that fails; `from` is then left where it was.
bool MoveOver(const std::string& from, const std::string& to, unsigned permissions, std::string* error);

// Removes the file `path`; false when it was not there or cannot be removed.
bool RemoveFile(const std::string& path);

// Writing an output file without ever leaving a half-written one under the user's name: the
// writer fills a temporary file beside the target, and only a complete file is moved over it.
// The one way the programs replace a file.
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
  // The temporary file to write to, and the target it replaces (what messages name); valid
  // after Open.
  const std::string& temp_path() const { return temp_path_; }
  const std::string& target() const { return target_; }
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

}  // namespace parvex::port

#endif  // PARVEX_PORT_REPLACE_FILE_H_
