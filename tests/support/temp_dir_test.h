// A test fixture with a fresh, empty directory of its own for each test.
#ifndef PARVEX_TESTS_SUPPORT_TEMP_DIR_TEST_H_
#define PARVEX_TESTS_SUPPORT_TEMP_DIR_TEST_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace parvex::testing {

class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::path(::testing::TempDir()) /
           ("parvex_" + std::string(info->test_suite_name()) + "_" + std::string(info->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path dir_;
};

}  // namespace parvex::testing

#endif  // PARVEX_TESTS_SUPPORT_TEMP_DIR_TEST_H_
