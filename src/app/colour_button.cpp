#include "colour_button.h"

#include <QApplication>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace parvex {
namespace {

// Native styles (Windows' among them) draw a push button in the system's colours whatever its
// palette says, which would leave a white caption on a grey button. Fusion, built into Qt, draws
// the button's own background; one instance for all buttons, owned by the application.
QStyle* ButtonStyle() {
  static QStyle* const style = [] {
    QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    if (fusion != nullptr) fusion->setParent(qApp);
    return fusion;
  }();
  return style;
}

}  // namespace

ColourButton::ColourButton(const QString& text, CaptionColours normal, CaptionColours hot,
                           CaptionColours focused, QWidget* parent)
    : QPushButton(text, parent), normal_(normal), hot_(hot), focused_(focused) {
  setAttribute(Qt::WA_Hover);
  if (QStyle* style = ButtonStyle(); style != nullptr) setStyle(style);
  // Outside a dialog Enter must not click a button; only Space and the mouse do.
  setAutoDefault(false);
}

CaptionColours ColourButton::CurrentColours() const {
  if (underMouse() || isDown()) return hot_;
  if (hasFocus()) return focused_;
  return normal_;
}

void ColourButton::paintEvent(QPaintEvent*) {
  // The colours go into the style option, not the palette: changing the palette while painting
  // would schedule another paint.
  const CaptionColours colours = CurrentColours();
  QStyleOptionButton option;
  initStyleOption(&option);
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    option.palette.setColor(group, QPalette::ButtonText, colours.text);
    option.palette.setColor(group, QPalette::Button, colours.background);
    option.palette.setColor(group, QPalette::Window, colours.background);
  }
  QStylePainter painter(this);
  painter.drawControl(QStyle::CE_PushButton, option);
}

void ColourButton::enterEvent(QEnterEvent* event) {
  QPushButton::enterEvent(event);
  update();
}

void ColourButton::leaveEvent(QEvent* event) {
  QPushButton::leaveEvent(event);
  update();
}

}  // namespace parvex
