#include "port/console.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// shellapi.h needs windows.h first.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "port/windows_text.h"
#else
#include <csignal>
#endif

namespace parvex::port {

#ifdef _WIN32

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(Utf8FromWide(wide[i]));
  ::LocalFree(wide);
  return args;
}

ConsoleSession::ConsoleSession() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // The messages are UTF-8 (Chinese); a console in another code page would show them garbled.
  // Without a console (output redirected) this does nothing and the bytes go out as they are.
  previous_output_code_page_ = ::GetConsoleOutputCP();
  if (previous_output_code_page_ != 0 && previous_output_code_page_ != CP_UTF8) {
    ::SetConsoleOutputCP(CP_UTF8);
  } else {
    previous_output_code_page_ = 0;
  }
}

ConsoleSession::~ConsoleSession() {
  if (previous_output_code_page_ != 0) {
    std::fflush(stdout);
    std::fflush(stderr);
    ::SetConsoleOutputCP(previous_output_code_page_);
  }
}

#else

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

ConsoleSession::ConsoleSession() { std::signal(SIGPIPE, SIG_IGN); }

ConsoleSession::~ConsoleSession() = default;

#endif

}  // namespace parvex::port
