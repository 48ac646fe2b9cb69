// Runs a shell command and returns what it wrote to standard output (for pdfinfo, pdftotext,
// unzip and the like).
#ifndef PARVEX_TESTS_SUPPORT_COMMAND_OUTPUT_H_
#define PARVEX_TESTS_SUPPORT_COMMAND_OUTPUT_H_

#include <string>

#include "port/command_output.h"

namespace parvex::test_support {

inline std::string CommandOutput(const std::string& command) { return port::CommandOutput(command); }

}  // namespace parvex::test_support

#endif  // PARVEX_TESTS_SUPPORT_COMMAND_OUTPUT_H_
