// The system clipboard as the commands see it: its plain text and HTML flavours in and out as
// UTF-8 bytes, and SYLK out on X11.
#ifndef PARVEX_APP_SYSTEM_CLIPBOARD_H_
#define PARVEX_APP_SYSTEM_CLIPBOARD_H_

#include <optional>
#include <string>

#include "grid/clipboard.h"

namespace parvex {

// Reads and writes QGuiApplication::clipboard(). Needs a QGuiApplication. Writes put one
// QMimeData holding text/plain and, when given, text/html (Qt offers that as "HTML Format" on
// Windows) and the SYLK bytes under kSylkMimeType. On X11 the content written stays available to
// other programs for as long as the application runs.
class SystemClipboard : public Clipboard {
 public:
  // The X clipboard target LibreOffice asks for SYLK by.
  static constexpr const char* kSylkMimeType = "application/x-openoffice-sylk;windows_formatname=\"Sylk\"";

  // nullopt when the clipboard holds no text (an image, nothing at all).
  std::optional<std::string> ReadText() override;
  // nullopt when the clipboard holds no HTML.
  std::optional<std::string> ReadHtml() override;
  // On X11 where the session's text is UTF-8 (port::SessionTextIsUtf8): LibreOffice reads SYLK
  // in its locale's character set, and the cells' bytes are UTF-8 there. Not on Windows, where
  // Qt puts a MIME type on the clipboard as a format registered by that name, never as the
  // predefined CF_SYLK that Excel reads; nor on Wayland, untried.
  bool KeepsSylk() const override;
  bool Write(const ProduceText& text, const ProduceText& html, const ProduceText& sylk) override;
};

}  // namespace parvex

#endif  // PARVEX_APP_SYSTEM_CLIPBOARD_H_
