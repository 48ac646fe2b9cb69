// Times the two flavours of the export of one laid-out table: the plain table text
// (WriteTableText) and the HTML table (WriteHtmlTable), both written to /dev/null. Prints the
// fastest of RUNS runs of each in milliseconds, their bytes and the ratio of the times.
//
//   parvex-html-export FILE [GROUPS [ROWS [RUNS [plain|html]]]]   (defaults: 2 46 5; no key column)
//
// With "plain" or "html" only that flavour runs, for counting its instructions with perf stat.
#include <algorithm>
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
#include "html/html_table_writer.h"
#include "import/import.h"
#include "layout/split_into_columns.h"

namespace {

using Clock = std::chrono::steady_clock;

class NullSink : public parvex::TextSink {
 public:
  explicit NullSink(std::FILE* file) : file_(file) {}
  void Append(std::string_view piece) override {
    bytes += piece.size();
    std::fwrite(piece.data(), 1, piece.size(), file_);
  }
  size_t bytes = 0;

 private:
  std::FILE* file_;
};

template <typename Write>
double FastestMs(int runs, std::FILE* null, size_t* bytes, Write&& write) {
  double best = 1e9;
  for (int run = 0; run < runs; ++run) {
    NullSink sink(null);
    const Clock::time_point t0 = Clock::now();
    write(sink);
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    *bytes = sink.bytes;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: parvex-html-export FILE [GROUPS [ROWS [RUNS]]]\n");
    return 2;
  }
  const int32_t groups = argc > 2 ? std::atoi(argv[2]) : 2;
  const int32_t rows = argc > 3 ? std::atoi(argv[3]) : 46;
  const int runs = argc > 4 ? std::atoi(argv[4]) : 5;
  const std::string only = argc > 5 ? argv[5] : "";
  std::FILE* null = std::fopen("/dev/null", "w");
  if (null == nullptr) return 2;

  parvex::TextBuffer text;
  if (const parvex::Status read = parvex::MapFile(argv[1], &text); !read.ok()) {
    std::fprintf(stderr, "parvex-html-export: %s\n", read.message().c_str());
    return 2;
  }
  parvex::Grid source(parvex::SourceGridDesign());
  if (!parvex::ImportText(source, parvex::Settings{}, std::move(text)).status.ok()) return 2;
  parvex::Grid result(parvex::ResultGridDesign());
  parvex::LayoutOptions options;
  options.groups = groups;
  options.rows_per_page = rows;
  options.key_column = 0;
  if (const parvex::Status laid = parvex::SplitIntoColumns(source, result, options); !laid.ok()) {
    std::fprintf(stderr, "parvex-html-export: %s\n", laid.message().c_str());
    return 2;
  }
  const parvex::HtmlTableShape shape{true, {.source_columns = source.ColCount(), .groups = groups}};

  size_t plain_bytes = 0;
  size_t html_bytes = 0;
  // Alternating the two keeps a change of the machine's load from favouring one.
  double plain = 1e9;
  double html = 1e9;
  for (int run = 0; run < runs; ++run) {
    if (only != "html") plain = std::min(plain, FastestMs(1, null, &plain_bytes, [&](parvex::TextSink& sink) {
      parvex::WriteTableText(result, {0, 0, result.RowCount() - 1, result.ColCount() - 1}, sink);
    }));
    if (only != "plain") html = std::min(html, FastestMs(1, null, &html_bytes, [&](parvex::TextSink& sink) {
      parvex::WriteHtmlTable(result, shape, sink);
    }));
  }
  std::printf("plain %.1f ms (%.1f MB)  html %.1f ms (%.1f MB)  html / plain %.2f  (fastest of %d)\n", plain,
              static_cast<double>(plain_bytes) / 1e6, html, static_cast<double>(html_bytes) / 1e6, html / plain, runs);
  return 0;
}
