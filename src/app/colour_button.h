// A push button whose caption colours follow its state.
#ifndef PARVEX_APP_COLOUR_BUTTON_H_
#define PARVEX_APP_COLOUR_BUTTON_H_

#include <QColor>
#include <QPushButton>

namespace parvex {

struct CaptionColours {
  QColor text;
  QColor background;
  friend bool operator==(const CaptionColours&, const CaptionColours&) = default;
};

// Draws its caption in the `hot` colours while the mouse is over it or it is held down, else
// in the `focused` colours while it has the keyboard focus, else in the `normal` ones.
class ColourButton : public QPushButton {
  Q_OBJECT

 public:
  ColourButton(const QString& text, CaptionColours normal, CaptionColours hot, CaptionColours focused,
               QWidget* parent = nullptr);

  CaptionColours normal() const { return normal_; }
  CaptionColours hot() const { return hot_; }
  CaptionColours focused() const { return focused_; }
  // The colours the button draws with in its present state.
  CaptionColours CurrentColours() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  CaptionColours normal_;
  CaptionColours hot_;
  CaptionColours focused_;
};

}  // namespace parvex

#endif  // PARVEX_APP_COLOUR_BUTTON_H_
