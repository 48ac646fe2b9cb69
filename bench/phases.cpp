// Times the stages of a layout run on one table file, the way parvex-cli runs them: mapping
// the file, importing it, laying it out and writing the result to /dev/null. Prints the
// fastest of RUNS runs of each stage in milliseconds.
//
//   parvex-phases FILE [GROUPS [ROWS [RUNS]]]      (defaults: 2 46 5; no key column)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/status.h"
#include "cli/input.h"
#include "grid/clipboard.h"
#include "grid/grid.h"
#include "grid/grid_designs.h"
#include "grid/table_text_writer.h"
#include "import/import.h"
#include "layout/split_into_columns.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

class NullSink : public parvex::TextSink {
 public:
  explicit NullSink(std::FILE* file) : file_(file) {}
  void Append(std::string_view piece) override { std::fwrite(piece.data(), 1, piece.size(), file_); }

 private:
  std::FILE* file_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: parvex-phases FILE [GROUPS [ROWS [RUNS]]]\n");
    return 2;
  }
  const std::string path = argv[1];
  const int32_t groups = argc > 2 ? std::atoi(argv[2]) : 2;
  const int32_t rows = argc > 3 ? std::atoi(argv[3]) : 46;
  const int runs = argc > 4 ? std::atoi(argv[4]) : 5;
  std::FILE* null = std::fopen("/dev/null", "w");
  if (null == nullptr) return 2;

  double best[4] = {1e9, 1e9, 1e9, 1e9};
  for (int run = 0; run < runs; ++run) {
    const Clock::time_point t0 = Clock::now();
    parvex::TextBuffer text;
    if (const parvex::Status read = parvex::MapFile(path, &text); !read.ok()) {
      std::fprintf(stderr, "parvex-phases: %s\n", read.message().c_str());
      return 2;
    }
    const Clock::time_point t1 = Clock::now();
    parvex::Grid source(parvex::SourceGridDesign());
    if (!parvex::ImportText(source, parvex::Settings{}, std::move(text)).status.ok()) return 2;
    const Clock::time_point t2 = Clock::now();
    parvex::Grid result(parvex::ResultGridDesign());
    parvex::LayoutOptions options;
    options.groups = groups;
    options.rows_per_page = rows;
    options.key_column = 0;
    if (const parvex::Status laid = parvex::SplitIntoColumns(source, result, options); !laid.ok()) {
      std::fprintf(stderr, "parvex-phases: %s\n", laid.message().c_str());
      return 2;
    }
    const Clock::time_point t3 = Clock::now();
    NullSink sink(null);
    parvex::WriteTableText(result, {0, 0, result.RowCount() - 1, result.ColCount() - 1}, sink);
    const Clock::time_point t4 = Clock::now();
    const double times[4] = {Ms(t0, t1), Ms(t1, t2), Ms(t2, t3), Ms(t3, t4)};
    for (int k = 0; k < 4; ++k) best[k] = std::min(best[k], times[k]);
  }
  std::printf("map %.1f  import %.1f  layout %.1f  export %.1f  ms (fastest of %d)\n", best[0], best[1], best[2],
              best[3], runs);
  return 0;
}
