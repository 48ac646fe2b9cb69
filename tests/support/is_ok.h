// IsOk(status): a check that passes when an operation is done and, when it is not, says why.
#ifndef PARVEX_TESTS_SUPPORT_IS_OK_H_
#define PARVEX_TESTS_SUPPORT_IS_OK_H_

#include <gtest/gtest.h>

#include "base/status.h"

namespace parvex::test_support {

inline ::testing::AssertionResult IsOk(const Status& status) {
  if (status.ok()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << (status.cancelled() ? "cancelled" : status.message());
}

}  // namespace parvex::test_support

#endif  // PARVEX_TESTS_SUPPORT_IS_OK_H_
