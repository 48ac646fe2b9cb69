// A deliberately plain model of the column-split layout, written row by row over vectors of
// strings the way the layout is described to users, so that the engine's planned, shared-byte
// layout can be checked against it on generated and fuzzed tables.
#ifndef PARVEX_TESTS_ROBUSTNESS_REFERENCE_LAYOUT_H_
#define PARVEX_TESTS_ROBUSTNESS_REFERENCE_LAYOUT_H_

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace parvex::reference {

using Cells = std::vector<std::vector<std::string>>;

struct Layout {
  int64_t groups = 1;         // N, already at least 1
  int64_t rows_per_page = 46; // R, already at least 2
  int64_t key = 0;            // K, 1-based; 0 or less, or past the last column: no breaks
  bool pad = true;
  bool has_title = true;
};

// Normalises N, R and K as the commands read them from the edit boxes' integers.
inline Layout Normalised(int32_t n, int32_t r, int32_t k, bool key_on, bool pad, bool has_title) {
  Layout layout;
  layout.groups = std::max<int64_t>(n, 1);
  layout.rows_per_page = r < 2 ? 46 : r;
  layout.key = key_on ? k : 0;
  layout.pad = pad;
  layout.has_title = has_title;
  return layout;
}

// `source` is rectangular: `cols` cells in every row. Without a title row an empty one is laid
// out above the data and removed from the result afterwards.
inline Cells Lay(Cells source, size_t cols, const Layout& layout) {
  if (!layout.has_title) source.insert(source.begin(), std::vector<std::string>(cols));
  if (source.empty()) source.emplace_back(cols);
  const int64_t n = layout.groups;
  const int64_t r = layout.rows_per_page;
  const auto c = static_cast<int64_t>(cols);
  const auto t = static_cast<int64_t>(source.size());
  const auto width = static_cast<size_t>(n * c + n - 1);
  const bool keyed = layout.key > 0 && layout.key <= c;

  Cells out(1, std::vector<std::string>(width));
  for (int64_t g = 0; g < n; ++g) {
    for (int64_t j = 0; j < c; ++j) out[0][static_cast<size_t>(g * (c + 1) + j)] = source[0][static_cast<size_t>(j)];
  }
  auto key_of = [&](int64_t row) -> const std::string& {
    return source[static_cast<size_t>(row)][static_cast<size_t>(layout.key - 1)];
  };
  int64_t next = 2;  // 1-based source row number of the next data row
  while (next <= t) {
    const auto base = static_cast<int64_t>(out.size());
    int64_t p = 0;
    bool ended = false;
    for (int64_t g = 0; g < n && !ended; ++g) {
      for (int64_t step = 0; step < r; ++step) {
        if (next > t) {
          ended = true;
          break;
        }
        if (keyed && next > 2 && (g > 0 || p > 0) && key_of(next - 1) != key_of(next - 2)) {
          if (g == 0 && layout.pad && p < r) {
            for (int64_t k = p; k < r; ++k) out.emplace_back(width);
          }
          ended = true;
          break;
        }
        if (g == 0) out.emplace_back(width);
        const auto row = static_cast<size_t>(base + p % r);
        for (int64_t j = 0; j < c; ++j) {
          out[row][static_cast<size_t>(g * (c + 1) + j)] = source[static_cast<size_t>(next - 1)][static_cast<size_t>(j)];
        }
        ++next;
        ++p;
      }
    }
  }
  if (!layout.has_title) out.erase(out.begin());
  return out;
}

}  // namespace parvex::reference

#endif  // PARVEX_TESTS_ROBUSTNESS_REFERENCE_LAYOUT_H_
