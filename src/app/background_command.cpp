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

bool GuiThreadClipboard::Write(const ProduceText& text, const ProduceText& html) {
  std::string produced_text;
  StringSink text_sink(&produced_text);
  text(text_sink);
  std::optional<std::string> produced_html;
  if (html) {
    produced_html.emplace();
    StringSink html_sink(&*produced_html);
    html(html_sink);
  }
  bool written = false;
  OnGuiThread([&] {
    written = clipboard_.Write([&](TextSink& sink) { sink.Append(produced_text); },
                               produced_html.has_value()
                                   ? ProduceText([&](TextSink& sink) { sink.Append(*produced_html); })
                                   : ProduceText());
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
