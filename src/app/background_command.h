// Work on a large table run on a thread of its own, so that the window keeps painting and a busy
// box tells the user it is working, instead of a window that stops answering.
#ifndef PARVEX_APP_BACKGROUND_COMMAND_H_
#define PARVEX_APP_BACKGROUND_COMMAND_H_

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "grid/clipboard.h"

class QWidget;

namespace parvex {

// Runs `work` on a second thread; an exception it throws (a failed allocation) is thrown again
// here. Meanwhile the calling (GUI) thread paints and, after a moment, shows `text` in a busy box
// over `window`; the user's clicks and keys wait until the work is done. `work` must read only
// what the GUI thread does not change while it runs.
void RunInBackground(QWidget* window, const QString& text, const std::function<void()>& work);

// A clipboard for work run in the background: the flavours are produced on the worker's thread,
// and only reading `clipboard` and handing it what was produced runs on the GUI thread, as a
// system clipboard needs. The GUI thread must be in RunInBackground meanwhile.
class GuiThreadClipboard : public Clipboard {
 public:
  explicit GuiThreadClipboard(Clipboard& clipboard) : clipboard_(clipboard) {}
  std::optional<std::string> ReadText() override;
  std::optional<std::string> ReadHtml() override;
  bool KeepsSylk() const override { return clipboard_.KeepsSylk(); }
  bool Write(const ProduceText& text, const ProduceText& html, const ProduceText& sylk) override;

 private:
  Clipboard& clipboard_;
};

}  // namespace parvex

#endif  // PARVEX_APP_BACKGROUND_COMMAND_H_
