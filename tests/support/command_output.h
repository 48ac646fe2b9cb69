// Runs a shell command and returns what it wrote to standard output (for pdfinfo, pdftotext,
// unzip and the like).
#ifndef PARVEX_TESTS_SUPPORT_COMMAND_OUTPUT_H_
#define PARVEX_TESTS_SUPPORT_COMMAND_OUTPUT_H_

#include <string>

#include "port/command_output.h"

namespace parvex::test_support {

inline std::string CommandOutput(const std::string& command) { return port::CommandOutput(command); }
// A file's name as the command line of CommandOutput takes it, quoted.
inline std::string ShellPath(const std::filesystem::path& path) { return port::ShellPath(path); }

}  // namespace parvex::test_support

#endif  // PARVEX_TESTS_SUPPORT_COMMAND_OUTPUT_H_
