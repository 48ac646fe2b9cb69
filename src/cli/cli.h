// parvex-cli: the import and the preprocess command without a window. The table text comes from
// a file or standard input in place of the clipboard; the laid-out text goes to standard output
// or to a file; the closing message goes to standard error.
#ifndef PARVEX_CLI_CLI_H_
#define PARVEX_CLI_CLI_H_

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace parvex {

// Exit status of a run that did its work, and of one that refused (bad usage, unreadable or
// non-text input, a refused import or layout, an output that could not be written).
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 2;

// Runs parvex-cli with `args` (the command line without the program name). `in` is standard
// input, read when no FILE or "-" is given; `out` receives the laid-out text byte for byte
// unless -o names a file; `err` receives the closing message or exactly one error line. Never
// throws. A failed run writes nothing to `out` (short of a write error part way through) and
// leaves an -o file as it was.
int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace parvex

#endif  // PARVEX_CLI_CLI_H_
