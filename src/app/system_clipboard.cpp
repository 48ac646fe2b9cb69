#include "system_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QString>
#include <memory>
#include <string_view>

#include "port/code_page.h"

namespace parvex {
namespace {

std::string Utf8Of(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// `produce` is set.
QString ProducedString(const ProduceText& produce) {
  const std::string bytes = Produced(produce).value_or(std::string());
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The bytes as they are produced, never decoded.
QByteArray ProducedBytes(const ProduceText& produce) {
  class ByteSink : public TextSink {
   public:
    void Append(std::string_view piece) override { bytes.append(piece.data(), static_cast<qsizetype>(piece.size())); }
    QByteArray bytes;
  } sink;
  produce(sink);
  return std::move(sink.bytes);
}

}  // namespace

std::optional<std::string> SystemClipboard::ReadText() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return std::nullopt;
  const QMimeData* mime = clipboard->mimeData(QClipboard::Clipboard);
  // A clipboard that holds something other than text gives no text, not an empty one.
  if (mime == nullptr || !mime->hasText()) return std::nullopt;
  return Utf8Of(mime->text());
}

std::optional<std::string> SystemClipboard::ReadHtml() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return std::nullopt;
  const QMimeData* mime = clipboard->mimeData(QClipboard::Clipboard);
  if (mime == nullptr || !mime->hasHtml()) return std::nullopt;
  return Utf8Of(mime->html());
}

bool SystemClipboard::KeepsSylk() const {
  static const bool keeps = QGuiApplication::platformName() == QStringLiteral("xcb") && SessionTextIsUtf8();
  return keeps;
}

bool SystemClipboard::Write(const ProduceText& text, const ProduceText& html, const ProduceText& sylk) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return false;
  auto mime = std::make_unique<QMimeData>();
  mime->setText(ProducedString(text));
  if (html) mime->setHtml(ProducedString(html));
  if (sylk && KeepsSylk()) mime->setData(QString::fromLatin1(kSylkMimeType), ProducedBytes(sylk));
  clipboard->setMimeData(mime.release(), QClipboard::Clipboard);  // the clipboard owns it now
  return true;
}

}  // namespace parvex
