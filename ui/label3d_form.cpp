// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/label3d_form.h"

#include <QMouseEvent>
#include <QPainter>

TmyLabel3d::TmyLabel3d(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
  FColor = palette().color(QPalette::Window);
  FFontColor = palette().color(QPalette::WindowText);
  setTextFormat(Qt::PlainText);
  setAutoFillBackground(false);
  setMouseTracking(true);
}

void TmyLabel3d::SetAStyle3D(T3DEffect style) {
  FStyle = style;
  update();
}

void TmyLabel3d::SetAShadeRightBottom(const QColor& color) {
  FShadeRightBottom = color;
  update();
}

void TmyLabel3d::SetAShadeLeftTop(const QColor& color) {
  if (!FShadeLTSet) FShadeLeftTop = color;
  update();
}

void TmyLabel3d::SetAHShadeOffSet(int offset) {
  FHOffset = offset;
  update();
}

void TmyLabel3d::SetAVShadeOffSet(int offset) {
  FVOffset = offset;
  update();
}

void TmyLabel3d::SetAShadeLTSet(bool on) {
  if (on != FShadeLTSet) {
    if (on) {
      FSavedLeftTop = FShadeLeftTop;
      FShadeLeftTop = QColor(0xFF, 0xFF, 0xFF);
    } else {
      FShadeLeftTop = FSavedLeftTop;
    }
    FShadeLTSet = on;
  }
  update();
}

void TmyLabel3d::SetTransparent(bool on) {
  FTransparent = on;
  update();
}

void TmyLabel3d::SetColor(const QColor& color) {
  FColor = color;
  update();
}

void TmyLabel3d::SetFontColor(const QColor& color) {
  FFontColor = color;
  update();
}

void TmyLabel3d::SetShowAccelChar(bool on) {
  FShowAccelChar = on;
  updateGeometry();
  update();
}

int TmyLabel3d::TextFlags() const {
  int flags = int(alignment()) | Qt::TextExpandTabs;
  if (wordWrap()) flags |= Qt::TextWordWrap;
  if (FShowAccelChar) flags |= Qt::TextShowMnemonic;
  return flags;
}

QSize TmyLabel3d::sizeHint() const {
  // An empty caption (or a lone accelerator marker) measures as one blank,
  // so an auto-sized label never collapses.
  const QString t = text();
  const bool blank = t.isEmpty() || (FShowAccelChar && t == "&");
  const QRect r = fontMetrics().boundingRect(QRect(0, 0, wordWrap() ? qMax(width(), 1) : 0x7FFF, 0x7FFF),
                                             TextFlags(), blank ? QString(" ") : t);
  const QMargins m = contentsMargins();
  return QSize(r.width() + m.left() + m.right() + 2 * margin(), r.height() + m.top() + m.bottom() + 2 * margin());
}

QSize TmyLabel3d::minimumSizeHint() const { return sizeHint(); }

void TmyLabel3d::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!FTransparent) p.fillRect(rect(), FColor);
  p.setFont(font());
  const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
  const int flags = TextFlags();
  const QString t = text();
  auto draw = [&](int dx, int dy, const QColor& colour) {
    p.setPen(colour);
    p.drawText(area.translated(dx, dy), flags, t);
  };
  switch (FStyle) {
    case T3DEffect::Resit3d:
      draw(1, 1, FShadeLeftTop);
      draw(-1, -1, FShadeRightBottom);
      break;
    case T3DEffect::Raised3d:
      draw(1, 1, FShadeRightBottom);
      draw(-1, -1, FShadeLeftTop);
      break;
    case T3DEffect::Shadowed3d:
      draw(FHOffset, FVOffset, FShadeRightBottom);
      break;
    case T3DEffect::Normal3d:
      break;
  }
  draw(0, 0, isEnabled() ? FFontColor : palette().color(QPalette::Disabled, QPalette::WindowText));
}

void TmyLabel3d::mouseMoveEvent(QMouseEvent* event) {
  // Holding the mouse lets the label see the move that takes the pointer
  // out of it.
  if (!Captured) {
    grabMouse();
    Captured = true;
  }
  const QPoint at = event->position().toPoint();
  if (at.x() < 0 || at.y() < 0 || at.x() > width() || at.y() > height()) {
    releaseMouse();
    Captured = false;
    if (OnMouseOut) OnMouseOut(this);
  }
  QLabel::mouseMoveEvent(event);
}

void TmyLabel3d::hideEvent(QHideEvent* event) {
  if (Captured) {
    releaseMouse();
    Captured = false;
  }
  QLabel::hideEvent(event);
}
