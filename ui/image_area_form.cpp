// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/image_area_form.h"

#include <algorithm>
#include <cmath>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include "engine/fractal.h"
#include "platform/canvas_qt.h"

QSize WidgetSizeOf(const QSize& image, qreal ratio) {
  return QSize(int(std::ceil(image.width() / ratio)), int(std::ceil(image.height() / ratio)));
}

QPoint ImagePointAt(const QPointF& widget, qreal ratio) {
  return QPoint(int(std::floor(widget.x() * ratio)), int(std::floor(widget.y() * ratio)));
}

QRect WidgetRectOf(const QRect& image, qreal ratio) {
  if (image.isEmpty()) return {};
  return QRect(QPoint(int(std::floor(image.left() / ratio)), int(std::floor(image.top() / ratio))),
               QPoint(int(std::ceil((image.right() + 1) / ratio)) - 1, int(std::ceil((image.bottom() + 1) / ratio)) - 1));
}

QRect ImageRectOf(const QRect& widget, qreal ratio) {
  if (widget.isEmpty()) return {};
  return QRect(QPoint(int(std::floor(widget.left() * ratio)), int(std::floor(widget.top() * ratio))),
               QPoint(int(std::ceil((widget.right() + 1) * ratio)) - 1, int(std::ceil((widget.bottom() + 1) * ratio)) - 1));
}

TPaintSurface::TPaintSurface(QWidget* parent)
    : QWidget(parent), FCanvas([this](const QRect& r) { BitmapPainted(r); }) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
}

void TPaintSurface::SetDocument(const TFractal* document) {
  FDocument = document;
  Preview = QImage();
  update();
}

void TPaintSurface::SetImageSize(const QSize& size) {
  FImageSize = size;
  resize(WidgetSizeOf(size, devicePixelRatioF()));
}

void TPaintSurface::resizeEvent(QResizeEvent* event) {
  // A resize from outside, not to the image: the image follows the widget.
  if (size() != WidgetSizeOf(FImageSize, devicePixelRatioF())) FImageSize = size() * devicePixelRatioF();
  QWidget::resizeEvent(event);
}

bool TPaintSurface::event(QEvent* event) {
  if (event->type() == QEvent::ScreenChangeInternal) resize(WidgetSizeOf(FImageSize, devicePixelRatioF()));
  return QWidget::event(event);
}

void TPaintSurface::UpdateImageRegion(const QRegion& image) {
  const qreal ratio = devicePixelRatioF();
  for (const QRect& r : image) update(WidgetRectOf(r, ratio));
}

void TPaintSurface::BitmapPainted(const QRect& target) {
  if (!Preview.isNull()) {
    if (target.left() <= 0 && target.top() <= 0 && target.right() >= ImageWidth() - 1 &&
        target.bottom() >= ImageHeight() - 1) {
      Preview = QImage();
      update();
      return;
    }
    PreviewFrom = std::max(PreviewFrom, target.right() + 1);
    if (PreviewFrom >= ImageWidth()) Preview = QImage();
  }
  UpdateImageRegion(target);
}

