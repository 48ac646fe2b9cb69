#include "numeric_edit.h"

#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QStringView>

#include "grid/text_to_integer.h"

namespace parvex {

bool IsAcceptedTyping(const QString& text) {
  for (const char32_t c : text.toUcs4()) {
    if (!IsEditBoxCharacter(c)) return false;
  }
  return true;
}

namespace {

// Control characters (backspace, Ctrl+V's 0x16 and the like) are not typing; neither are keys
// that carry no text (arrows, Delete, Home).
bool IsPrintableTyping(const QKeyEvent& event) {
  const QString text = event.text();
  if (text.isEmpty()) return false;
  if (event.modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
  for (const QChar c : text) {
    if (!c.isPrint()) return false;
  }
  return true;
}

}  // namespace

NumericEdit::NumericEdit(const QString& text, QWidget* parent) : QLineEdit(text, parent) {}

void NumericEdit::Normalize() {
  const QByteArray old_bytes = text().toUtf8();
  const std::string normal =
      NormalizeEditBoxText(std::string_view(old_bytes.constData(), static_cast<size_t>(old_bytes.size())));
  const QString normal_text = QString::fromUtf8(normal.data(), static_cast<qsizetype>(normal.size()));
  if (normal_text == text()) return;
  const int caret = hasSelectedText() ? selectionStart() : cursorPosition();
  setText(normal_text);
  // setCursorPosition also scrolls the caret into view.
  setCursorPosition(std::min(caret, static_cast<int>(normal_text.size())));
}

void NumericEdit::keyPressEvent(QKeyEvent* event) {
  if (IsPrintableTyping(*event) && !IsAcceptedTyping(event->text())) {
    event->accept();  // dropped without a beep
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void NumericEdit::inputMethodEvent(QInputMethodEvent* event) {
  // An input method commits whole strings: keep only the characters the box accepts.
  const QString commit = event->commitString();
  if (commit.isEmpty() || IsAcceptedTyping(commit)) {
    QLineEdit::inputMethodEvent(event);
    return;
  }
  QString kept;
  for (const char32_t c : commit.toUcs4()) {
    if (IsEditBoxCharacter(c)) kept += QString::fromUcs4(&c, 1);
  }
  QInputMethodEvent filtered(event->preeditString(), event->attributes());
  filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
  QLineEdit::inputMethodEvent(&filtered);
  event->accept();
}

void NumericEdit::focusOutEvent(QFocusEvent* event) {
  // A context menu borrows the focus for a moment; the box is not left then.
  if (event->reason() != Qt::PopupFocusReason) Normalize();
  QLineEdit::focusOutEvent(event);
}

}  // namespace parvex
