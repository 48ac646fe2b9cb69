// Keeps a library's own diagnostics off standard error while it runs: the programs report every
// failure once, in their own words, from the library's return code.
#ifndef PARVEX_PORT_QUIET_STDERR_H_
#define PARVEX_PORT_QUIET_STDERR_H_

namespace parvex {

// From construction to destruction, whatever is written to file descriptor 2 (by any thread)
// goes nowhere. Does nothing when standard error cannot be redirected.
class QuietStderr {
 public:
  QuietStderr();
  ~QuietStderr();
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved_ = -1;
};

}  // namespace parvex

#endif  // PARVEX_PORT_QUIET_STDERR_H_
