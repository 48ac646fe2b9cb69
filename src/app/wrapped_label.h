// A word-wrapped label whose lines sit a fixed pitch apart, so that a given number of lines
// fills its rectangle whatever the font's own line spacing is.
#ifndef PARVEX_APP_WRAPPED_LABEL_H_
#define PARVEX_APP_WRAPPED_LABEL_H_

#include <QLabel>

namespace parvex {

class WrappedLabel : public QLabel {
  Q_OBJECT

 public:
  explicit WrappedLabel(const QString& text, QWidget* parent = nullptr);

  // Distance between the tops of two lines: 7/6 of the font's pixel size (14 for 12 pixels),
  // the pitch of the window's instruction text.
  int LinePitch() const;
  // The text of each line as the label breaks it at its present width.
  QStringList Lines() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace parvex

#endif  // PARVEX_APP_WRAPPED_LABEL_H_
