// Times the window's 打印预览 on generated tables laid out with the window's defaults (2 groups,
// key column 3, short pages padded, automatic rows per page): from the action to the first page
// drawn, then moving through the document, with the memory it takes. Each size runs in a
// process of its own, so that each peak is its own. Runs on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise.
//
//   parvex-bench-preview [ROWS...]        (default: 10000 100000 1000000)
//
// The tables come from parvex-gen-table ROWS 6 42, next to this program.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "grid/clipboard.h"
#include "main_window.h"
#include "print_actions.h"
#include "print_preview.h"
#include "support/memory_clipboard.h"

namespace {

std::string ReadCommand(const std::string& command) {
  std::string text;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return text;
  char buffer[1 << 16];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  pclose(pipe);
  return text;
}

// A line of /proc/self/status ("VmRSS", "VmHWM") in MB; -1 where there is none.
double StatusMb(const char* key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key, 0) == 0 && line.size() > std::string(key).size() + 1) {
      return std::atof(line.c_str() + std::string(key).size() + 1) / 1024;
    }
  }
  return -1;
}

// Starts counting the peak resident size from the current one (Linux: clear_refs 5).
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

void Wait(const std::function<bool()>& done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

int Measure(int argc, char** argv, const std::string& generator, long rows) {
  const std::string text = ReadCommand(generator + " " + std::to_string(rows) + " 6 42");
  if (text.empty()) {
    std::fprintf(stderr, "parvex-bench-preview: %s wrote nothing\n", generator.c_str());
    return 2;
  }
  QApplication app(argc, argv);
  parvex::test_support::MemoryClipboard clipboard;
  parvex::MainWindow window(&clipboard);
  window.SetShowMessage([](const parvex::Message&) {});
  window.show();
  clipboard.set_text(text);
  double click_s[2] = {};
  int clicked = 0;
  for (const char* name : {"按钮_导入数据", "按钮_数据预处理"}) {
    QElapsedTimer button;
    button.start();
    window.findChild<QPushButton*>(QString::fromUtf8(name))->click();
    click_s[clicked++] = static_cast<double>(button.nsecsElapsed()) / 1e9;
  }
  const double laid_out_mb = StatusMb("VmRSS");
  const size_t text_mb = text.size() >> 20;

  double first_page_s = 0, walk_s = 0, after_walk_mb = 0;
  int64_t pages = 0, visited = 0;
  size_t most_kept = 0;
  QElapsedTimer clock;
  window.print_actions()->SetRunPreview([&](parvex::PrintPreviewDialog& dialog) {
    parvex::PreviewPages* view = dialog.pages_view();
    bool first = false;
    QObject::connect(view, &parvex::PreviewPages::pageRendered, &dialog, [&] { first = true; });
    dialog.show();
    Wait([&] { return first; });
    first_page_s = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    // 200 places spread over the whole document, each drawn before moving on.
    pages = view->page_count();
    QElapsedTimer walk;
    walk.start();
    for (int step = 1; step <= 200; ++step) {
      view->GoToPage(pages * step / 200 - 1);
      Wait([&] {
        const std::vector<int64_t> visible = view->VisiblePages();
        return !visible.empty() && std::all_of(visible.begin(), visible.end(), [&](int64_t p) { return view->IsDrawn(p); });
      });
      most_kept = std::max(most_kept, view->cached_pages());
      ++visited;
    }
    walk_s = static_cast<double>(walk.nsecsElapsed()) / 1e9;
    after_walk_mb = StatusMb("VmRSS");
    dialog.close();
  });
  ResetPeak();
  clock.start();
  window.print_actions()->Preview();
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%8ld rows %4zu MB text | 导入数据 %5.2f s, 数据预处理 %5.2f s\n", rows, text_mb, click_s[0], click_s[1]);
  std::printf("%8ld rows %4zu MB text %6lld pages | first page %6.3f s | %lld places %6.2f s, %zu images kept at most"
              " | RSS laid out %6.0f MB, after %6.0f MB, peak during preview %6.0f MB, process peak %6.0f MB\n",
              rows, text_mb, static_cast<long long>(pages), first_page_s, static_cast<long long>(visited), walk_s,
              most_kept, laid_out_mb, after_walk_mb, StatusMb("VmHWM"), static_cast<double>(usage.ru_maxrss) / 1024);
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atol(argv[i]));
  if (sizes.empty()) sizes = {10000, 100000, 1000000};
  std::string self = argv[0];
  const size_t slash = self.rfind('/');
  const std::string generator = (slash == std::string::npos ? std::string(".") : self.substr(0, slash)) + "/parvex-gen-table";
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int status = 0;
  for (long rows : sizes) {
    const pid_t child = fork();
    if (child == 0) std::_Exit(Measure(1, argv, generator, rows));
    int child_status = 0;
    waitpid(child, &child_status, 0);
    if (!WIFEXITED(child_status) || WEXITSTATUS(child_status) != 0) status = 1;
  }
  return status;
}
