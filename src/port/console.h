// The program's side of the console: its arguments and its standard streams.
#ifndef PARVEX_PORT_CONSOLE_H_
#define PARVEX_PORT_CONSOLE_H_

#include <string>
#include <vector>

namespace parvex::port {

// The arguments after the program's name. On Windows they are taken from the UTF-16 command
// line and handed on as UTF-8: the narrow argv holds them in the ANSI code page, where a name
// such as 名单.txt arrives as "??". Elsewhere they are argv's bytes as given.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Sets the standard streams up for bytes for as long as it lives: standard input, output and
// error pass bytes unchanged (no CR LF translation on Windows), a console shows what is written
// to it as UTF-8 (Windows; its code page is restored afterwards), and a reader that goes away
// is a write error rather than a signal (POSIX).
class ConsoleSession {
 public:
  ConsoleSession();
  ~ConsoleSession();
  ConsoleSession(const ConsoleSession&) = delete;
  ConsoleSession& operator=(const ConsoleSession&) = delete;

 private:
  [[maybe_unused]] unsigned previous_output_code_page_ = 0;  // Windows: to restore, or 0
};

}  // namespace parvex::port

#endif  // PARVEX_PORT_CONSOLE_H_
