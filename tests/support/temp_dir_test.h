// A test fixture with a fresh, empty directory of its own for each test, and reading and writing
// a file's bytes.
#ifndef PARVEX_TESTS_SUPPORT_TEMP_DIR_TEST_H_
#define PARVEX_TESTS_SUPPORT_TEMP_DIR_TEST_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace parvex::test_support {

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

// The file's bytes; empty when it cannot be read.
inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << bytes;
}

}  // namespace parvex::test_support

#endif  // PARVEX_TESTS_SUPPORT_TEMP_DIR_TEST_H_
