#include "port/command_output.h"

#include <cstdio>

#ifdef _WIN32
#include "port/windows_text.h"
#endif

namespace parvex::port {

std::string CommandOutput(const std::string& command) {
  std::string bytes;
#ifdef _WIN32
  // The wide call keeps non-ASCII file names; "b": no CR LF translation of the output.
  FILE* pipe = ::_wpopen(WideFromUtf8(command).c_str(), L"rb");
#else
  FILE* pipe = ::popen(command.c_str(), "r");
#endif
  if (pipe == nullptr) return bytes;
  char buffer[65536];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) bytes.append(buffer, n);
#ifdef _WIN32
  ::_pclose(pipe);
#else
  ::pclose(pipe);
#endif
  return bytes;
}

}  // namespace parvex::port
