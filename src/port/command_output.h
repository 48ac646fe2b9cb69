// Running another program and reading what it prints, for the tests that read a PDF or a
// workbook back with poppler or unzip.
#ifndef PARVEX_PORT_COMMAND_OUTPUT_H_
#define PARVEX_PORT_COMMAND_OUTPUT_H_

#include <string>

namespace parvex::port {

// Runs `command` (UTF-8) through the system's shell, /bin/sh or cmd.exe, and returns what it
// wrote to standard output, as bytes; empty when it could not be started.
std::string CommandOutput(const std::string& command);

}  // namespace parvex::port

#endif  // PARVEX_PORT_COMMAND_OUTPUT_H_
