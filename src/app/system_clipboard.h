// The system clipboard as the commands see it: its plain text and HTML flavours in and out as
// UTF-8 bytes.
#ifndef PARVEX_APP_SYSTEM_CLIPBOARD_H_
#define PARVEX_APP_SYSTEM_CLIPBOARD_H_

#include <optional>
#include <string>

#include "grid/clipboard.h"

namespace parvex {

// Reads and writes QGuiApplication::clipboard(). Needs a QGuiApplication. Writes put one
// QMimeData holding text/plain and, when given, text/html (Qt offers that as "HTML Format" on
// Windows). On X11 the content written stays available to other programs for as long as the
// application runs.
class SystemClipboard : public Clipboard {
 public:
  // nullopt when the clipboard holds no text (an image, nothing at all).
  std::optional<std::string> ReadText() override;
  // nullopt when the clipboard holds no HTML.
  std::optional<std::string> ReadHtml() override;
  bool Write(const ProduceText& text, const ProduceText& html) override;
};

}  // namespace parvex

#endif  // PARVEX_APP_SYSTEM_CLIPBOARD_H_
