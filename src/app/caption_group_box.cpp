#include "caption_group_box.h"

#include <QPainter>

namespace parvex {

CaptionGroupBox::CaptionGroupBox(const QString& title, const QColor& caption_colour, QWidget* parent)
    : QGroupBox(title, parent), caption_colour_(caption_colour) {
  setFocusPolicy(Qt::NoFocus);
}

void CaptionGroupBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics(font());
  // The frame's top line runs through the middle of the caption's first 12 pixels or so.
  const int line_y = std::max(metrics.ascent() / 2, 1);
  const QRect frame = rect().adjusted(0, line_y, -1, -1);
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawRect(frame.adjusted(0, 0, -1, -1));
  painter.setPen(palette().color(QPalette::Light));
  painter.drawRect(frame.adjusted(1, 1, 0, 0));

  const int text_width = metrics.horizontalAdvance(title());
  painter.fillRect(QRect(8, 0, text_width + 4, line_y + 2), palette().color(QPalette::Window));
  painter.setPen(caption_colour_);
  // Baseline at 10 keeps the ideographs above the controls placed from y = 11 on.
  painter.drawText(QPoint(10, std::min(metrics.ascent(), 10)), title());
}

}  // namespace parvex
