// parvex-cli run in-process: arguments and standard input in, exit status and both outputs out.
#ifndef PARVEX_TESTS_SUPPORT_CLI_RUN_H_
#define PARVEX_TESTS_SUPPORT_CLI_RUN_H_

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace parvex::test_support {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

inline CliRun RunCli(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out;
  std::ostringstream err;
  CliRun run;
  run.status = Run(args, in, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

}  // namespace parvex::test_support

#endif  // PARVEX_TESTS_SUPPORT_CLI_RUN_H_
