#include "background_command.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <exception>
#include <thread>

namespace parvex {
namespace {

// How long work runs before the busy box shows: shorter work just finishes.
constexpr int kBusyBoxDelayMs = 300;

void OnGuiThread(const std::function<void()>& call) {
  QMetaObject::invokeMethod(QCoreApplication::instance(), call, Qt::BlockingQueuedConnection);
}

// Hands on what was produced.
ProduceText Handing(const std::optional<std::string>& produced) {
  if (!produced.has_value()) return {};
  return [&produced](TextSink& sink) { sink.Append(*produced); };
}

}  // namespace

std::optional<std::string> GuiThreadClipboard::ReadText() {
  std::optional<std::string> text;
  OnGuiThread([&] { text = clipboard_.ReadText(); });
  return text;
}

std::optional<std::string> GuiThreadClipboard::ReadHtml() {
  std::optional<std::string> html;
  OnGuiThread([&] { html = clipboard_.ReadHtml(); });
  return html;
}

bool GuiThreadClipboard::Write(const ProduceText& text, const ProduceText& html, const ProduceText& sylk) {
  const std::optional<std::string> produced_text = Produced(text);
  const std::optional<std::string> produced_html = Produced(html);
  const std::optional<std::string> produced_sylk = Produced(sylk);
  bool written = false;
  OnGuiThread([&] {
    written = clipboard_.Write(Handing(produced_text), Handing(produced_html), Handing(produced_sylk));
  });
  return written;
}

void RunInBackground(QWidget* window, const QString& text, const std::function<void()>& work) {
  QEventLoop loop;
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  QProgressDialog busy(text, QString(), 0, 0, window);
  busy.setWindowTitle(QStringLiteral("Parvex"));
  busy.setWindowModality(Qt::WindowModal);
  busy.setCancelButton(nullptr);
  QTimer::singleShot(kBusyBoxDelayMs, &busy, [&busy] { busy.show(); });
  // Input would start more work on the table the worker reads: it waits in the queue.
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace parvex
