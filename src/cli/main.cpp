// parvex-cli: see cli.h.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
#ifdef _WIN32
  // Bytes in, bytes out: no CR LF translation.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#else
  // A reader that goes away is a write error to report with exit status 2, not a signal.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const int status = parvex::Run(args, std::cin, std::cout, std::cerr);
  std::cerr.flush();
  return status;
}
