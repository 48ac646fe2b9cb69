// What a command hands back to the window or the command-line tool.
#ifndef PARVEX_COMMAND_COMMAND_RESULT_H_
#define PARVEX_COMMAND_COMMAND_RESULT_H_

#include <string>

namespace parvex {

// The end of a command. `ok` false means the command refused or failed and `message` says why
// in one line; a refusal leaves both grids and the clipboard as they were. An empty message
// means there is nothing to show (the import's normal end).
struct CommandResult {
  bool ok = true;
  std::string caption;
  std::string message;
};

// Caption of the message box that shows a refusal.
inline constexpr const char* kRefusedCaption = "无法处理";

}  // namespace parvex

#endif  // PARVEX_COMMAND_COMMAND_RESULT_H_
