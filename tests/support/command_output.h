// Runs a shell command and returns what it wrote to standard output (for pdfinfo, pdftotext,
// unzip and the like).
#ifndef PARVEX_TESTS_SUPPORT_COMMAND_OUTPUT_H_
#define PARVEX_TESTS_SUPPORT_COMMAND_OUTPUT_H_

#include <cstdio>
#include <string>

namespace parvex::test_support {

inline std::string CommandOutput(const std::string& command) {
  std::string bytes;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) bytes.append(buffer, n);
    ::pclose(pipe);
  }
  return bytes;
}

}  // namespace parvex::test_support

#endif  // PARVEX_TESTS_SUPPORT_COMMAND_OUTPUT_H_
