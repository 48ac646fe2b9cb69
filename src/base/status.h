// How an operation ends: done, cancelled (its progress report asked it to stop) or failed, with a
// one-line message that says why for the user to read. The one error type of the core, printing
// and the export job; a caller that cannot go on hands the status up as it is.
#ifndef PARVEX_BASE_STATUS_H_
#define PARVEX_BASE_STATUS_H_

#include <string>
#include <utility>

namespace parvex {

class [[nodiscard]] Status {
 public:
  enum class Code { kOk, kCancelled, kFailed };

  // Done.
  Status() = default;
  static Status Failed(std::string message) { return Status(Code::kFailed, std::move(message)); }
  static Status Cancelled() { return Status(Code::kCancelled, std::string()); }

  Code code() const { return code_; }
  bool ok() const { return code_ == Code::kOk; }
  bool cancelled() const { return code_ == Code::kCancelled; }
  bool failed() const { return code_ == Code::kFailed; }
  // Why it failed; empty otherwise.
  const std::string& message() const { return message_; }

 private:
  Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}

  Code code_ = Code::kOk;
  std::string message_;
};

}  // namespace parvex

#endif  // PARVEX_BASE_STATUS_H_
