// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's image area: a borderless scroll box holding one paint
// surface the size of the fractal image. The surface shows the document's
// bitmap straight from its bytes, a zoom preview until the new render has
// painted over it, and the rubber band of a zoom drag.
//
// On a scaled display one image pixel is one device pixel: the image keeps
// the size the document renders (what a spot's "DrawSize", a saved image and
// the mouse's pixel steps are counted in) and is never stretched blurry, so
// the surface's widget is the image size divided by the scale. The surface
// speaks image pixels to its users.

#include <functional>
#include <utility>

#include <QColor>
#include <QImage>
#include <QRect>
#include <QScrollArea>
#include <QWidget>

#include "platform/bitmap.h"

class QPainter;
class TFractal;
class TPaintSurface;

// Between widget pixels and image pixels at a display scale `ratio`: the
// widget size that holds an image, the image pixel under a widget point, and
// the rectangles that cover each other.
QSize WidgetSizeOf(const QSize& image, qreal ratio);
QPoint ImagePointAt(const QPointF& widget, qreal ratio);
QRect WidgetRectOf(const QRect& image, qreal ratio);
QRect ImageRectOf(const QRect& widget, qreal ratio);

// Paints the part `area` of the document's image; what lies outside the
// image, or all of it while the document has no buffer, is filled with
// `outside`.
void PaintDocumentImage(QPainter& painter, const TFractal* document, const QRect& area, const QColor& outside);

// The canvas a document draws on when a widget paints from the document's
// own buffer: painting a part of the bitmap only reports that part, and the
// widget repaints it.
class TRepaintCanvas : public TCanvas {
 public:
  explicit TRepaintCanvas(std::function<void(const QRect&)> painted) : Painted(std::move(painted)) {}
  void DrawBitmap(const TBitmapInfoHeader&, const uint8_t*, const TRect&, const TRect& target) override {
    Painted(QRect(target.Left, target.Top, target.Width, target.Height));
  }
  void SetPixel(int32_t x, int32_t y, TColor3) override { Painted(QRect(x, y, 1, 1)); }

 private:
  std::function<void(const QRect&)> Painted;
};

class TPaintSurface : public QWidget {
  Q_OBJECT
 public:
  explicit TPaintSurface(QWidget* parent = nullptr);

  // The document whose bitmap the surface shows (may be null).
  void SetDocument(const TFractal* document);
  const TFractal* Document() const { return FDocument; }
  TCanvas* Canvas() { return &FCanvas; }

  // The image the surface shows, in image pixels; the widget takes the size
  // that shows it pixel for pixel on its screen.
  void SetImageSize(const QSize& size);
  int ImageWidth() const { return FImageSize.width(); }
  int ImageHeight() const { return FImageSize.height(); }
  // The image pixel under a point of the widget (a mouse event's position).
  QPoint ImagePoint(const QPointF& widgetPoint) const { return ImagePointAt(widgetPoint, devicePixelRatioF()); }

  // The document painted `target` (image pixels): schedule its repaint. A
  // zoom preview gives way column by column as the render paints, and
  // entirely when the whole image is painted.
  void BitmapPainted(const QRect& target);

  // Stretches `source` of what the surface shows over the whole surface,
  // until the document paints over it.
  void ShowPreview(const QRect& source);
  bool PreviewShown() const { return !Preview.isNull(); }
  // What the surface shows without the rubber band (bitmap and preview).
  QImage Picture() const;

  // The rubber band: drawn as a dotted frame that inverts the pixels under
  // it, like a focus rectangle. Width and height may be negative (a drag up
  // or to the left).
  void SetBand(bool visible, const QRect& band);
  bool BandVisible() const { return FBandVisible; }

  // Mouse events of the surface; ImagePoint gives their image pixels.
  std::function<void(QMouseEvent*)> OnMousePress, OnMouseMove, OnMouseRelease, OnDoubleClick;
  // Key presses that reach the surface; true when handled.
  std::function<bool(QKeyEvent*)> OnKeyPress;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // A move to a screen of another scale resizes the widget around the image.
  bool event(QEvent* event) override;

 private:
  void PaintPicture(QPainter& painter, const QRect& area) const;
  static QRegion FrameRegion(const QRect& band);
  void UpdateImageRegion(const QRegion& image);

  const TFractal* FDocument = nullptr;
  TRepaintCanvas FCanvas;
  QSize FImageSize;
  QImage Preview;        // the stretched picture, surface-sized
  int PreviewFrom = 0;   // columns left of this show the document again
  bool FBandVisible = false;
  QRect Band;
};

// The scroll box: centres a surface smaller than itself, scrolls a larger
// one, and scrolls while the scroll bar is dragged.
class TImageArea : public QScrollArea {
  Q_OBJECT
 public:
  explicit TImageArea(QWidget* parent = nullptr);
  TPaintSurface* Surface() const { return FSurface; }
  // Sets the surface to the image size and positions it.
  void SetImageSize(int width, int height);

 private:
  TPaintSurface* FSurface;
};
