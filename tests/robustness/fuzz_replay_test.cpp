// Replays every kept fuzzer input through the fuzzer's own checks: the seeds (fuzz/seeds/<target>/
// and the test data a target starts from) and, under tests/data/regress/, each input that once
// crashed, hung or broke an invariant, named <target>-<what>. A broken check aborts the test's process, so each input is a test of its own.
#include <gtest/gtest.h>
#include "support/temp_dir_test.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <cctype>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

extern "C" int PipelineFuzzEntry(const uint8_t* data, size_t size);
extern "C" int TextToIntegerFuzzEntry(const uint8_t* data, size_t size);
extern "C" int GridOpsFuzzEntry(const uint8_t* data, size_t size);
extern "C" int TableTextFuzzEntry(const uint8_t* data, size_t size);
extern "C" int HtmlReaderFuzzEntry(const uint8_t* data, size_t size);

namespace parvex {
namespace {

namespace fs = std::filesystem;

struct Target {
  const char* name;
  int (*entry)(const uint8_t*, size_t);
  const char* data_seeds = nullptr;  // a folder of tests/data whose files seed the target too
};

const Target kTargets[] = {
    {"pipeline", PipelineFuzzEntry},
    {"text_to_integer", TextToIntegerFuzzEntry},
    {"grid_ops", GridOpsFuzzEntry},
    {"table_text", TableTextFuzzEntry},
    {"html_reader", HtmlReaderFuzzEntry, "html"},
};

struct KeptInput {
  const Target* target;
  fs::path path;
};

std::vector<KeptInput> KeptInputs() {
  std::vector<KeptInput> inputs;
  for (const Target& target : kTargets) {
    std::vector<fs::path> seed_dirs{fs::path(PARVEX_FUZZ_SEEDS_DIR) / target.name};
    if (target.data_seeds != nullptr) seed_dirs.push_back(fs::path(PARVEX_TEST_DATA_DIR) / target.data_seeds);
    for (const fs::path& seeds : seed_dirs) {
      if (!fs::is_directory(seeds)) continue;
      for (const auto& entry : fs::directory_iterator(seeds)) inputs.push_back({&target, entry.path()});
    }
    const fs::path regress = fs::path(PARVEX_TEST_DATA_DIR) / "regress";
    if (fs::is_directory(regress)) {
      for (const auto& entry : fs::directory_iterator(regress)) {
        if (entry.path().filename().string().rfind(std::string(target.name) + "-", 0) == 0) {
          inputs.push_back({&target, entry.path()});
        }
      }
    }
  }
  return inputs;
}

std::string TestName(const ::testing::TestParamInfo<KeptInput>& info) {
  const bool seed = info.param.path.parent_path().filename() != "regress";
  std::string name = std::string(info.param.target->name) + (seed ? "_seed_" : "_regress_") +
                     info.param.path.filename().string();
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

void PrintTo(const KeptInput& input, std::ostream* os) { *os << input.path.string(); }

class FuzzReplayTest : public ::testing::TestWithParam<KeptInput> {};

TEST_P(FuzzReplayTest, PassesTheFuzzersChecks) {
  ASSERT_TRUE(std::filesystem::is_regular_file(GetParam().path)) << GetParam().path;
  const std::string data = parvex::test_support::ReadBytes(GetParam().path);
  EXPECT_EQ(GetParam().target->entry(reinterpret_cast<const uint8_t*>(data.data()), data.size()), 0);
}

INSTANTIATE_TEST_SUITE_P(Kept, FuzzReplayTest, ::testing::ValuesIn(KeptInputs()), TestName);

}  // namespace
}  // namespace parvex
