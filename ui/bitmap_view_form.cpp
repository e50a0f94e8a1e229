// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/bitmap_view_form.h"

#include <QPaintEvent>
#include <QPainter>

#include "platform/canvas_qt.h"

TBitmapPaintArea::TBitmapPaintArea(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TBitmapPaintArea::SetBitmap(const TBitmapInfoHeader* header, const uint8_t* bits, const TRect& source) {
  Header = header;
  Bits = bits;
  Source = source;
  update();
}

void TBitmapPaintArea::paintEvent(QPaintEvent* event) {
  {
    QPainter p(this);
    p.fillRect(event->rect(), Qt::black);
  }
  if (!Header || !Bits || Source.Width <= 0 || Source.Height <= 0) return;
  TQtCanvas canvas(this);
  canvas.DrawBitmap(*Header, Bits, Source, {0, 0, Source.Width, Source.Height});
}

TBitmapView::TBitmapView(QWidget* parent) : QScrollArea(parent), Area(new TBitmapPaintArea) {
  setFrameShape(QFrame::NoFrame);
  setAlignment(Qt::AlignCenter);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  setBackgroundRole(QPalette::Window);
  setAutoFillBackground(true);
  viewport()->setPalette(black);
  viewport()->setAutoFillBackground(true);
  setWidget(Area);
  Area->resize(0, 0);
}

void TBitmapView::SetPaintSize(int width, int height) { Area->resize(width, height); }
