#include "wrapped_label.h"

#include <QFontInfo>
#include <QPainter>
#include <QTextLayout>

namespace parvex {
namespace {

// Lays `text` out in lines of `width` pixels, `pitch` apart, broken at word boundaries (between
// any two ideographs, at blanks between Latin words).
void LayOut(QTextLayout& layout, qreal width, int pitch) {
  QTextOption option(Qt::AlignLeft);
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layout.beginLayout();
  for (int y = 0;; y += pitch) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    line.setLineWidth(width);
    line.setPosition(QPointF(0, y));
  }
  layout.endLayout();
}

}  // namespace

WrappedLabel::WrappedLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setWordWrap(true);
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

int WrappedLabel::LinePitch() const { return (QFontInfo(font()).pixelSize() * 7 + 3) / 6; }

QStringList WrappedLabel::Lines() const {
  QTextLayout layout(text(), font());
  LayOut(layout, width(), LinePitch());
  QStringList lines;
  for (int i = 0; i < layout.lineCount(); ++i) {
    const QTextLine line = layout.lineAt(i);
    lines << text().mid(line.textStart(), line.textLength());
  }
  return lines;
}

void WrappedLabel::paintEvent(QPaintEvent*) {
  QTextLayout layout(text(), font());
  LayOut(layout, width(), LinePitch());
  QPainter painter(this);
  painter.setPen(palette().color(foregroundRole()));
  layout.draw(&painter, QPointF(0, 0));
}

}  // namespace parvex
