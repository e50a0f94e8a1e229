// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A black scroll area with one paint area that shows part of a 24-bit
// bottom-up bitmap unscaled; the paint area sits in the centre while it is
// smaller than the scroll area. The 3D view and the anti-aliased image show
// their pictures in it.

#include <QScrollArea>

#include "platform/bitmap.h"

class TBitmapPaintArea : public QWidget {
  Q_OBJECT
 public:
  explicit TBitmapPaintArea(QWidget* parent = nullptr);
  // `source` counts rows from the top of the picture; null bits show black.
  void SetBitmap(const TBitmapInfoHeader* header, const uint8_t* bits, const TRect& source);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const TBitmapInfoHeader* Header = nullptr;
  const uint8_t* Bits = nullptr;
  TRect Source;
};

class TBitmapView : public QScrollArea {
  Q_OBJECT
 public:
  explicit TBitmapView(QWidget* parent = nullptr);
  void SetPaintSize(int width, int height);
  TBitmapPaintArea* PaintArea() const { return Area; }

 private:
  TBitmapPaintArea* Area;
};
