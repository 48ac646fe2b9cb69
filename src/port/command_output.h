// Running another program and reading what it prints, for the tests that read a PDF or a
// workbook back with poppler or unzip.
#ifndef PARVEX_PORT_COMMAND_OUTPUT_H_
#define PARVEX_PORT_COMMAND_OUTPUT_H_

#include <filesystem>
#include <string>

namespace parvex::port {

// Runs `command` (UTF-8) through the system's shell, /bin/sh or cmd.exe, and returns what it
// wrote to standard output, as bytes; empty when it could not be started. A Windows program
// under Wine whose environment names a folder in PARVEX_WINE_SHELL_DIR hands the command to the
// build machine's /bin/sh through that folder instead (tests/support/wine_shell.sh serves it),
// since Wine runs no Unix program with its output piped back.
std::string CommandOutput(const std::string& command);

// `path` quoted for the shell that CommandOutput runs: under Wine's /bin/sh, its Unix name.
std::string ShellPath(const std::filesystem::path& path);

}  // namespace parvex::port

#endif  // PARVEX_PORT_COMMAND_OUTPUT_H_
