#include "system_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QString>

namespace parvex {

std::optional<std::string> SystemClipboard::ReadText() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return std::nullopt;
  const QMimeData* mime = clipboard->mimeData(QClipboard::Clipboard);
  // A clipboard that holds something other than text gives no text, not an empty one.
  if (mime == nullptr || !mime->hasText()) return std::nullopt;
  const QByteArray bytes = mime->text().toUtf8();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool SystemClipboard::WriteText(std::string_view text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return false;
  const auto size = static_cast<qsizetype>(text.size());
  clipboard->setText(QString::fromUtf8(text.data(), size), QClipboard::Clipboard);
  return true;
}

}  // namespace parvex
