// IsOk(status): a check that passes when an operation is done and, when it is not, says why;
// FailsWith(status, part): one that passes when it failed with a message holding `part`.
#ifndef PARVEX_TESTS_SUPPORT_IS_OK_H_
#define PARVEX_TESTS_SUPPORT_IS_OK_H_

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "base/status.h"

namespace parvex::test_support {

inline ::testing::AssertionResult IsOk(const Status& status) {
  if (status.ok()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << (status.cancelled() ? "cancelled" : status.message());
}

inline ::testing::AssertionResult FailsWith(const Status& status, std::string_view part) {
  if (status.failed() && status.message().find(part) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << (status.ok() ? "done" : status.cancelled() ? "cancelled" : status.message());
}

}  // namespace parvex::test_support

#endif  // PARVEX_TESTS_SUPPORT_IS_OK_H_
