// A group box drawn as a classic etched frame whose caption sits on the frame's top line, so
// that children placed just below the caption do not cover it.
#ifndef PARVEX_APP_CAPTION_GROUP_BOX_H_
#define PARVEX_APP_CAPTION_GROUP_BOX_H_

#include <QColor>
#include <QGroupBox>

namespace parvex {

class CaptionGroupBox : public QGroupBox {
  Q_OBJECT

 public:
  CaptionGroupBox(const QString& title, const QColor& caption_colour, QWidget* parent = nullptr);

  QColor caption_colour() const { return caption_colour_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor caption_colour_;
};

}  // namespace parvex

#endif  // PARVEX_APP_CAPTION_GROUP_BOX_H_
