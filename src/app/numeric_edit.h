// A single-line edit box for a whole number in the range of a signed 16-bit integer.
#ifndef PARVEX_APP_NUMERIC_EDIT_H_
#define PARVEX_APP_NUMERIC_EDIT_H_

#include <QLineEdit>

namespace parvex {

// Typing accepts only digits and '-' among the printable characters; control keys and the
// clipboard shortcuts pass through, so a paste is not filtered. On losing the focus the text is
// normalised (NormalizeEditBoxText: clamped to -32768..32767, 0 gives the empty box).
class NumericEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit NumericEdit(const QString& text, QWidget* parent = nullptr);

  // Normalises the text now, as losing the focus does. The text is replaced only if it
  // changes; the caret goes back to the start of the old selection.
  void Normalize();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

// Whether every character of `text` may be typed into a NumericEdit.
bool IsAcceptedTyping(const QString& text);

}  // namespace parvex

#endif  // PARVEX_APP_NUMERIC_EDIT_H_
