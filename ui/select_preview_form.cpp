// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/select_preview_form.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "engine/fractal.h"

TPreviewPicture::TPreviewPicture(int width, int height, QWidget* parent)
    : QWidget(parent), FCanvas([this](const QRect& r) { update(r); }) {
  setFixedSize(width, height);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::PointingHandCursor);
}

void TPreviewPicture::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  PaintDocumentImage(p, FDocument, event->rect() & rect(), Qt::black);
}

void TPreviewPicture::mousePressEvent(QMouseEvent* event) {
  Panning = true;
  LastX = event->position().toPoint().x();
  LastY = event->position().toPoint().y();
}

void TPreviewPicture::mouseMoveEvent(QMouseEvent* event) {
  if (!Panning || !FDocument || FDocument->Width <= 0) return;
  const int x = event->position().toPoint().x(), y = event->position().toPoint().y();
  FDocument->MoveWindow(
      {.Column = Extended(LastX - x), .Row = Extended(LastY - y), .Spans = FDocument->Width, .DoubleStep = true});
  LastX = x;
  LastY = y;
}

void TPreviewPicture::mouseReleaseEvent(QMouseEvent*) { Panning = false; }

void TPreviewPicture::ZoomIn() {
  if (!FDocument || FDocument->Width <= 0) return;
  FDocument->MoveWindow({.Column = FDocument->Width * 0.25L,
                         .Row = FDocument->Height * 0.25L,
                         .Zoom = 0.5L,
                         .Spans = FDocument->Width,
                         .DoubleStep = true});
}

void TPreviewPicture::ZoomOut() {
  if (!FDocument || FDocument->Width <= 0) return;
  FDocument->MoveWindow({.Column = FDocument->Width * -0.5L,
                         .Row = FDocument->Height * -0.5L,
                         .Zoom = 2,
                         .Spans = FDocument->Width,
                         .DoubleStep = true});
}
