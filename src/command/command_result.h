// What a command hands back to the window or the command-line tool.
#ifndef PARVEX_COMMAND_COMMAND_RESULT_H_
#define PARVEX_COMMAND_COMMAND_RESULT_H_

#include <string>
#include <utility>

#include "base/status.h"

namespace parvex {

// Caption of the message box that shows a refusal.
inline constexpr const char* kRefusedCaption = "无法处理";

// The end of a command. `status` failed means the command refused or failed, its message says
// why in one line; a refusal leaves both grids and the clipboard as they were. `message` is the
// closing text of a command that succeeded; empty, there is nothing to show (the import's
// normal end).
struct CommandResult {
  Status status;
  std::string caption;
  std::string message;

  // A refusal for the user to read under kRefusedCaption.
  static CommandResult Refused(Status status) { return {std::move(status), kRefusedCaption, std::string()}; }
  // The text the user reads: the closing message, or why the command refused.
  const std::string& Shown() const { return status.ok() ? message : status.message(); }
};

}  // namespace parvex

#endif  // PARVEX_COMMAND_COMMAND_RESULT_H_
