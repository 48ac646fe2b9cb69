#include "grid/size_pattern.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

namespace parvex {
namespace {

std::vector<int32_t> SizesOf(const SizePattern& sizes) {
  std::vector<int32_t> out;
  for (size_t i = 0; i < sizes.size(); ++i) out.push_back(sizes.Get(i));
  return out;
}

TEST(SizePatternTest, EditsGiveTheSizesAndKeepThePatternWhileTheyCan) {
  struct Case {
    const char* name;
    std::function<void(SizePattern&)> edit;
    std::vector<int32_t> sizes;
    bool materialized;
  };
  // Every case starts from 50, 18, 18, 18.
  const Case cases[] = {
      {"set the first", [](SizePattern& s) { s.Set(0, 70); }, {70, 18, 18, 18}, false},
      {"set another to the others' size", [](SizePattern& s) { s.Set(2, 18); }, {50, 18, 18, 18}, false},
      {"set the last", [](SizePattern& s) { s.Set(3, 7); }, {50, 18, 18, 7}, true},
      {"hide one", [](SizePattern& s) { s.Set(1, 0); }, {50, 0, 18, 18}, true},
      {"append like the others", [](SizePattern& s) { s.Insert(4, 2, 18); }, {50, 18, 18, 18, 18, 18}, false},
      {"append unlike", [](SizePattern& s) { s.Insert(4, 1, 9); }, {50, 18, 18, 18, 9}, true},
      {"insert after the first", [](SizePattern& s) { s.Insert(1, 1, 18); }, {50, 18, 18, 18, 18}, false},
      {"insert before the first", [](SizePattern& s) { s.Insert(0, 1, 18); }, {18, 50, 18, 18, 18}, true},
      {"insert none", [](SizePattern& s) { s.Insert(0, 0, 99); }, {50, 18, 18, 18}, false},
      {"erase the first: the second moves up", [](SizePattern& s) { s.Erase(0); }, {18, 18, 18}, false},
      {"erase the last", [](SizePattern& s) { s.Erase(3); }, {50, 18, 18}, false},
      {"erase all", [](SizePattern& s) { for (int k = 0; k < 4; ++k) s.Erase(0); }, {}, false},
      {"erase all, then insert", [](SizePattern& s) { for (int k = 0; k < 4; ++k) s.Erase(0); s.Insert(0, 2, 5); }, {5, 5}, false},
      {"materialized, erase to nothing, insert", [](SizePattern& s) {
         s.Set(2, 1);
         for (int k = 0; k < 4; ++k) s.Erase(3 - k);
         s.Insert(0, 1, 24);
       }, {24}, false},
      {"materialized edits", [](SizePattern& s) { s.Set(2, 1); s.Erase(0); s.Insert(1, 1, 3); s.Set(0, 4); }, {4, 3, 1, 18}, true},
      {"reset", [](SizePattern& s) { s.Set(2, 1); s.Reset(3, 30, 30); }, {30, 30, 30}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SizePattern sizes(4, 50, 18);
    c.edit(sizes);
    EXPECT_EQ(SizesOf(sizes), c.sizes);
    EXPECT_EQ(sizes.materialized(), c.materialized);
  }
}

TEST(SizePatternTest, ContainsLooksOnlyAtSizesThatExist) {
  struct Case { const char* name; SizePattern sizes; bool has_zero; };
  const Case cases[] = {
      {"none", SizePattern(0, 0, 0), false},
      {"one: only the first counts", SizePattern(1, 50, 0), false},
      {"one hidden", SizePattern(1, 0, 18), true},
      {"two, the other hidden", SizePattern(2, 50, 0), true},
      {"materialized, one hidden", [] { SizePattern s(5, 50, 18); s.Set(3, 0); return s; }(), true},
      {"materialized, unhidden again", [] { SizePattern s(5, 50, 18); s.Set(3, 0); s.Set(3, 1); return s; }(), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.sizes.Contains(0), c.has_zero);
  }
}

// Random edits against a plain vector: the pattern must never show a size the vector does not hold.
TEST(SizePatternTest, RandomEditsMatchPlainVector) {
  std::mt19937 rng(11);
  auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
  SizePattern sizes(3, 2, 1);
  std::vector<int32_t> model = {2, 1, 1};
  for (int step = 0; step < 5000; ++step) {
    const auto value = static_cast<int32_t>(pick(3));
    switch (pick(4)) {
      case 0:
        if (!model.empty()) {
          const size_t i = pick(model.size());
          sizes.Set(i, value);
          model[i] = value;
        }
        break;
      case 1: {
        const size_t at = pick(model.size() + 1);
        const size_t count = pick(3);
        sizes.Insert(at, count, value);
        model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), count, value);
        break;
      }
      case 2:
        if (!model.empty()) {
          const size_t i = pick(model.size());
          sizes.Erase(i);
          model.erase(model.begin() + static_cast<std::ptrdiff_t>(i));
        }
        break;
      default:
        if (pick(20) == 0) {
          sizes.Reset(4, value, 1);
          model = {value, 1, 1, 1};
        }
    }
    ASSERT_EQ(SizesOf(sizes), model) << "step " << step;
    ASSERT_EQ(sizes.Contains(0), std::find(model.begin(), model.end(), 0) != model.end()) << "step " << step;
  }
}

}  // namespace
}  // namespace parvex