void TPaintSurface::ShowPreview(const QRect& source) {
  const QImage picture = Picture();
  if (picture.isNull() || source.isEmpty()) return;
  Preview = picture.copy(source).scaled(FImageSize, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  PreviewFrom = 0;
  update();
}

QImage TPaintSurface::Picture() const {
  if (FImageSize.isEmpty()) return {};
  QImage picture(FImageSize, QImage::Format_RGB32);
  picture.fill(palette().color(QPalette::Window));
  QPainter p(&picture);
  PaintPicture(p, picture.rect());
  return picture;
}

void PaintDocumentImage(QPainter& p, const TFractal* document, const QRect& area, const QColor& outside) {
  if (area.isEmpty()) return;
  const uint8_t* bits = document ? document->ImageBuffer() : nullptr;
  if (!bits) {
    p.fillRect(area, outside);
    return;
  }
  const TBitmapInfoHeader& header = document->BitmapHeader();
  // Outside the image (a widget resized ahead of its document) stays plain.
  const QRect image = area & QRect(0, 0, std::min(document->Width, header.biWidth),
                                   std::min(document->Height, header.biHeight));
  if (image != area) p.fillRect(area, outside);
  if (image.isEmpty()) return;
  // The bytes as they are: memory row m is picture row biHeight - 1 - m,
  // so draw the matching memory rectangle mirrored.
  const auto guard = document->LockBuffers();
  const QImage memory = BitmapImage(header, bits);
  const QRect source(image.left(), header.biHeight - image.top() - image.height(), image.width(), image.height());
  p.save();
  p.translate(image.left(), image.top() + image.height());
  p.scale(1, -1);
  p.drawImage(QRect(0, 0, image.width(), image.height()), memory, source);
  p.restore();
}

void TPaintSurface::PaintPicture(QPainter& p, const QRect& area) const {
  const QRect r = area & QRect(QPoint(), FImageSize);
  if (r.isEmpty()) return;
  PaintDocumentImage(p, FDocument, r, palette().color(QPalette::Window));
  if (!Preview.isNull()) {
    const QRect stale = r & QRect(PreviewFrom, 0, ImageWidth() - PreviewFrom, ImageHeight());
    if (!stale.isEmpty()) p.drawImage(stale.topLeft(), Preview, stale);
  }
}

void TPaintSurface::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  // The painter works in image pixels, one to a device pixel.
  const qreal ratio = devicePixelRatioF();
  p.scale(1 / ratio, 1 / ratio);
  PaintPicture(p, ImageRectOf(event->rect(), ratio));
  if (FBandVisible) {
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QPen pen(Qt::white, 1);
    pen.setDashPattern({1, 1});
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QRect band = Band.normalized();
    if (band.width() > 0 && band.height() > 0) p.drawRect(band.adjusted(0, 0, -1, -1));
  }
}

QRegion TPaintSurface::FrameRegion(const QRect& band) {
  const QRect r = band.normalized();
  QRegion region;
  if (r.isEmpty()) return region;
  region += QRect(r.left(), r.top(), r.width(), 1);
  region += QRect(r.left(), r.bottom(), r.width(), 1);
  region += QRect(r.left(), r.top(), 1, r.height());
  region += QRect(r.right(), r.top(), 1, r.height());
  return region;
}

void TPaintSurface::SetBand(bool visible, const QRect& band) {
  if (FBandVisible) UpdateImageRegion(FrameRegion(Band));
  FBandVisible = visible;
  Band = band;
  if (FBandVisible) UpdateImageRegion(FrameRegion(Band));
}

void TPaintSurface::mousePressEvent(QMouseEvent* event) {
  if (OnMousePress) OnMousePress(event);
}

void TPaintSurface::mouseMoveEvent(QMouseEvent* event) {
  if (OnMouseMove) OnMouseMove(event);
}

void TPaintSurface::mouseReleaseEvent(QMouseEvent* event) {
  if (OnMouseRelease) OnMouseRelease(event);
}

void TPaintSurface::mouseDoubleClickEvent(QMouseEvent* event) {
  if (OnDoubleClick) OnDoubleClick(event);
}

void TPaintSurface::keyPressEvent(QKeyEvent* event) {
  if (OnKeyPress && OnKeyPress(event)) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

TImageArea::TImageArea(QWidget* parent) : QScrollArea(parent), FSurface(new TPaintSurface) {
  setFrameShape(QFrame::NoFrame);
  setAlignment(Qt::AlignCenter);
  setWidgetResizable(false);
  setFocusPolicy(Qt::NoFocus);
  horizontalScrollBar()->setTracking(true);
  verticalScrollBar()->setTracking(true);
  setWidget(FSurface);
  setFocusProxy(FSurface);
}

void TImageArea::SetImageSize(int width, int height) { FSurface->SetImageSize(QSize(width, height)); }
