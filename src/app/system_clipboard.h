// The system clipboard as the commands see it: text in and out as UTF-8 bytes.
#ifndef PARVEX_APP_SYSTEM_CLIPBOARD_H_
#define PARVEX_APP_SYSTEM_CLIPBOARD_H_

#include <optional>
#include <string>
#include <string_view>

#include "grid/clipboard.h"

namespace parvex {

// Reads and writes QGuiApplication::clipboard()'s text. Needs a QGuiApplication. On X11 the
// text written stays available to other programs for as long as the application runs.
class SystemClipboard : public Clipboard {
 public:
  // nullopt when the clipboard holds no text (an image, nothing at all).
  std::optional<std::string> ReadText() override;
  bool WriteText(std::string_view text) override;
};

}  // namespace parvex

#endif  // PARVEX_APP_SYSTEM_CLIPBOARD_H_
