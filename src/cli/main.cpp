// parvex-cli: see cli.h.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "port/console.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const parvex::port::ConsoleSession console;
  const std::vector<std::string> args = parvex::port::Utf8Arguments(argc, argv);
  const int status = parvex::Run(args, std::cin, std::cout, std::cerr);
  std::cout.flush();
  std::cerr.flush();
  return status;
}
